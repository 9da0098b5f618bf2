#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "common/Rle.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemoryModels.h"
#include "machine/recording/Recording.h"
#include "tests/common/TestTempDir.h"

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }
std::string ToString(const Bytes& b) { return std::string(b.begin(), b.end()); }

void Put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t Get32(const Bytes& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t Get16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

Bytes Header() { return ToBytes(std::string("PRC\x01", 4)); }

void AppendBlock(Bytes& file, uint8_t type, const Bytes& content) {
    const size_t at = file.size();
    file.resize(at + 5);
    file[at] = type;
    Put32(file, at + 1, static_cast<uint32_t>(content.size() + 5));
    file.insert(file.end(), content.begin(), content.end());
}

// A chunk as the file format gives it: counter, raw length, packed length, zlib stream.
Bytes Chunk(const Bytes& raw, uint16_t counter = 0) {
    uLongf n = compressBound(raw.size());
    Bytes z(n);
    EXPECT_EQ(compress(z.data(), &n, raw.data(), raw.size()), Z_OK);
    Bytes c(6 + n);
    const uint16_t fields[3] = {counter, static_cast<uint16_t>(raw.size()), static_cast<uint16_t>(n)};
    for (int i = 0; i < 3; ++i) {
        c[2 * i] = static_cast<uint8_t>(fields[i]);
        c[2 * i + 1] = static_cast<uint8_t>(fields[i] >> 8);
    }
    std::memcpy(c.data() + 6, z.data(), n);
    return c;
}

Bytes ActionContent(const std::vector<Bytes>& chunks) {
    Bytes c(4);
    Put32(c, 0, static_cast<uint32_t>(chunks.size()));
    for (const Bytes& ch : chunks) {
        Bytes packed = Chunk(ch);
        c.insert(c.end(), packed.begin(), packed.end());
    }
    return c;
}

Bytes ExternalName(const std::string& name) {
    Bytes b = ToBytes(name);
    b.push_back(0);
    return b;
}

// Every IN byte a recording hands back until its playback ends.
Bytes PlayAll(const std::string& path, int32_t* finalState = nullptr, int32_t* error = nullptr) {
    Recording r(path, Recording::ModePlayback, nullptr);
    Bytes out;
    // A byte read while the playback goes on is data; the read that ends it gives FFh.
    while (r.GetState() == Recording::StatePlayingBack && out.size() < 2000000) {
        const uint8_t v = r.ReadByte();
        if (r.GetState() == Recording::StatePlayingBack) out.push_back(v);
    }
    if (finalState) *finalState = r.GetState();
    if (error) *error = r.GetErrorCode();
    return out;
}

Bytes Sequence(size_t n, uint32_t seed) {
    Bytes b(n);
    uint32_t x = seed;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        b[i] = static_cast<uint8_t>((x >> 16) % 7 == 0 ? x >> 24 : i % 3);
    }
    return b;
}

std::set<std::string> Listing(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(folder)) names.insert(e.path().string());
    return names;
}

class RecordingTest : public ::testing::Test {
protected:
    TestTempDir dir;
    std::string prc = dir.file("game.prc");
    std::string snap = dir.file("start.psn");
    void SetUp() override { dir.write("start.psn", "PSN-START-STATE"); }
    // A snapshot file for a save point, written where the recording names it.
    void AddSave(Recording& r, uint8_t embedded, const std::string& content) {
        const std::string name = r.NextSnapshotFileName();
        dir.write(fs::path(name).filename().string(), content);
        r.AddSnapshot(name, embedded, 1);
    }
    static void Write(Recording& r, const Bytes& bytes) {
        for (uint8_t b : bytes) r.WriteByte(b);
    }
};

TEST_F(RecordingTest, NewRecordingWithoutInputIsHeaderAndOneSnapshot) {
    {
        Recording r(prc, Recording::ModeCreate, nullptr);
        ASSERT_EQ(r.GetState(), Recording::StateRecordingNew);
        EXPECT_EQ(dir.read("game.prc"), std::string("PRC\x01", 4));
        r.AddSnapshot(snap, 1, 0);
        r.Close();
        EXPECT_EQ(r.GetState(), Recording::StateClosed);
    }
    Bytes expected = Header();
    AppendBlock(expected, 0x10, ToBytes("PSN-START-STATE"));
    EXPECT_EQ(dir.read("game.prc"), ToString(expected));
    EXPECT_TRUE(dir.exists("start.psn"));  // not deleted when not asked

    Recording p(prc, Recording::ModePlayback, nullptr);
    ASSERT_EQ(p.GetState(), Recording::StatePlayingBack);
    int32_t offset = -1;
    std::string name;
    p.GetSnapshot(0, offset, name);
    EXPECT_EQ(offset, 4 + 5);
    EXPECT_EQ(name, prc);
    p.GetSnapshot(1, offset, name);
    EXPECT_EQ(offset, 0);
    EXPECT_EQ(name, "");
    EXPECT_EQ(p.ReadByte(), 0xFF);  // no actions: first IN ends the playback
    EXPECT_EQ(p.GetState(), Recording::StateClosed);
}

