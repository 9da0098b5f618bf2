// Writers on a full disk and in a read-only folder: each failure reaches the
// caller, the file that was there keeps its bytes and no temporary file stays
// (but the one of a recording's compaction, which stays beside it).
#include <functional>

#include "FilesFixture.h"
#include "common/Config.h"
#include "common/ConfigDocument.h"
#include "common/Files.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemoryModels.h"
#include "machine/recording/Recording.h"
#include "machine/screen/BmpFile.h"
#include "machine/snapshot/Snapshot.h"
#include "machine/sound/SoundDriver.h"
#include "machine/storage/RaomModule.h"
#if defined(ORVIK_WITH_TAPE_FILES)
#include "tools/tape/TapeFile.h"
#endif

using namespace testfs;

namespace {

const int kFull[6] = {100, 100, 100, 100, 100, 100};

bool SaveConfiguration(const std::string& path) {
    ConfigDocument doc;
    if (doc.Open(path, "1.0") != ConfigDocument::OpenOk) return false;
    ConfigRoot = doc.Root();
    WriteAttrString(ConfigSectionForWrite("Screen"), "x", "10");
    WriteAttrString(ConfigSectionForWrite("Screen"), "note", std::string(20000, 'n'));
    const bool saved = doc.Save();
    const bool released = doc.Release();
    ConfigRoot = pugi::xml_node();
    return saved || released;
}

bool SaveBmp(const std::string& path) {
    const Bytes pixels = Pattern(288 * 256, 3);
    const uint32_t palette[4] = {0x000000, 0xFF0000, 0x00FF00, 0xFFFFFF};
    return WriteBmp8(path, pixels.data(), 288, 256, 288, palette, 4) == 0;
}

bool SaveSnapshotFile(const std::string& path) {
    ChipMemory12 memory(4);
    memory.Reset();
    memory.EndBootMapping();
    const Bytes ram = Pattern(memory.GetRamSize(), 9);
    std::copy(ram.begin(), ram.end(), memory.GetRam());
    ChipCpu8080 cpu(memory);
    return SaveSnapshot(path, 0, 0, 0xFF, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &cpu,
                        memory.GetRomSize(), 0, 1) > 0;
}

bool CreateImage(const std::string& path) { return CreateMediumFile(path, 368640, 0xE5); }

// Records slices seconds of sound; true when the recording was saved.
bool RecordWave(const std::string& path, int slices) {
    SoundDriver d(SoundDriver::NoDevice, 2, kFull);
    if (!d.StartWaveRecording(path)) return false;
    int16_t out[SoundDriver::SliceFrames * 2];
    for (int i = 0; i < slices; ++i) {
        d.SetLevel(0, i & 1, 100);
        d.MixSlice();
        d.FillOutput(out, SoundDriver::SliceFrames);
    }
    return d.StopWaveRecording();
}

#if defined(ORVIK_WITH_TAPE_FILES)
// A tape file of one block made from a file outside the small file systems.
bool SaveTape(const std::string& path) {
    const std::string source = std::filesystem::temp_directory_path() / ("orvik-block-" + std::to_string(::getpid()));
    if (!WriteBytes(source, Pattern(3000, 5))) return false;
    TapeBlock block;
    const bool made = !MakeHeadlessBlock(source, block);
    const bool written = made && !WriteTapeFile(path, TapeBlockList{block}, TapeLayout::Ptp);
    std::filesystem::remove(source);
    return written;
}
#endif

struct Writer {
    const char* name;
    std::function<bool(const std::string&)> write;
};

const Writer kWriters[] = {
    {"Orvik.xml", SaveConfiguration},
    {"shot.bmp", SaveBmp},
    {"state.psn", SaveSnapshotFile},
    {"disk.p32", CreateImage},
    {"rec.wav", [](const std::string& p) { return RecordWave(p, 300); }},
#if defined(ORVIK_WITH_TAPE_FILES)
    {"games.ptp", SaveTape},
#endif
};

Bytes Original(const char* name) {
    if (std::string(name) == "Orvik.xml") {
        std::string xml = "<Orvik version=\"1.0\">\n  <General/>\n  <!-- " + std::string(3000, 'c') +
                          " -->\n  <Screen x=\"1\" y=\"2\"/>\n</Orvik>\n";
        return Bytes(xml.begin(), xml.end());
    }
    return Pattern(5000, static_cast<unsigned>(name[0]));
}

}  // namespace

TEST_F(SmallFilesystem, EveryWriterFailsWithoutHarmOnAFullDisk) {
    for (const Writer& w : kWriters) fs.Place(w.name, Original(w.name));
    fs.FillUp();
    const auto before = Names(fs.full);
    for (const Writer& w : kWriters) {
        SCOPED_TRACE(w.name);
        const std::string path = fs.full + "/" + w.name;
        EXPECT_FALSE(w.write(path));
        EXPECT_EQ(ReadBytes(path), Original(w.name));
        EXPECT_EQ(Names(fs.full), before);
    }
}

