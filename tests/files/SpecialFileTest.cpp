// Named pipes and devices where a user's file is expected: every reader and
// writer refuses them at once instead of waiting for the other end.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <string>

#include "common/ConfigDocument.h"
#include "common/Files.h"
#include "common/IniFile.h"
#include "machine/pio/IifGPIO.h"
#include "machine/snapshot/Snapshot.h"
#include "machine/sound/SoundDriver.h"
#include "machine/storage/Pmd32.h"
#include "machine/storage/RaomModule.h"
#include "machine/storage/RomFile.h"
#include "machine/storage/SdCard.h"

namespace {

class SpecialFiles : public ::testing::Test {
protected:
    void SetUp() override {
        std::string templ = (std::filesystem::temp_directory_path() / "orvik-pipe-XXXXXX").string();
        std::vector<char> buf(templ.begin(), templ.end());
        buf.push_back('\0');
        ASSERT_NE(::mkdtemp(buf.data()), nullptr);
        dir = buf.data();
        pipe = dir + "/pipe";
        ASSERT_EQ(::mkfifo(pipe.c_str(), 0666), 0);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // Runs call and expects its answer within a second. Should it wait on the
    // pipe, the pipe is opened from here so that it returns, and the test fails.
    template <class R>
    R Promptly(const char* what, const std::function<R()>& call, const std::string& fifo) {
        auto answer = std::async(std::launch::async, call);
        if (answer.wait_for(std::chrono::seconds(1)) != std::future_status::ready) {
            ADD_FAILURE() << what << " waits on a named pipe";
            int fd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);  // both ends: releases it
            R r = answer.get();
            if (fd >= 0) ::close(fd);
            return r;
        }
        return answer.get();
    }

    std::string dir, pipe;
};

TEST_F(SpecialFiles, ReadersRefuseANamedPipe) {
    struct Case {
        const char* what;
        std::function<bool()> refused;
    };
    const std::string p = pipe;
    const Case cases[] = {
        {"ReadFilePart (monitor ROM)", [p] {
             uint8_t buf[16];
             return ReadFilePart(p, 0, buf, sizeof buf) == -1;
         }},
        {"ReadWholeFile", [p] {
             std::string text;
             return !ReadWholeFile(p, text);
         }},
        {"OpenRegularFile", [p] { return OpenRegularFile(p, O_RDONLY) == -1 && OpenRegularFile(p, O_RDWR) == -1; }},
        {"snapshot", [p] {
             uint8_t header[snapshot::HeaderSize];
             return LoadSnapshot(p, 0, header, nullptr, nullptr, nullptr) == SnapshotReadError;
         }},
        {"configuration", [p] {
             ConfigDocument doc;
             return doc.Open(p, "1") == ConfigDocument::OpenUnreadable;
         }},
        {"language file", [p] {
             IniFile ini;
             return !ini.Load(p);
         }},
        {"images.cfg", [p] {
             ImageGeometry g;
             return ReadImagesCfgFile(p, "a.p32", g) == kPmdCfgMissing;
         }},
        {"disk image", [p] {
             IifGPIO gpio;
             Pmd32 unit(gpio);
             return unit.MountImage(0, p, 0) == kPmdNotFound && unit.Drive(0).handle < 0;
         }},
        {"RAM-disk image", [p] {
             RaomModule raom(0);
             return !raom.OpenFile(p) && !raom.HasImage();
         }},
        {"ROM package file", [p] {
             int loaded = 0;
             RomFileList files{ROM_FILE{p, 2048, 0}};
             LoadRomFileList(files, 4, RomPageLoader([](void* o, int, int, const uint8_t*) {
                                 ++*static_cast<int*>(o);
                                 return true;
                             }, &loaded));
             return loaded == 0;
         }},
    };
    for (const Case& c : cases) EXPECT_TRUE(Promptly<bool>(c.what, c.refused, pipe)) << c.what;
}

TEST_F(SpecialFiles, WritersLeaveANamedPipeAlone) {
    struct Case {
        const char* what;
        std::function<bool()> refused;
    };
    const std::string p = pipe;
    const Case cases[] = {
        {"WriteFilePart", [p] { return WriteFilePart(p, 0, "x", 1, true) == -1 && WriteFilePart(p, 0, "x", 1, false) == -1; }},
        {"ReplaceFileContents", [p] { return !ReplaceFileContents(p, std::string("data")); }},
        {"CreateMediumFile", [p] { return !CreateMediumFile(p, 1024, 0xE5); }},
        {"WAV recording", [p] {
             const int volumes[2] = {90, 90};
             SoundDriver d(SoundDriver::NoDevice, 2, volumes);
             return !d.StartWaveRecording(p);
         }},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(Promptly<bool>(c.what, c.refused, pipe)) << c.what;
        struct stat st;
        ASSERT_EQ(::lstat(pipe.c_str(), &st), 0) << c.what;
        EXPECT_TRUE(S_ISFIFO(st.st_mode)) << c.what << ": the pipe was replaced";
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);  // no temporary file
}

// A device is no file either: reading /dev/zero would never end, writing
// /dev/null would lose the data.
TEST_F(SpecialFiles, DevicesAreRefused) {
    uint8_t buf[16];
    EXPECT_EQ(ReadFilePart("/dev/zero", 0, buf, sizeof buf), -1);
    std::string text;
    EXPECT_FALSE(ReadWholeFile("/dev/zero", text));
    EXPECT_EQ(WriteFilePart("/dev/null", 0, "x", 1, false), -1);
    EXPECT_FALSE(ReplaceFileContents("/dev/null", std::string("x")));
    struct stat st;
    ASSERT_EQ(::stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

}  // namespace