TEST_F(RecordingTest, SnapshotFileNamesCountSnapshotBlocks) {
    Recording r(prc, Recording::ModeCreate, nullptr);
    EXPECT_EQ(r.NextSnapshotFileName(), prc + "-0.psn");
    AddSave(r, 1, "S0");
    EXPECT_FALSE(fs::exists(prc + "-0.psn"));  // embedded and deleted
    EXPECT_EQ(r.NextSnapshotFileName(), prc + "-1.psn");
    r.WriteByte(1);
    AddSave(r, 0, "S1");
    EXPECT_TRUE(fs::exists(prc + "-1.psn"));  // external: stays beside the recording
    EXPECT_EQ(r.NextSnapshotFileName(), prc + "-2.psn");
    r.Close();
    Bytes file = ToBytes(dir.read("game.prc"));
    // The last block names the external file without its folder.
    const Bytes tail = ExternalName("game.prc-1.psn");
    ASSERT_GT(file.size(), tail.size() + 5);
    EXPECT_EQ(file[file.size() - tail.size() - 5], 0x11);
    EXPECT_EQ(Get32(file, file.size() - tail.size() - 4), tail.size() + 5);
    EXPECT_EQ(Bytes(file.end() - static_cast<long>(tail.size()), file.end()), tail);
}

TEST_F(RecordingTest, PlaybackGivesTheRecordedBytesAcrossSavePoints) {
    const Bytes first = Sequence(70000, 1), second = Sequence(1234, 2);
    {
        Recording r(prc, Recording::ModeCreate, nullptr);
        r.AddSnapshot(snap, 1, 0);
        Write(r, first);
        r.Flush(0);
        AddSave(r, 1, "SAVE1");
        Write(r, second);
        r.Close();
    }
    Bytes expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    int32_t finalState = 0;
    EXPECT_EQ(PlayAll(prc, &finalState), expected);
    EXPECT_EQ(finalState, Recording::StateClosed);
}

TEST_F(RecordingTest, FullChunkIsWrittenAtOnceAndTheNextByteStartsAnother) {
    ChipMemory12 memory(4);
    ChipCpu8080 cpu(memory);
    Recording r(prc, Recording::ModeCreate, &cpu);
    r.AddSnapshot(snap, 1, 0);
    const size_t afterSnapshot = dir.read("game.prc").size();
    cpu.InstructionCounter = 0x12345;
    Write(r, Bytes(65503, 0x5A));
    EXPECT_EQ(cpu.InstructionCounter, 0u);  // read and cleared by the chunk
    Bytes file = ToBytes(dir.read("game.prc"));
    ASSERT_GE(file.size(), afterSnapshot + 9 + 6);
    EXPECT_EQ(file[afterSnapshot], 0x80);
    EXPECT_EQ(Get16(file, afterSnapshot + 9), 0x2345);      // low 16 bits of the counter
    EXPECT_EQ(Get16(file, afterSnapshot + 9 + 2), 65503);   // raw length
    const uint16_t p = Get16(file, afterSnapshot + 9 + 4);
    EXPECT_EQ(file.size(), afterSnapshot + 9 + 6 + p);
    r.WriteByte(7);
    r.Close();
    file = ToBytes(dir.read("game.prc"));
    EXPECT_EQ(Get32(file, afterSnapshot + 5), 2u);  // two chunks in the same block
    EXPECT_EQ(Get32(file, afterSnapshot + 1), file.size() - afterSnapshot);
    const size_t second = afterSnapshot + 9 + 6 + p;
    EXPECT_EQ(Get16(file, second + 2), 1);
}

