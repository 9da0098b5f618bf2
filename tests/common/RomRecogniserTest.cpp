#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "common/RomRecogniser.h"
#include "tests/common/AsNobody.h"
#include "tests/common/TestTempDir.h"

namespace {

// Made-up contents: byte i is i * 7 + seed. Their SHA-1 values were computed with
// Python's hashlib.
std::string Pattern(size_t size, int seed) {
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 7 + seed) & 0xFF);
    return s;
}

const std::vector<KnownRom> kTable = {
    {"mon1.rom", 4096, "b83d7c7625f84edd02f6ac033721a56ea3fbd122", "monitor", "Model-1"},
    {"basic2.rmm", 9216, "4f6d063eba03e64529af916371b8dc03c150ea3a", "module", "Model-2"},
    {"mon3.rom", 8192, "d124b3084e0f6641ee802f4ef2f6dcaba8ae8898", "monitor", "Model-3"},
    {"tool.rmm", 1024, "39a74aedcffd42960e06b5814e1b22100d01d9c7", "module", "-"},
};

const SkippedFile* Skipped(const RomScanResult& r, const std::string& path) {
    for (const SkippedFile& s : r.skipped)
        if (s.path == path) return &s;
    return nullptr;
}

bool Recognised(const RomScanResult& r, const std::string& path) {
    return std::any_of(r.recognised.begin(), r.recognised.end(), [&](const RecognisedRom& x) { return x.path == path; });
}

TEST(RomRecogniser, Sha1OfTheStandardExample) {
    const std::string abc = "abc";
    EXPECT_EQ(Sha1Hex(reinterpret_cast<const uint8_t*>(abc.data()), abc.size()),
              "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(Sha1Hex(nullptr, 0), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
}

TEST(RomRecogniser, PlausibleSizesAreWholeKilobytesUpTo32) {
    const struct {
        uint64_t size;
        bool plausible;
    } cases[] = {{0, false},     {1023, false},  {1024, true},         {1025, false}, {2048, true},
                 {13312, true},  {16384, true},  {17408, true},        {32768, true}, {33792, false},
                 {65536, false}, {4096 + 512, false}, {1ull << 32, false}};
    for (const auto& c : cases) EXPECT_EQ(PlausibleRomSize(c.size), c.plausible) << c.size;
}

TEST(RomRecogniser, TableLinesAreParsedAndBadOnesLeftOut) {
    const std::string text =
        "# comment\r\n"
        "name\tsize\tsha1\tcrc32\tkind\tmodel\r\n"
        "monit1.rom\t4096\tB83D7C7625F84EDD02F6AC033721A56EA3FBD122\t12345678\tmonitor\tModel-1\r\n"
        "basic.rmm\t9216\t4f6d063eba03e64529af916371b8dc03c150ea3a\t0\tmodule\t-\n"
        "short.rom\t4096\tb83d\t0\tmonitor\tModel-1\n"           // SHA-1 too short
        "nosize.rom\tbig\tb83d7c7625f84edd02f6ac033721a56ea3fbd122\t0\tmonitor\tModel-1\n"
        "few.rom\t4096\tb83d7c7625f84edd02f6ac033721a56ea3fbd122\n"  // cells missing
        "\n";
    const std::vector<KnownRom> t = ParseKnownRoms(text);
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].name, "monit1.rom");
    EXPECT_EQ(t[0].size, 4096u);
    EXPECT_EQ(t[0].sha1, "b83d7c7625f84edd02f6ac033721a56ea3fbd122");
    EXPECT_EQ(t[0].kind, "monitor");
    EXPECT_EQ(t[0].model, "Model-1");
    EXPECT_EQ(t[1].model, "-");
}

TEST(RomRecogniser, BuiltInTableIsWellFormed) {
    // Whatever the build had (possibly nothing): every entry usable by the scan.
    for (const KnownRom& r : BuiltInKnownRoms()) {
        EXPECT_EQ(r.sha1.size(), 40u) << r.name;
        EXPECT_TRUE(PlausibleRomSize(r.size)) << r.name;
    }
}

