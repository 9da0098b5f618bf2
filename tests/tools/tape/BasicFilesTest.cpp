// The BASIC export and import files: what lands on disk, and every failure
// returned to the caller with the path it concerns.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/common/TestTempDir.h"
#include "tools/tape/BasicFiles.h"

namespace {

using Bytes = std::vector<uint8_t>;

// "7 END": link 2407h, line 7, END (80h), the line's 00h, the end link.
const Bytes kSevenEnd = {0x07, 0x24, 0x07, 0x00, 0x80, 0x00, 0x00, 0x00};

// Points the temporary folder at another place for one test.
class TempFolder {
public:
    explicit TempFolder(const std::string& path) {
        if (const char* old = std::getenv("TMPDIR")) old_ = old;
        ::setenv("TMPDIR", path.c_str(), 1);
    }
    ~TempFolder() {
        if (old_)
            ::setenv("TMPDIR", old_->c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }

private:
    std::optional<std::string> old_;
};

size_t FilesIn(const std::string& folder) {
    size_t n = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) n += entry.is_regular_file();
    return n;
}

TEST(BasicFilesTest, ExportWritesCrLfLinesOverTheWholeFile) {
    TestTempDir dir;
    dir.write("prog.txt", std::string(100, 'x'));
    BasicExport text;
    text.lines = {"10 PRINT 1", "20 END"};
    EXPECT_FALSE(ExportBasicFile(dir.file("prog.txt"), text));
    EXPECT_EQ(dir.read("prog.txt"), "10 PRINT 1\r\n20 END\r\n");
}

TEST(BasicFilesTest, FailedExportReachesTheCallerAndLeavesTheTargetAlone) {
    TestTempDir dir;
    BasicExport text;
    text.lines = {"7 END"};
    const std::string missing = dir.file("no-folder/prog.txt");
    TapeFileError e = ExportBasicFile(missing, text);
    EXPECT_EQ(e.code, TapeFileError::WriteFailed);
    EXPECT_EQ(e.path, missing);
    // A folder of that name is not a file to replace.
    std::filesystem::create_directory(dir.file("taken.txt"));
    e = ExportBasicFile(dir.file("taken.txt"), text);
    EXPECT_EQ(e.code, TapeFileError::WriteFailed);
    EXPECT_EQ(e.path, dir.file("taken.txt"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken.txt")));
}

TEST(BasicFilesTest, ImportTokenisesTheFile) {
    TestTempDir dir;
    dir.write("prog.txt", "7 END\n");
    BasicImport program;
    EXPECT_FALSE(ImportBasicFile(dir.file("prog.txt"), program));
    EXPECT_EQ(program.bytes, kSevenEnd);
    EXPECT_TRUE(program.log.empty());
}

TEST(BasicFilesTest, ImportRefusesWhatIsNotARegularFile) {
    TestTempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.file("folder"));
    for (const char* name : {"missing.txt", "pipe", "folder"}) {
        BasicImport program;
        program.bytes = {1, 2, 3};
        const TapeFileError e = ImportBasicFile(dir.file(name), program);
        EXPECT_EQ(e.code, TapeFileError::FileUnreadable) << name;
        EXPECT_EQ(e.path, dir.file(name)) << name;
        EXPECT_EQ(program.bytes, (Bytes{1, 2, 3})) << name;
    }
}

TEST(BasicFilesTest, LogGetsCrLfLineEnds) {
    TestTempDir dir;
    EXPECT_FALSE(WriteBasicLogFile(dir.file("prog.txt.log"), "first\nsecond"));
    EXPECT_EQ(dir.read("prog.txt.log"), "first\r\nsecond");
    const TapeFileError e = WriteBasicLogFile(dir.file("no-folder/prog.txt.log"), "first");
    EXPECT_EQ(e.code, TapeFileError::WriteFailed);
    EXPECT_EQ(e.path, dir.file("no-folder/prog.txt.log"));
}

TEST(BasicFilesTest, ProgramWaitsInTheTemporaryFolder) {
    TestTempDir dir;
    const TempFolder temp(dir.path());
    std::string stored;
    ASSERT_FALSE(WriteTempProgram("prog.txt", kSevenEnd, stored));
    const std::filesystem::path p(stored);
    EXPECT_TRUE(std::filesystem::equivalent(p.parent_path(), dir.path()));
    const std::string name = p.filename().string();
    ASSERT_EQ(name.size(), std::string("prog.txt-XXXXXX-tmp.tmp").size());
    EXPECT_EQ(name.substr(0, 9), "prog.txt-");
    EXPECT_EQ(name.substr(15), "-tmp.tmp");
    const std::string bytes = dir.read(name);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.end()), kSevenEnd);
    // A second program gets a file of its own.
    std::string second;
    ASSERT_FALSE(WriteTempProgram("prog.txt", kSevenEnd, second));
    EXPECT_NE(second, stored);
}

TEST(BasicFilesTest, FailedTemporaryProgramReachesTheCallerAndLeavesNothing) {
    TestTempDir dir;
    std::string stored = "unchanged";
    {
        const TempFolder temp(dir.path());
        const TapeFileError e = WriteTempProgram("no-folder/prog.txt", kSevenEnd, stored);
        EXPECT_EQ(e.code, TapeFileError::WriteFailed);
        EXPECT_EQ(std::filesystem::path(e.path).filename().string(), "prog.txt-XXXXXX-tmp.tmp");
    }
    {
        // The temporary folder itself is gone.
        const TempFolder temp(dir.file("gone"));
        const TapeFileError e = WriteTempProgram("prog.txt", kSevenEnd, stored);
        EXPECT_EQ(e.code, TapeFileError::WriteFailed);
        EXPECT_FALSE(e.path.empty());
    }
    EXPECT_EQ(stored, "unchanged");
    EXPECT_EQ(FilesIn(dir.path()), 0u);
}

}  // namespace