TEST_F(RecordingTest, SavePointWithoutInputInBetweenIsAddedOnce) {
    Recording r(prc, Recording::ModeCreate, nullptr);
    r.AddSnapshot(snap, 1, 0);
    r.WriteByte(3);
    AddSave(r, 1, "A");
    const std::string second = r.NextSnapshotFileName();
    dir.write(fs::path(second).filename().string(), "B");
    r.AddSnapshot(second, 1, 1);
    EXPECT_TRUE(fs::exists(second));  // dropped, so not deleted
    EXPECT_EQ(r.GetSnapshotCount(), 2);
    ASSERT_EQ(r.GetBlockList().size(), 3u);
}

TEST_F(RecordingTest, RollbackWalksBackThroughTheSavePoints) {
    Recording r(prc, Recording::ModeCreate, nullptr);
    r.AddSnapshot(snap, 1, 0);
    Write(r, Bytes{1, 2, 3});
    AddSave(r, 0, "SECOND");
    const std::string second = prc + "-1.psn";
    Write(r, Bytes{4, 5});
    ASSERT_TRUE(fs::exists(second));

    int32_t offset = -1;
    uint8_t removed = 9;
    std::string name;
    // Drops the last actions, returns the second snapshot.
    EXPECT_EQ(r.RollbackToLastSnapshot(offset, removed, name), second);
    EXPECT_EQ(name, second);
    EXPECT_EQ(offset, 0);
    EXPECT_EQ(removed, 0);
    ASSERT_EQ(r.GetBlockList().size(), 3u);
    const PRC_BLOCK_ITEM& s = r.GetBlockList().back();
    EXPECT_EQ(dir.read("game.prc").size(), s.FileOffset + s.Length);  // file cut after it
    EXPECT_TRUE(fs::exists(second));

    // Again: drops the second snapshot (and its file) and the actions before it.
    r.RollbackToLastSnapshot(offset, removed, name);
    EXPECT_EQ(name, prc);
    EXPECT_EQ(offset, 9);
    EXPECT_EQ(removed, 1);
    EXPECT_FALSE(fs::exists(second));
    EXPECT_EQ(r.GetSnapshotCount(), 1);
    EXPECT_EQ(r.GetBlockList().size(), 1u);

    // Again: the starting snapshot, unchanged.
    r.RollbackToLastSnapshot(offset, removed, name);
    EXPECT_EQ(name, prc);
    EXPECT_EQ(removed, 0);
    EXPECT_EQ(r.GetBlockList().size(), 1u);
    Bytes expected = Header();
    AppendBlock(expected, 0x10, ToBytes("PSN-START-STATE"));
    EXPECT_EQ(dir.read("game.prc"), ToString(expected));

    // Recording goes on after the rollback.
    Write(r, Bytes{9, 8});
    r.Close();
    EXPECT_EQ(PlayAll(prc), (Bytes{9, 8}));
}

TEST_F(RecordingTest, CompactionKeepsFirstSnapshotAndActionsRenamedOverTheOriginal) {
    const Bytes a = Sequence(5000, 5), b = Sequence(300, 6);
    Recording r(prc, Recording::ModeCreate, nullptr);
    r.AddSnapshot(snap, 1, 0);
    Write(r, a);
    AddSave(r, 1, "MIDDLE");
    Write(r, b);
    AddSave(r, 1, "END");
    ASSERT_EQ(r.GetBlockList().size(), 5u);
    Bytes expectedPlay = a;
    expectedPlay.insert(expectedPlay.end(), b.begin(), b.end());
    ASSERT_EQ(PlayAll(prc), expectedPlay);

    const Bytes before = ToBytes(dir.read("game.prc"));
    fs::create_hard_link(prc, dir.file("old-link.prc"));
    const auto blocks = r.GetBlockList();
    EXPECT_EQ(r.Compact(), 0);
    EXPECT_EQ(r.GetState(), Recording::StateClosed);

    Bytes expected = Header();
    for (const PRC_BLOCK_ITEM& item : {blocks[0], blocks[1], blocks[3]})
        expected.insert(expected.end(), before.begin() + item.FileOffset,
                        before.begin() + item.FileOffset + item.Length);
    EXPECT_EQ(dir.read("game.prc"), ToString(expected));
    EXPECT_EQ(PlayAll(prc), expectedPlay);
    // The original file was replaced by a rename, not rewritten or removed first.
    EXPECT_EQ(dir.read("old-link.prc"), ToString(before));
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_NE(e.path().extension(), ".tmp") << e.path();
    // A compacted recording ends with actions, so it cannot be continued.
    Recording c(prc, Recording::ModeAppend, nullptr);
    EXPECT_EQ(c.GetState(), Recording::StateFailed);
    EXPECT_EQ(c.GetErrorCode(), Recording::ErrorNoSnapshotAtEnd);
}