// The table compiled in is the project's own list, every line of it, whatever lies outside
// the project: a clone of the project alone recognises the real dumps.
TEST(RomRecogniser, BuiltInTableIsTheProjectsOwnListWhole) {
    std::ifstream f(std::string(ORVIK_SOURCE_DIR) + "/common/data/known-roms.tsv", std::ios::binary);
    ASSERT_TRUE(f) << "the project's list of known dumps is missing";
    const std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    // Rows counted without the parser: not a comment, not the header, not blank.
    size_t rows = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line[0] != '#' && line.rfind("name\t", 0) != 0) ++rows;
    const std::vector<KnownRom> own = ParseKnownRoms(text);
    const std::vector<KnownRom>& built = BuiltInKnownRoms();
    ASSERT_GT(rows, 50u);
    ASSERT_EQ(own.size(), rows);
    ASSERT_EQ(built.size(), own.size());
    for (size_t i = 0; i < own.size(); ++i) {
        EXPECT_EQ(built[i].name, own[i].name);
        EXPECT_EQ(built[i].size, own[i].size) << own[i].name;
        EXPECT_EQ(built[i].sha1, own[i].sha1) << own[i].name;
        EXPECT_EQ(built[i].kind, own[i].kind) << own[i].name;
        EXPECT_EQ(built[i].model, own[i].model) << own[i].name;
    }
    // The PMD 85-2A monitor as it circulates, by its SHA-1.
    const auto m2a = std::find_if(built.begin(), built.end(), [](const KnownRom& r) {
        return r.sha1 == "d0fd481ae4a9475c50408bb8a190c423984f56b0";
    });
    ASSERT_NE(m2a, built.end()) << "the PMD 85-2A monitor is not in the table";
    EXPECT_EQ(m2a->size, 4096u);
    EXPECT_EQ(m2a->kind, "monitor");
    EXPECT_EQ(m2a->model, "Model-2A");
}

TEST(RomRecogniser, FolderOfKnownUnknownAndWrongFiles) {
    TestTempDir dir, outside;
    dir.write("a-monitor.bin", Pattern(4096, 1));
    dir.write("b-same-monitor.bin", Pattern(4096, 1));  // same content, another name
    dir.write("basic.rmm", Pattern(9216, 2));
    dir.write("basic-copy.rmm", Pattern(9216, 2));
    dir.write("tool.rmm", Pattern(1024, 5));
    dir.write("mystery.rom", Pattern(2048, 3));
    dir.write("short.rom", Pattern(1000, 1));
    dir.write("odd.rom", Pattern(4097, 1));
    dir.write("empty.rom", "");
    dir.write("big.rom", Pattern(33 * 1024, 1));
    // A known monitor with 1 KB more after it: a plausible size, but not that monitor.
    dir.write("longer.rom", Pattern(4096, 1) + Pattern(1024, 9));
    outside.write("m3.rom", Pattern(8192, 4));
    ASSERT_EQ(::symlink(outside.file("m3.rom").c_str(), dir.file("link-out.rom").c_str()), 0);
    ASSERT_EQ(::symlink("../elsewhere/none.rom", dir.file("link-dangling.rom").c_str()), 0);
    ASSERT_EQ(::symlink("a-monitor.bin", dir.file("link-in.rom").c_str()), 0);
    dir.write("sub/m3.rom", Pattern(8192, 4));
    ASSERT_EQ(::symlink(dir.file("sub/m3.rom").c_str(), dir.file("link-sub.rom").c_str()), 0);

    const RomScanResult r = ScanRomFolder(dir.path(), kTable);
    ASSERT_TRUE(r.folderRead);
    for (const char* f : {"a-monitor.bin", "b-same-monitor.bin", "basic.rmm", "basic-copy.rmm", "tool.rmm",
                          "link-in.rom", "link-sub.rom"})
        EXPECT_TRUE(Recognised(r, dir.file(f))) << f;
    EXPECT_EQ(r.recognised.size(), 7u);

    // The first of two equal monitors (in name order) is the model's; the link inside the
    // folder to the Model-3 monitor counts as that model's.
    ASSERT_EQ(r.monitors.size(), 2u);
    EXPECT_EQ(r.monitors.at("Model-1").path, dir.file("a-monitor.bin"));
    EXPECT_EQ(r.monitors.at("Model-3").path, dir.file("link-sub.rom"));
    // Each known module of a model once; one of no model is only recognised.
    ASSERT_EQ(r.basicModules.size(), 1u);
    EXPECT_EQ(r.basicModules[0].rom.name, "basic2.rmm");
    EXPECT_EQ(r.basicModules[0].path, dir.file("basic-copy.rmm"));

    EXPECT_EQ(r.unknown, (std::vector<std::string>{dir.file("longer.rom"), dir.file("mystery.rom")}));

    const struct {
        const char* name;
        RomSkipReason reason;
    } skipped[] = {
        {"short.rom", RomSkipReason::WrongSize},        {"odd.rom", RomSkipReason::WrongSize},
        {"empty.rom", RomSkipReason::WrongSize},        {"big.rom", RomSkipReason::WrongSize},
        {"link-out.rom", RomSkipReason::LinkOutside},
        {"link-dangling.rom", RomSkipReason::LinkOutside}, {"sub", RomSkipReason::SubFolder},
    };
    for (const auto& s : skipped) {
        const SkippedFile* f = Skipped(r, dir.file(s.name));
        ASSERT_NE(f, nullptr) << s.name;
        EXPECT_EQ(f->reason, s.reason) << s.name;
    }
    EXPECT_EQ(r.skipped.size(), std::size(skipped));
}