TEST_F(SmallFilesystem, EveryWriterFailsWithoutHarmInAReadOnlyFolder) {
    for (const Writer& w : kWriters) fs.Place(w.name, Original(w.name));
    fs.MakeReadOnly();
    for (const Writer& w : kWriters) {
        SCOPED_TRACE(w.name);
        const std::string path = fs.readOnly + "/" + w.name;
        EXPECT_FALSE(w.write(path));
        EXPECT_EQ(ReadBytes(path), Original(w.name));
    }
    // New files cannot be made there either, and saying so is the answer.
    EXPECT_FALSE(SaveBmp(fs.readOnly + "/new.bmp"));
    EXPECT_FALSE(RecordWave(fs.readOnly + "/new.wav", 10));
    EXPECT_FALSE(CreateImage(fs.readOnly + "/new.p32"));
}

// With room for the header but not for the sound, the recording starts and
// its end reports the failure; the old recording stays.
TEST_F(SmallFilesystem, RecordingThatRunsOutOfRoomIsReported) {
    const std::string path = fs.full + "/rec.wav";
    fs.Place("rec.wav", Original("rec.wav"));
    fs.FillUp();
    fs.Free(16384);
    const auto before = Names(fs.full);
    SoundDriver d(SoundDriver::NoDevice, 2, kFull);
    ASSERT_TRUE(d.StartWaveRecording(path));
    int16_t out[SoundDriver::SliceFrames * 2];
    for (int i = 0; i < 400; ++i) {  // 140 KB of sound
        d.MixSlice();
        d.FillOutput(out, SoundDriver::SliceFrames);
    }
    EXPECT_FALSE(d.StopWaveRecording());
    EXPECT_EQ(ReadBytes(path), Original("rec.wav"));
    EXPECT_EQ(Names(fs.full), before);
    // Once there is room again a recording is saved whole.
    fs.Free(fs.fillerSize);
    EXPECT_TRUE(RecordWave(path, 10));
    EXPECT_EQ(ReadBytes(path).size(), 44u + 10 * 352);
}

// A recording compacted on a full disk: the compaction fails, the recording
// keeps every byte and the temporary file with what was copied stays beside it.
TEST_F(SmallFilesystem, RecordingCompactionOutOfRoomKeepsTheRecording) {
    const std::string prc = fs.full + "/game.prc";
    const std::string snap = fs.full + "/start.psn";
    ASSERT_TRUE(WriteBytes(snap, Pattern(3000, 4)));
    Recording r(prc, Recording::ModeCreate, nullptr);
    r.AddSnapshot(snap, 1, 0);
    uint32_t x = 12345;  // bytes that do not pack
    for (int i = 0; i < 60000; ++i) {
        x = x * 1103515245u + 12345u;
        r.WriteByte(static_cast<uint8_t>(x >> 16));
    }
    r.AddSnapshot(snap, 1, 0);
    r.WriteByte(1);
    r.Flush(1);
    ASSERT_TRUE(r.IsRecording());
    fs.FillUp();
    const Bytes before = ReadBytes(prc);
    const auto names = Names(fs.full);
    EXPECT_EQ(r.Compact(), Recording::StateFailed);
    EXPECT_EQ(r.GetErrorCode(), Recording::ErrorWrite);
    EXPECT_EQ(ReadBytes(prc), before);
    std::vector<std::string> added;
    for (const std::string& n : Names(fs.full))
        if (std::find(names.begin(), names.end(), n) == names.end()) added.push_back(n);
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0].compare(0, 8, "game.prc"), 0) << added[0];
    EXPECT_EQ(added[0].substr(added[0].size() - 4), ".tmp") << added[0];
}

// A RAM-disk image with holes cannot take the module's writes on a full disk:
// closing it says so, and the image keeps its bytes.
TEST_F(SmallFilesystem, RamDiskWriteBackFailureIsReported) {
    const std::string path = fs.full + "/raom.img";
    {
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, 196608), 0);  // no data blocks yet
        ::close(fd);
    }
    fs.FillUp();
    RaomModule raom(0);
    ASSERT_TRUE(raom.OpenFile(path));
    // 8255 mode 0, ports A, B, C out; address 10000h (the RAM disk's first byte).
    raom.WritePort(0x9B, 0x80, 0);
    raom.WritePort(0x98, 0x00, 0);
    raom.WritePort(0x99, 0x00, 0);
    raom.WritePort(0x9A, 0x01, 0);
    raom.WritePort(0x88, 0x42, 0);
    EXPECT_FALSE(raom.CloseFile());
    EXPECT_TRUE(raom.WriteFailed());
    EXPECT_EQ(ReadBytes(path), Bytes(196608, 0));
}

// The same writers where there is room: each succeeds and replaces the file.
TEST(Writers, SucceedWithRoom) {
    std::string templ = (std::filesystem::temp_directory_path() / "orvik-room-XXXXXX").string();
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    ASSERT_NE(::mkdtemp(buf.data()), nullptr);
    const std::string dir = buf.data();
    for (const Writer& w : kWriters) {
        SCOPED_TRACE(w.name);
        const std::string path = dir + "/" + w.name;
        ASSERT_TRUE(WriteBytes(path, Original(w.name)));
        EXPECT_TRUE(w.write(path));
        EXPECT_NE(ReadBytes(path), Original(w.name));
    }
    EXPECT_EQ(Names(dir).size(), std::size(kWriters));  // no temporary file left
    std::filesystem::remove_all(dir);
}