// A compaction that cannot put its copy in place leaves the recording as it
// was and the whole compacted copy beside it.
TEST_F(RecordingTest, FailedCompactionKeepsTheRecordingAndTheCopyBesideIt) {
    const Bytes a = Sequence(3000, 7), b = Sequence(200, 8);
    Recording r(prc, Recording::ModeCreate, nullptr);
    r.AddSnapshot(snap, 1, 0);
    Write(r, a);
    AddSave(r, 1, "MIDDLE");
    Write(r, b);
    r.Flush(1);
    const Bytes before = ToBytes(dir.read("game.prc"));
    const auto blocks = r.GetBlockList();
    ASSERT_EQ(blocks.size(), 4u);
    // The recording's name now stands for a folder: the rename cannot replace it.
    const std::string moved = dir.file("moved.prc");
    fs::rename(prc, moved);
    fs::create_directory(prc);
    EXPECT_EQ(r.Compact(), Recording::StateFailed);
    EXPECT_EQ(r.GetErrorCode(), Recording::ErrorWrite);
    EXPECT_EQ(dir.read("moved.prc"), ToString(before)) << "the recording is unchanged";
    std::vector<fs::path> temps;
    for (const auto& e : fs::directory_iterator(dir.path()))
        if (e.path().extension() == ".tmp") temps.push_back(e.path());
    ASSERT_EQ(temps.size(), 1u) << "the copy stays beside the recording";
    const std::string name = temps[0].filename().string();
    EXPECT_EQ(name.compare(0, 8, "game.prc"), 0) << name;
    Bytes expected = Header();
    for (const PRC_BLOCK_ITEM& item : {blocks[0], blocks[1], blocks[3]})
        expected.insert(expected.end(), before.begin() + item.FileOffset,
                        before.begin() + item.FileOffset + item.Length);
    EXPECT_EQ(dir.read(name), ToString(expected));
    Bytes played = a;
    played.insert(played.end(), b.begin(), b.end());
    EXPECT_EQ(PlayAll(temps[0].string()), played);
    EXPECT_EQ(PlayAll(moved), played);
}

TEST_F(RecordingTest, AppendContinuesAfterTheLastSnapshot) {
    {
        Recording r(prc, Recording::ModeCreate, nullptr);
        r.AddSnapshot(snap, 1, 0);
        Write(r, Bytes{1, 2});
        AddSave(r, 1, "END");
        r.Close();
    }
    {
        Recording r(prc, Recording::ModeAppend, nullptr);
        ASSERT_EQ(r.GetState(), Recording::StateRecordingAppend);
        EXPECT_EQ(r.GetSnapshotCount(), 2);
        int32_t offset = 0;
        std::string name;
        r.GetSnapshot(r.GetSnapshotCount() - 1, offset, name);
        EXPECT_EQ(name, prc);
        EXPECT_GT(offset, 9);
        Write(r, Bytes{3, 4, 5});
        r.Close();
    }
    EXPECT_EQ(PlayAll(prc), (Bytes{1, 2, 3, 4, 5}));
}

TEST_F(RecordingTest, OpeningErrors) {
    struct Case {
        const char* what;
        Bytes content;
        int32_t mode;
        int32_t code;
    };
    Bytes onlyActions = Header();
    AppendBlock(onlyActions, 0x80, ActionContent({{1}}));
    Bytes missingExternal = Header();
    AppendBlock(missingExternal, 0x11, ExternalName("gone.psn"));
    const std::vector<Case> cases = {
        {"not PRC", ToBytes(std::string("PRD\x01", 4)), Recording::ModePlayback, 3},
        {"version 2", ToBytes(std::string("PRC\x02", 4)), Recording::ModePlayback, 4},
        {"short header", ToBytes("PR"), Recording::ModePlayback, 1},
        {"empty for append", Header(), Recording::ModeAppend, 5},
        {"actions last for append", onlyActions, Recording::ModeAppend, 5},
        {"no starting snapshot", onlyActions, Recording::ModePlayback, 1},
        {"external file missing", missingExternal, Recording::ModePlayback, 1},
    };
    for (const Case& c : cases) {
        dir.write("bad.prc", ToString(c.content));
        Recording r(dir.file("bad.prc"), c.mode, nullptr);
        EXPECT_EQ(r.GetState(), Recording::StateFailed) << c.what;
        EXPECT_EQ(r.GetErrorCode(), c.code) << c.what;
        EXPECT_EQ(r.ReadByte(), 0xFF) << c.what;
    }
    Recording missing(dir.file("nothing.prc"), Recording::ModePlayback, nullptr);
    EXPECT_EQ(missing.GetState(), Recording::StateFailed);
    EXPECT_EQ(missing.GetErrorCode(), 1);
    EXPECT_FALSE(dir.exists("nothing.prc"));
}