// A FIFO would block a reader for ever, a huge file would fill the memory: neither is read.
TEST(RomRecogniser, HostileFilesAreNotRead) {
    TestTempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe.rom").c_str(), 0644), 0);
    {
        const int fd = ::open(dir.file("huge.rom").c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, off_t(64) << 30), 0);  // sparse, 64 GiB
        ::close(fd);
    }
    {
        // A file of a ROM's size that is a sparse hole except for its known first part.
        const int fd = ::open(dir.file("huge-4k.rom").c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        const std::string mon = Pattern(4096, 1);
        ASSERT_EQ(::write(fd, mon.data(), mon.size()), 4096);
        ASSERT_EQ(::ftruncate(fd, (off_t(4) << 30) + 4096), 0);  // 4 GiB + 4 KB: 4096 modulo 2^32
        ::close(fd);
    }
    ASSERT_EQ(::symlink("/dev/zero", dir.file("zero.rom").c_str()), 0);
    ASSERT_EQ(::symlink("pipe.rom", dir.file("pipe-link.rom").c_str()), 0);

    const RomScanResult r = ScanRomFolder(dir.path(), kTable);
    ASSERT_TRUE(r.folderRead);
    EXPECT_TRUE(r.recognised.empty());
    EXPECT_TRUE(r.unknown.empty());
    const struct {
        const char* name;
        RomSkipReason reason;
    } cases[] = {{"pipe.rom", RomSkipReason::SpecialFile},  {"pipe-link.rom", RomSkipReason::SpecialFile},
                 {"huge.rom", RomSkipReason::WrongSize},     {"huge-4k.rom", RomSkipReason::WrongSize},
                 {"zero.rom", RomSkipReason::LinkOutside}};
    for (const auto& c : cases) {
        const SkippedFile* f = Skipped(r, dir.file(c.name));
        ASSERT_NE(f, nullptr) << c.name;
        EXPECT_EQ(f->reason, c.reason) << c.name;
    }
}

// An unreadable known file is reported, not recognised. Root reads it anyway, so the scan
// then runs in a child process that has become nobody.
TEST(RomRecogniser, UnreadableFileIsReported) {
    TestTempDir dir;
    ::chmod(dir.path().c_str(), 0755);
    dir.write("locked.rom", Pattern(4096, 1));
    dir.write("open.rom", Pattern(8192, 4));
    ASSERT_EQ(::chmod(dir.file("locked.rom").c_str(), 0), 0);

    auto scan = [&]() -> std::string {
        const RomScanResult r = ScanRomFolder(dir.path(), kTable);
        const SkippedFile* f = Skipped(r, dir.file("locked.rom"));
        std::string verdict = f && f->reason == RomSkipReason::Unreadable ? "U" : "-";
        verdict += Recognised(r, dir.file("open.rom")) ? "R" : "-";
        verdict += Recognised(r, dir.file("locked.rom")) ? "!" : "";
        return verdict;
    };
    if (::geteuid() != 0) {
        EXPECT_EQ(scan(), "UR");
        return;
    }
    const std::string verdict = AsNobody(scan);
    EXPECT_EQ(verdict, "UR");
}

// One file the user chose: links are followed, but only a regular file of a ROM's size is read.
TEST(RomRecogniser, OneChosenFile) {
    TestTempDir dir, other;
    dir.write("mon.rom", Pattern(4096, 1));
    dir.write("mystery.rom", Pattern(4096, 2));
    dir.write("odd.rom", Pattern(4097, 1));
    other.write("m3.rom", Pattern(8192, 4));
    ASSERT_EQ(::symlink(other.file("m3.rom").c_str(), dir.file("link.rom").c_str()), 0);
    ASSERT_EQ(::mkfifo(dir.file("pipe.rom").c_str(), 0644), 0);
    const struct {
        std::string path;
        RomFileVerdict verdict;
        const char* name;
    } cases[] = {
        {dir.file("mon.rom"), RomFileVerdict::Known, "mon1.rom"},
        {dir.file("link.rom"), RomFileVerdict::Known, "mon3.rom"},
        {dir.file("mystery.rom"), RomFileVerdict::Unknown, ""},
        {dir.file("odd.rom"), RomFileVerdict::NotRead, ""},
        {dir.file("pipe.rom"), RomFileVerdict::NotRead, ""},
        {dir.file("none.rom"), RomFileVerdict::NotRead, ""},
        {dir.path(), RomFileVerdict::NotRead, ""},
        {"/dev/zero", RomFileVerdict::NotRead, ""},
        {"", RomFileVerdict::NotRead, ""},
    };
    for (const auto& c : cases) {
        KnownRom found;
        EXPECT_EQ(RecogniseRomFile(c.path, kTable, found), c.verdict) << c.path;
        EXPECT_EQ(found.name, c.name) << c.path;
    }
}

TEST(RomRecogniser, MissingFolderIsNotRead) {
    TestTempDir dir;
    const RomScanResult r = ScanRomFolder(dir.file("none"), kTable);
    EXPECT_FALSE(r.folderRead);
    EXPECT_TRUE(r.recognised.empty() && r.unknown.empty() && r.skipped.empty());
    dir.write("file", "x");
    EXPECT_FALSE(ScanRomFolder(dir.file("file"), kTable).folderRead);
}

}  // namespace