// Hostile files: each is refused with an error code, and nothing outside the
// recording's folder (nor the victim inside it) is touched.
TEST_F(RecordingTest, HostileFilesAreRefusedAndTouchNothing) {
    fs::create_directories(dir.file("rec"));
    fs::create_directories(dir.file("watched"));
    dir.write("watched/victim.psn", "VICTIM");
    dir.write("rec/x.psn", "X");
    const std::string longName(256, 'a');
    auto withExternal = [&](const Bytes& nameBytes) {
        Bytes f = Header();
        AppendBlock(f, 0x10, ToBytes("S0"));
        AppendBlock(f, 0x80, ActionContent({{1, 2}}));
        AppendBlock(f, 0x11, nameBytes);
        return f;
    };
    auto rawBlock = [&](uint8_t type, uint32_t length, const Bytes& rest) {
        Bytes f = Header();
        AppendBlock(f, 0x10, ToBytes("S0"));
        const size_t at = f.size();
        f.resize(at + 5);
        f[at] = type;
        Put32(f, at + 1, length);
        f.insert(f.end(), rest.begin(), rest.end());
        return f;
    };
    Bytes noNul = ToBytes("x.psn");
    Bytes nulInside = ToBytes(std::string("x.psn\0zz", 8));
    nulInside.push_back(0);
    Bytes zeroCountLong = rawBlock(0x80, 9 + 20, Bytes(4 + 20, 0));
    Bytes zeroCountShort = rawBlock(0x80, 9, Bytes(4, 0));
    struct Case {
        const char* what;
        Bytes file;
    };
    const std::vector<Case> cases = {
        {"parent folder", withExternal(ExternalName("../watched/victim.psn"))},
        {"absolute path", withExternal(ExternalName(dir.file("watched/victim.psn")))},
        {"sub folder", withExternal(ExternalName("sub/x.psn"))},
        {"backslash", withExternal(ExternalName("..\\watched\\victim.psn"))},
        {"dot dot", withExternal(ExternalName(".."))},
        {"over-long", withExternal(ExternalName(longName))},
        {"missing NUL", withExternal(noNul)},
        {"NUL inside", withExternal(nulInside)},
        {"empty name", withExternal(ExternalName(""))},
        {"huge length", rawBlock(0x80, 0xFFFFFFFFu, Bytes(4, 1))},
        {"length past 2 GiB", rawBlock(0x10, 0x80000005u, Bytes(4, 1))},
        {"length wrapping to the start", rawBlock(0x10, 0xFFFFFFFCu, Bytes(4, 1))},
        {"length zero", rawBlock(0x10, 0, Bytes(4, 1))},
        {"length below 5", rawBlock(0x77, 4, {})},
        {"action block below 9", rawBlock(0x80, 8, Bytes(3, 1))},
        {"chunk count zero", zeroCountLong},
        {"chunk count zero, nothing after", zeroCountShort},
    };
    for (const Case& c : cases) {
        const auto before = Listing(dir.path());
        const std::string victimBefore = dir.read("watched/victim.psn");
        dir.write("rec/bad.prc", ToString(c.file));
        const auto withFile = Listing(dir.path());
        for (int32_t mode : {Recording::ModeAppend, Recording::ModePlayback}) {
            Recording r(dir.file("rec/bad.prc"), mode, nullptr);
            EXPECT_EQ(r.GetState(), Recording::StateFailed) << c.what << " mode " << mode;
            EXPECT_EQ(r.GetErrorCode(), 1) << c.what << " mode " << mode;
            int32_t offset = 0;
            uint8_t removed = 0;
            std::string name;
            r.RollbackToLastSnapshot(offset, removed, name);
            r.AddSnapshot(dir.file("rec/x.psn"), 0, 0);
            EXPECT_EQ(r.Compact(), Recording::StateFailed) << c.what;
            EXPECT_EQ(r.ReadByte(), 0xFF);
        }
        EXPECT_EQ(Listing(dir.path()), withFile) << c.what;
        EXPECT_EQ(dir.read("watched/victim.psn"), victimBefore) << c.what;
        fs::remove(dir.file("rec/bad.prc"));
        EXPECT_EQ(Listing(dir.path()), before) << c.what;
    }
}

TEST_F(RecordingTest, DamagedChunksEndPlaybackWithErrorOne) {
    auto fileWith = [&](const Bytes& chunkBytes, uint32_t count) {
        Bytes f = Header();
        AppendBlock(f, 0x10, ToBytes("S0"));
        Bytes content(4);
        Put32(content, 0, count);
        content.insert(content.end(), chunkBytes.begin(), chunkBytes.end());
        AppendBlock(f, 0x80, content);
        return f;
    };
    Bytes rawZero = Chunk({1, 2, 3});
    rawZero[2] = rawZero[3] = 0;
    Bytes wrongRaw = Chunk({1, 2, 3});
    wrongRaw[2] = 4;
    Bytes packedPastBlock = Chunk({1, 2, 3});
    packedPastBlock[4] = 0xFF;
    Bytes garbage = Chunk({1, 2, 3});
    for (size_t i = 6; i < garbage.size(); ++i) garbage[i] ^= 0x5A;
    struct Case {
        const char* what;
        Bytes file;
        size_t goodBytes;
    };
    const std::vector<Case> cases = {
        {"raw length zero", fileWith(rawZero, 1), 0},
        {"raw length differs", fileWith(wrongRaw, 1), 0},
        {"packed length past the block", fileWith(packedPastBlock, 1), 0},
        {"not a zlib stream", fileWith(garbage, 1), 0},
        {"more chunks counted than stored", fileWith(Chunk({7, 8}), 2), 2},
    };
    for (const Case& c : cases) {
        dir.write("bad.prc", ToString(c.file));
        int32_t finalState = 0, error = 0;
        const Bytes got = PlayAll(dir.file("bad.prc"), &finalState, &error);
        EXPECT_EQ(finalState, Recording::StateFailed) << c.what;
        EXPECT_EQ(error, 1) << c.what;
        EXPECT_LE(got.size(), c.goodBytes + 1) << c.what;
    }
}

TEST_F(RecordingTest, TruncatedAtEveryOffsetGivesAnErrorOrAWholeBlockPrefix) {
    {
        Recording r(prc, Recording::ModeCreate, nullptr);
        r.AddSnapshot(snap, 1, 0);
        Write(r, Bytes{1, 2, 3, 4});
        AddSave(r, 1, "MID");
        Write(r, Bytes{5, 6});
        r.Close();
    }
    const Bytes whole = ToBytes(dir.read("game.prc"));
    std::set<size_t> boundaries;
    {
        Recording r(prc, Recording::ModePlayback, nullptr);
        ASSERT_EQ(r.GetBlockList().size(), 4u);
        for (const PRC_BLOCK_ITEM& b : r.GetBlockList()) boundaries.insert(b.FileOffset + b.Length);
    }
    const auto before = Listing(dir.path());
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        dir.write("cut.prc", ToString(Bytes(whole.begin(), whole.begin() + static_cast<long>(cut))));
        int32_t finalState = 0, error = 0;
        const Bytes got = PlayAll(dir.file("cut.prc"), &finalState, &error);
        if (boundaries.count(cut)) {
            EXPECT_EQ(finalState, Recording::StateClosed) << cut;
        } else {
            EXPECT_EQ(finalState, Recording::StateFailed) << cut;
            EXPECT_EQ(error, 1) << cut;
            EXPECT_TRUE(got.empty()) << cut;
        }
        if (!boundaries.count(cut)) {
            Recording append(dir.file("cut.prc"), Recording::ModeAppend, nullptr);
            EXPECT_EQ(append.GetState(), Recording::StateFailed) << cut;
        }
    }
    fs::remove(dir.file("cut.prc"));
    EXPECT_EQ(Listing(dir.path()), before);
}

TEST_F(RecordingTest, UnclosedRecordingPlaysBackToItsLastFlush) {
    const Bytes flushed = Sequence(3000, 9);
    Bytes copy;
    {
        Recording r(prc, Recording::ModeCreate, nullptr);
        r.AddSnapshot(snap, 1, 0);
        Write(r, Bytes{42});
        r.Flush(0);
        Write(r, Bytes(flushed.begin() + 1, flushed.end()));
        r.Flush(0);  // the periodic flush, without closing the block
        Write(r, Bytes{99, 98});  // lost with the process
        copy = ToBytes(dir.read("game.prc"));  // what is on disk if the process dies now
    }
    // The action block's header already covers both flushed chunks.
    const size_t block = 4 + 5 + std::string("PSN-START-STATE").size();
    ASSERT_GT(copy.size(), block + 9);
    EXPECT_EQ(copy[block], 0x80);
    EXPECT_EQ(Get32(copy, block + 1), copy.size() - block);
    EXPECT_EQ(Get32(copy, block + 5), 2u);
    dir.write("killed.prc", ToString(copy));
    Bytes expected = {42};
    expected.insert(expected.end(), flushed.begin() + 1, flushed.end());
    int32_t finalState = 0;
    EXPECT_EQ(PlayAll(dir.file("killed.prc"), &finalState), expected);
    EXPECT_EQ(finalState, Recording::StateClosed);
}

TEST_F(RecordingTest, ProvisionalActionHeaderIsReadUpToItsLastWholeChunk) {
    Bytes f = Header();
    AppendBlock(f, 0x10, ToBytes("S0"));
    const size_t at = f.size();
    AppendBlock(f, 0x80, ActionContent({{1, 2, 3}, {4, 5}}));
    Put32(f, at + 1, 9);  // header never finished: length 9, no chunks
    Put32(f, at + 5, 0);
    dir.write("old.prc", ToString(f));
    EXPECT_EQ(PlayAll(dir.file("old.prc")), (Bytes{1, 2, 3, 4, 5}));
    // The same with the last chunk cut short: that chunk is left out... and the rest refused.
    f.resize(f.size() - 2);
    dir.write("old.prc", ToString(f));
    int32_t finalState = 0;
    PlayAll(dir.file("old.prc"), &finalState);
    EXPECT_EQ(finalState, Recording::StateFailed);
}

TEST_F(RecordingTest, ExternalSnapshotFromAnotherFolderIsCopiedBeside) {
    fs::create_directories(dir.file("rec"));
    const std::string rec = dir.file("rec/game.prc");
    {
        Recording r(rec, Recording::ModeCreate, nullptr);
        r.AddSnapshot(snap, 0, 0);
        ASSERT_EQ(r.GetState(), Recording::StateRecordingNew);
        int32_t offset = 0;
        std::string name;
        r.GetSnapshot(0, offset, name);
        EXPECT_EQ(name, rec + "-0.psn");
        EXPECT_EQ(dir.read("rec/game.prc-0.psn"), "PSN-START-STATE");
        r.WriteByte(5);
        r.Close();
    }
    EXPECT_TRUE(dir.exists("start.psn"));
    EXPECT_EQ(PlayAll(rec), (Bytes{5}));
}

TEST_F(RecordingTest, DiscardRemovesTheFileAndItsCopies) {
    fs::create_directories(dir.file("rec"));
    const std::string rec = dir.file("rec/new.prc");
    Recording r(rec, Recording::ModeCreate, nullptr);
    r.AddSnapshot(snap, 0, 0);
    ASSERT_TRUE(dir.exists("rec/new.prc-0.psn"));
    r.Discard();
    EXPECT_FALSE(dir.exists("rec/new.prc"));
    EXPECT_FALSE(dir.exists("rec/new.prc-0.psn"));
    EXPECT_TRUE(dir.exists("start.psn"));
    EXPECT_EQ(r.GetState(), Recording::StateClosed);
}

TEST_F(RecordingTest, RollbackDeletesOnlyItsOwnNumberedFiles) {
    dir.write("keep.psn", "USER");
    Bytes f = Header();
    AppendBlock(f, 0x10, ToBytes("S0"));
    AppendBlock(f, 0x80, ActionContent({{1}}));
    AppendBlock(f, 0x11, ExternalName("keep.psn"));
    dir.write("game.prc", ToString(f));
    Recording r(prc, Recording::ModeAppend, nullptr);
    ASSERT_EQ(r.GetState(), Recording::StateRecordingAppend);
    int32_t offset = 0;
    uint8_t removed = 0;
    std::string name;
    r.RollbackToLastSnapshot(offset, removed, name);
    EXPECT_EQ(removed, 1);
    EXPECT_EQ(name, prc);
    EXPECT_EQ(dir.read("keep.psn"), "USER");
}

// A snapshot record built by hand: header fields at their offsets, then the
// ROM block and the banks in order.
struct HandSnapshot {
    Bytes header;
    Bytes body;
    HandSnapshot(int version, int model) : header(version == 2 ? 124 : 56, 0) {
        std::memcpy(header.data(), "PSN", 3);
        header[3] = static_cast<uint8_t>(version);
        header[4] = static_cast<uint8_t>(header.size());
        header[6] = static_cast<uint8_t>(model);
        if (version == 2) {
            header[56] = 0xFF;
            header[57] = 0xFF;
            header[82] = 0xFF;
            header[115] = 0xFF;
        }
    }
    void Block(int lengthOffset, const Bytes& stored, uint16_t flag = 0) {
        const uint16_t v = static_cast<uint16_t>(stored.size() | flag);
        header[lengthOffset] = static_cast<uint8_t>(v);
        header[lengthOffset + 1] = static_cast<uint8_t>(v >> 8);
        body.insert(body.end(), stored.begin(), stored.end());
    }
    static int Bank(int i) { return i < 4 ? 22 + 2 * i : 58 + 2 * (i - 4); }
    Bytes Record() const {
        Bytes r = header;
        r.insert(r.end(), body.begin(), body.end());
        return r;
    }
};

Bytes Packed(const Bytes& bank) {
    Bytes out(bank.size());
    const int n = RleCompress(out.data(), bank.data(), static_cast<int>(bank.size()));
    out.resize(static_cast<size_t>(n));
    return out;
}

TEST_F(RecordingTest, SnapshotScreenIsTheVideoBankOfEachSnapshot) {
    const Bytes screen1 = Sequence(16384, 21), screen2 = Sequence(16384, 22);
    // Model-1, ROM stored unpacked, banks 0 and 1 packed, bank 3 packed.
    HandSnapshot v1(1, 0);
    v1.Block(20, Bytes(4096, 0xC3), 0x8000);
    v1.Block(HandSnapshot::Bank(0), Packed(Bytes(16384, 0x11)));
    v1.Block(HandSnapshot::Bank(1), Packed(Sequence(16384, 3)));
    v1.Block(HandSnapshot::Bank(3), Packed(screen1));
    // Model-2A with 256 KB: paging register with bit 6 (video RAM in bank 7).
    HandSnapshot v2(2, 2);
    v2.header[57] = 0x47;
    for (int i = 0; i < 16; ++i)
        v2.Block(HandSnapshot::Bank(i), i == 7 ? Packed(screen2) : Packed(Bytes(16384, static_cast<uint8_t>(i))));
    dir.write("one.psn", ToString(v1.Record()));
    dir.write("two.psn", ToString(v2.Record()));

    fs::create_directories(dir.file("rec"));
    for (uint8_t embedded : {1, 0}) {
        Recording r(dir.file("rec/thumbs.prc"), Recording::ModeCreate, nullptr);
        r.AddSnapshot(dir.file("one.psn"), embedded, 0);
        r.WriteByte(1);
        r.AddSnapshot(dir.file("two.psn"), embedded, 0);
        Bytes out(16384, 0xEE);
        EXPECT_TRUE(r.GetSnapshotScreen(0, out.data())) << int(embedded);
        EXPECT_EQ(out, screen1) << int(embedded);
        EXPECT_TRUE(r.GetSnapshotScreen(1, out.data())) << int(embedded);
        EXPECT_EQ(out, screen2) << int(embedded);
        Bytes untouched(16384, 0xEE);
        EXPECT_FALSE(r.GetSnapshotScreen(2, untouched.data()));
        EXPECT_EQ(untouched, Bytes(16384, 0xEE));
        // Recording goes on where it was.
        r.WriteByte(2);
        r.Close();
        EXPECT_EQ(PlayAll(dir.file("rec/thumbs.prc")), (Bytes{1, 2}));
    }
}

TEST(RecordingNames, BareFileNames) {
    EXPECT_TRUE(Recording::IsBareFileName("game.prc-0.psn"));
    EXPECT_TRUE(Recording::IsBareFileName(std::string(255, 'x')));
    for (const std::string& bad : {std::string(), std::string(256, 'x'), std::string("a/b"), std::string("a\\b"),
                                  std::string(".."), std::string("."), std::string("..x"),
                                  std::string("a\0b", 3)})
        EXPECT_FALSE(Recording::IsBareFileName(bad)) << bad;
}

}  // namespace
