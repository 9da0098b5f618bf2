// Tape files: the reader on PTP and PMD images, the writer and its safety,
// raw export, and blocks made, converted and repaired.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "tests/tools/tape/TapeFixtures.h"
#include "tools/tape/TapeFile.h"

using namespace tapefix;

namespace {

// What a listed block is expected to be.
struct Expect {
    uint8_t type;
    uint16_t length;
    int32_t headOffset, bodyOffset;
    bool headSumBad, bodySumBad, lengthBad;
    int32_t foundLength;
};

struct ReadCase {
    const char* name;
    Bytes image;
    bool bad;
    bool pmd;
    std::vector<Expect> blocks;
};

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) Append(out, p);
    return out;
}

std::vector<ReadCase> ReadCases() {
    const Bytes d3 = Data(3), d5 = Data(5, 9), d4 = Data(4, 40);
    const Bytes h3 = HeaderPart(5, '>', 0x2401, 2, "HELLO");  // length field 2: 3 data bytes
    const Bytes h5 = HeaderPart(1, '?', 0x8000, 4, "DATA");
    std::vector<ReadCase> c;
    // Record layout: count 63 at 0, header part at 2, body count at 65, body at 67.
    c.push_back({"ptp good header and headless", Cat({PtpHeaderBlock(h3, Body(d3)), PtpRecord(d4)}), false, false,
                 {{'>', 2, 2, 67, false, false, false, -1}, {0, 4, 0, 67 + 4 + 2, false, false, false, -1}}});
    c.push_back({"ptp bad body sum", PtpHeaderBlock(h3, Body(d3, 1)), false, false,
                 {{'>', 2, 2, 67, false, true, false, -1}}});
    c.push_back({"ptp bad header sum", PtpHeaderBlock(HeaderPart(5, '>', 0x2401, 2, "HELLO", 3), Body(d3)), false,
                 false, {{'>', 2, 2, 67, true, false, false, -1}}});
    {
        // The body count says 4 bytes, but the file ends after 2 of them.
        Bytes t = PtpHeaderBlock(h3, Body(d3));
        t.resize(t.size() - 2);
        c.push_back({"ptp truncated body", t, true, false, {{'>', 2, 2, 67, false, false, true, 2}}});
    }
    {
        // A body count that differs from length + 2 is skipped by its count;
        // the next block is read after it.
        Bytes wrong;
        Word(wrong, 63);
        Append(wrong, h3);
        Word(wrong, 6);
        Append(wrong, Data(6));
        c.push_back({"ptp body count differs", Cat({wrong, PtpHeaderBlock(h5, Body(d5))}), false, false,
                     {{'>', 2, 2, 67, false, false, true, 4}, {'?', 4, 73 + 2, 73 + 67, false, false, false, -1}}});
    }
    {
        // A body count of 1: the found length is -1, which must not read as "none".
        Bytes one;
        Word(one, 63);
        Append(one, h3);
        Word(one, 1);
        one.push_back(0xAA);
        c.push_back({"ptp body count 1", one, false, false, {{'>', 2, 2, 67, false, false, true, -1}}});
    }
    // Garbage between blocks: three bytes whose first word counts one byte
    // make a headless record; the header block after them is found again.
    c.push_back({"ptp garbage between blocks",
                 Cat({PtpHeaderBlock(h3, Body(d3)), Bytes{0x01, 0x00, 0xEE}, PtpHeaderBlock(h5, Body(d5))}), false,
                 false,
                 {{'>', 2, 2, 67, false, false, false, -1},
                  {0, 1, 0, 71 + 2, false, false, false, -1},
                  {'?', 4, 74 + 2, 74 + 67, false, false, false, -1}}});
    {
        // Trailing bytes after the last block: ignored, the result is bad.
        Bytes t = PtpHeaderBlock(h3, Body(d3));
        t.push_back(0x00);
        t.push_back(0x00);
        c.push_back({"ptp trailing bytes", t, true, false, {{'>', 2, 2, 67, false, false, false, -1}}});
    }
    c.push_back({"ptp first word not 63", Cat({PtpRecord(Data(70)), PtpHeaderBlock(h3, Body(d3))}), false, false,
                 {{0, 70, 0, 2, false, false, false, -1}, {'>', 2, 72 + 2, 72 + 67, false, false, false, -1}}});
    {
        // A record that counts one byte more than the file holds after its count.
        Bytes t = Cat({PtpHeaderBlock(h3, Body(d3))});
        Word(t, 3);
        t.push_back(1);
        t.push_back(2);
        c.push_back({"ptp record past the end", t, true, false, {{'>', 2, 2, 67, false, false, false, -1}}});
    }
    c.push_back({"pmd two header blocks", Cat({h3, Body(d3), h5, Body(d5)}), false, true,
                 {{'>', 2, 0, 63, false, false, false, -1}, {'?', 4, 67, 67 + 63, false, false, false, -1}}});
    c.push_back({"pmd bad body sum", Cat({h3, Body(d3, 5)}), false, true, {{'>', 2, 0, 63, false, true, false, -1}}});
    c.push_back({"pmd header then headless", Cat({h3, Body(d3), d4}), false, true,
                 {{'>', 2, 0, 63, false, false, false, -1}, {0, 4, 0, 67, false, false, false, -1}}});
    {
        // The second body runs past the end: it takes the rest of the file.
        Bytes t = Cat({h3, Body(d3), h5, Body(d5)});
        t.resize(t.size() - 3);
        c.push_back({"pmd truncated body", t, true, false, {}});
        c.back().bad = false;  // the rest of the file is taken: consumed exactly
        c.back().pmd = true;
        c.back().blocks = {{'>', 2, 0, 63, false, false, false, -1}, {'?', 4, 67, 130, false, false, true, 1}};
    }
    {
        // Nothing after the header part: found length -2.
        Bytes t = Cat({h3, Body(d3), h5});
        c.push_back({"pmd empty body", t, false, true,
                     {{'>', 2, 0, 63, false, false, false, -1}, {'?', 4, 67, 130, false, false, true, -2}}});
    }
    // Garbage before the first header part: read as counted records until a
    // bare header part stands at a block start.
    c.push_back({"pmd garbage before the first block", Cat({Bytes{0x02, 0x00, 0xAB, 0xCD}, h3, Body(d3)}), false, true,
                 {{0, 2, 0, 2, false, false, false, -1}, {'>', 2, 4, 67, false, false, false, -1}}});
    // 65 bytes: a header part of length 0, one data byte and its sum.
    c.push_back({"65 bytes complete", Cat({HeaderPart(0, '?', 0, 0, "A"), Body({0x42})}), false, true,
                 {{'?', 0, 0, 63, false, false, false, -1}}});
    c.push_back({"65 bytes, longer length field", Cat({HeaderPart(0, '?', 0, 5, "A"), Body({0x42})}), false, true,
                 {{'?', 5, 0, 63, false, false, true, 0}}});
    c.push_back({"64 bytes", Bytes(64, 0x01), true, false, {}});
    // A header part with type 00h is a headless block of its length field.
    c.push_back({"type byte 0", Cat({HeaderPart(0, 0, 0, 3, "Z"), Body(Data(4))}), false, true,
                 {{0, 3, 0, 63, false, false, false, -1}}});
    return c;
}

class TapeFileTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const Bytes& b) {
        dir.write(name, Str(b));
        return dir.file(name);
    }
    Bytes Read(const std::string& name) { return FromStr(dir.read(name)); }
    TestTempDir dir;
};

TEST_F(TapeFileTest, ReaderListsTheBlocksOfEachImage) {
    for (const ReadCase& c : ReadCases()) {
        SCOPED_TRACE(c.name);
        const std::string path = Write("t.ptp", c.image);
        const TapeReadResult r = ReadTapeFile(path);
        EXPECT_EQ(r.bad, c.bad);
        EXPECT_EQ(r.pmd, c.pmd);
        ASSERT_EQ(r.blocks.size(), c.blocks.size());
        for (size_t i = 0; i < c.blocks.size(); ++i) {
            SCOPED_TRACE(i);
            const TapeBlock& b = r.blocks[i];
            const Expect& e = c.blocks[i];
            EXPECT_EQ(b.type, e.type);
            EXPECT_EQ(b.length, e.length);
            EXPECT_EQ(b.headOffset, e.headOffset);
            EXPECT_EQ(b.bodyOffset, e.bodyOffset);
            EXPECT_EQ(b.headSumBad, e.headSumBad);
            EXPECT_EQ(b.bodySumBad, e.bodySumBad);
            EXPECT_EQ(b.lengthBad, e.lengthBad);
            EXPECT_EQ(b.foundLength, e.foundLength);
            EXPECT_EQ(b.source, path);
            EXPECT_FALSE(b.added);
            EXPECT_FALSE(b.repairSum);
        }
    }
}

TEST_F(TapeFileTest, HeaderFieldsAndBodySumComeFromTheFile) {
    const Bytes data = Data(3);
    const std::string path = Write("a.ptp", PtpHeaderBlock(HeaderPart(5, '>', 0x2401, 2, "HELLO"), Body(data, 1)));
    const TapeBlock b = ReadTapeFile(path).blocks.at(0);
    EXPECT_EQ(b.number, 5);
    EXPECT_EQ(b.type, '>');
    EXPECT_EQ(b.start, 0x2401);
    EXPECT_EQ(std::string(b.name.begin(), b.name.end()), "HELLO   ");
    EXPECT_EQ(b.bodySum, Sum(data));  // computed, not the stored byte
    EXPECT_TRUE(b.bodySumBad);
}

TEST_F(TapeFileTest, UnreadableOrMissingFilesGiveAnEmptyList) {
    EXPECT_TRUE(ReadTapeFile(dir.file("missing.ptp")).blocks.empty());
    EXPECT_TRUE(ReadTapeFile(dir.path()).blocks.empty());
}

TEST_F(TapeFileTest, Checksum8SumsAndCompares) {
    const uint8_t bytes[] = {0x80, 0x90, 0x05, 0x15};
    uint8_t s = 0;
    EXPECT_TRUE(Checksum8(bytes, 3, &s));
    EXPECT_EQ(s, 0x15);
    EXPECT_FALSE(Checksum8(bytes, 2, nullptr));
}

TEST_F(TapeFileTest, WritingThenReadingGivesTheSameBlocksAndBytes) {
    const Bytes ptp = Cat({PtpHeaderBlock(HeaderPart(5, '>', 0x2401, 2, "HELLO"), Body(Data(3))), PtpRecord(Data(4)),
                           PtpHeaderBlock(HeaderPart(7, '?', 0x1234, 9, "TEN"), Body(Data(10), 2))});
    const std::string src = Write("src.ptp", ptp);
    const TapeBlockList list = ReadTapeFile(src).blocks;
    ASSERT_EQ(list.size(), 3u);
    ASSERT_FALSE(WriteTapeFile(dir.file("copy.ptp"), list, TapeLayout::Ptp));
    EXPECT_EQ(Read("copy.ptp"), ptp);
    // Over its own source: the same bytes.
    ASSERT_FALSE(WriteTapeFile(src, list, TapeLayout::Ptp));
    EXPECT_EQ(Read("src.ptp"), ptp);
    // As PMD: the same parts without counts, read back as the same blocks.
    const TapeBlockList pmdList = {list[0], list[2], list[1]};
    ASSERT_FALSE(WriteTapeFile(dir.file("copy.pmd"), pmdList, TapeLayout::Pmd));
    const TapeReadResult back = ReadTapeFile(dir.file("copy.pmd"));
    EXPECT_FALSE(back.bad);
    ASSERT_EQ(back.blocks.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(back.blocks[i].HeaderBytes(), pmdList[i].HeaderBytes()) << i;
        EXPECT_EQ(back.blocks[i].length, pmdList[i].length) << i;
        EXPECT_EQ(back.blocks[i].bodySumBad, pmdList[i].bodySumBad) << i;
    }
}

TEST_F(TapeFileTest, AHeadlessBlockAloneInPmdIsItsDataBytes) {
    const std::string src = Write("h.ptp", PtpRecord(Data(80)));
    ASSERT_FALSE(WriteTapeFile(dir.file("h.pmd"), ReadTapeFile(src).blocks, TapeLayout::Pmd));
    EXPECT_EQ(Read("h.pmd"), Data(80));
}

TEST_F(TapeFileTest, PmdRefusesAHeaderBlockAfterAHeadlessOne) {
    const std::string src =
        Write("m.ptp", Cat({PtpRecord(Data(70)), PtpHeaderBlock(HeaderPart(1, '?', 0, 0, "X"), Body({1}))}));
    const TapeBlockList list = ReadTapeFile(src).blocks;
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(WriteTapeFile(dir.file("m.pmd"), list, TapeLayout::Pmd).code, TapeFileError::PmdAfterHeadless);
    EXPECT_FALSE(dir.exists("m.pmd"));
}

// A PMD file's headless block is the rest of the file, and after a header
// block the reader tries a header part first: lists that would read back as
// other blocks are refused, and the target is not made.
TEST_F(TapeFileTest, PmdRefusesWhatWouldReadBackAsOtherBlocks) {
    const Bytes head = PtpHeaderBlock(HeaderPart(1, '?', 0, 0, "X"), Body({1}));
    Bytes syncData = HeaderPart(2, '?', 0, 0, "Y");
    Append(syncData, Body({2}));
    Bytes countedSyncData;
    Word(countedSyncData, 63);
    Append(countedSyncData, syncData);
    struct Case {
        const char* name;
        Bytes tape;
        size_t blocks;
        TapeFileError::Code code;
    } cases[] = {
        {"two headless blocks in a row", Cat({head, PtpRecord(Data(40)), PtpRecord(Data(40, 3))}), 3,
         TapeFileError::PmdAfterHeadless},
        {"headless data that begin with a header part", Cat({head, PtpRecord(syncData)}), 2,
         TapeFileError::PmdHeadlessAsHeader},
        {"headless data that begin with a counted header part", Cat({head, PtpRecord(countedSyncData)}), 2,
         TapeFileError::PmdHeadlessAsHeader},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string src = Write("in.ptp", c.tape);
        const TapeBlockList list = ReadTapeFile(src).blocks;
        ASSERT_EQ(list.size(), c.blocks);
        EXPECT_EQ(WriteTapeFile(dir.file("out.pmd"), list, TapeLayout::Pmd).code, c.code);
        EXPECT_FALSE(dir.exists("out.pmd"));
        // The same list as PTP keeps every block.
        ASSERT_FALSE(WriteTapeFile(dir.file("out.ptp"), list, TapeLayout::Ptp));
        EXPECT_EQ(ReadTapeFile(dir.file("out.ptp")).blocks.size(), c.blocks);
    }
    // A header block and one headless block at the end read back as they were.
    const std::string src = Write("ok.ptp", Cat({head, PtpRecord(Data(40))}));
    ASSERT_FALSE(WriteTapeFile(dir.file("ok.pmd"), ReadTapeFile(src).blocks, TapeLayout::Pmd));
    const TapeReadResult back = ReadTapeFile(dir.file("ok.pmd"));
    ASSERT_EQ(back.blocks.size(), 2u);
    EXPECT_EQ(back.blocks[1].length, 40);
}

TEST_F(TapeFileTest, RepairedBlocksGetTheirComputedSum) {
    const Bytes data = Data(3);
    const std::string src = Write("r.ptp", PtpHeaderBlock(HeaderPart(5, '>', 0x2401, 2, "R"), Body(data, 9)));
    TapeBlockList list = ReadTapeFile(src).blocks;
    ASSERT_TRUE(list[0].bodySumBad);
    RepairBlockSum(list[0]);
    EXPECT_FALSE(list[0].bodySumBad);
    ASSERT_FALSE(WriteTapeFile(dir.file("r2.ptp"), list, TapeLayout::Ptp));
    EXPECT_EQ(Read("r2.ptp"), PtpHeaderBlock(HeaderPart(5, '>', 0x2401, 2, "R"), Body(data)));
    ASSERT_FALSE(ExportRawBlock(list[0], dir.file("r.raw")));
    EXPECT_EQ(Read("r.raw"), Body(data));
}

TEST_F(TapeFileTest, RawExportWritesTheBodyBytesAlone) {
    const Bytes data = Data(3);
    const std::string src = Write("x.ptp", Cat({PtpHeaderBlock(HeaderPart(5, '>', 0x2401, 2, "R"), Body(data, 4)),
                                                PtpRecord(Data(6))}));
    const TapeBlockList list = ReadTapeFile(src).blocks;
    ASSERT_FALSE(ExportRawBlock(list[0], dir.file("h.raw")));
    EXPECT_EQ(Read("h.raw"), Body(data, 4));  // the stored sum, unrepaired
    ASSERT_FALSE(ExportRawBlock(list[1], dir.file("l.raw")));
    EXPECT_EQ(Read("l.raw"), Data(6));
    EXPECT_EQ(ExportRawBlock(list[1], dir.file("no/such/folder.raw")).code, TapeFileError::WriteFailed);
}

TEST_F(TapeFileTest, FailedWritesLeaveTheTargetWholeAndSaySo) {
    const Bytes original = PtpHeaderBlock(HeaderPart(5, '>', 0x2401, 2, "OLD"), Body(Data(3)));
    const std::string target = Write("keep.ptp", original);
    // A source that has gone away.
    TapeBlockList list = ReadTapeFile(Write("gone.ptp", PtpRecord(Data(100)))).blocks;
    std::filesystem::remove(dir.file("gone.ptp"));
    TapeFileError e = WriteTapeFile(target, list, TapeLayout::Ptp);
    EXPECT_EQ(e.code, TapeFileError::SourceUnreadable);
    EXPECT_EQ(e.path, dir.file("gone.ptp"));
    EXPECT_EQ(Read("keep.ptp"), original);
    // A folder that cannot take the file.
    list = ReadTapeFile(target).blocks;
    e = WriteTapeFile(dir.file("missing/t.ptp"), list, TapeLayout::Ptp);
    EXPECT_EQ(e.code, TapeFileError::WriteFailed);
    EXPECT_EQ(e.path, dir.file("missing/t.ptp"));
    EXPECT_EQ(Read("keep.ptp"), original);
}

TEST_F(TapeFileTest, AFullDiskLeavesTheTapeWhole) {
    const std::string mnt = dir.file("small");
    std::filesystem::create_directories(mnt);
    if (::mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here: " << std::strerror(errno);
    struct Unmount {
        std::string m;
        ~Unmount() { ::umount2(m.c_str(), MNT_DETACH); }
    } unmount{mnt};
    const Bytes original = PtpHeaderBlock(HeaderPart(5, '>', 0x2401, 2, "OLD"), Body(Data(3)));
    dir.write("small/tape.ptp", Str(original));
    // Fill the rest of the disk.
    {
        std::ofstream fill(mnt + "/fill", std::ios::binary);
        const std::string chunk(4096, 'x');
        for (int i = 0; i < 64 && fill; ++i) fill << chunk;
    }
    // A tape far larger than what is left.
    const TapeBlockList big = ReadTapeFile(Write("big.ptp", PtpRecord(Data(60000)))).blocks;
    const TapeFileError e = WriteTapeFile(mnt + "/tape.ptp", big, TapeLayout::Ptp);
    EXPECT_EQ(e.code, TapeFileError::WriteFailed);
    EXPECT_EQ(Read("small/tape.ptp"), original);
    // Appending a recorded block fails the same way.
    std::vector<uint8_t> recorded = PtpRecord(Data(60000));
    EXPECT_EQ(AppendRecordedBlock(mnt + "/tape.ptp", recorded).code, TapeFileError::WriteFailed);
    EXPECT_EQ(Read("small/tape.ptp"), original);
}

TEST_F(TapeFileTest, BlocksFromFiles) {
    const Bytes file = Data(10, 3);
    const std::string path = Write("prog.bin", file);
    TapeBlock headless;
    ASSERT_FALSE(MakeHeadlessBlock(path, headless));
    EXPECT_EQ(headless.length, 10);
    EXPECT_EQ(headless.type, 0);
    EXPECT_TRUE(headless.added);
    EXPECT_EQ(headless.bodyOffset, 0);
    TapeHeaderFields f;
    f.number = 12;
    f.type = '?';
    f.start = 0x9000;
    const char* nm = "PROG.BIN";
    for (int i = 0; i < 8; ++i) f.name[i] = static_cast<uint8_t>(nm[i]);
    TapeBlock header;
    ASSERT_FALSE(MakeHeaderBlock(path, f, header));
    EXPECT_EQ(header.length, 9);
    EXPECT_EQ(header.bodySum, Sum(file));
    EXPECT_FALSE(header.headSumBad);
    // Written: the file's bytes followed by their sum.
    ASSERT_FALSE(WriteTapeFile(dir.file("made.ptp"), {header, headless}, TapeLayout::Ptp));
    EXPECT_EQ(Read("made.ptp"), Cat({PtpHeaderBlock(HeaderPart(12, '?', 0x9000, 9, "PROG.BIN"), Body(file)),
                                     PtpRecord(file)}));
}

TEST_F(TapeFileTest, FilesThatCannotBecomeBlocksAreRefusedWithTheirReason) {
    struct Case {
        const char* name;
        size_t size;
        bool asHeader;
        TapeFileError::Code code;
        int limit;
    };
    // A header block's body count (data and sum) must fit 16 bits.
    const Case cases[] = {
        {"empty", 0, true, TapeFileError::FileEmpty, 0},
        {"empty headless", 0, false, TapeFileError::FileEmpty, 0},
        {"65534 header", 65534, true, TapeFileError::None, 0},
        {"65535 header", 65535, true, TapeFileError::FileTooLong, 65534},
        {"65535 headless", 65535, false, TapeFileError::None, 0},
        {"65536 headless", 65536, false, TapeFileError::FileTooLong, 65535},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Write("f.bin", Bytes(c.size, 0x11));
        int32_t size = -1;
        const TapeFileError e = CheckFileForBlock(path, c.asHeader, &size);
        EXPECT_EQ(e.code, c.code);
        EXPECT_EQ(e.limit, c.limit);
        if (c.code == TapeFileError::None) { EXPECT_EQ(size, static_cast<int32_t>(c.size)); }
    }
    EXPECT_EQ(CheckFileForBlock(dir.file("none"), true, nullptr).code, TapeFileError::FileUnreadable);
    EXPECT_EQ(CheckFileForBlock(dir.path(), false, nullptr).code, TapeFileError::FileUnreadable);
}

TEST_F(TapeFileTest, HeaderAndHeadlessConversions) {
    const Bytes data = Data(3);
    const std::string src = Write("c.ptp", PtpHeaderBlock(HeaderPart(5, '>', 0x2401, 2, "CONV"), Body(data)));
    TapeBlock b = ReadTapeFile(src).blocks.at(0);
    ASSERT_TRUE(BlockToHeadless(b));
    EXPECT_EQ(b.type, 0);
    EXPECT_EQ(b.length, 3);
    EXPECT_EQ(b.bodyOffset, 67);
    EXPECT_EQ(b.headOffset, 0);
    ASSERT_FALSE(WriteTapeFile(dir.file("c.pmd"), {b}, TapeLayout::Pmd));
    EXPECT_EQ(Read("c.pmd"), data);  // the data bytes without the sum
    TapeHeaderFields f;
    f.number = 0;
    f.type = '?';
    const char* nm = "HEADLESS";
    for (int i = 0; i < 8; ++i) f.name[i] = static_cast<uint8_t>(nm[i]);
    ASSERT_FALSE(BlockToHeader(b, f));
    EXPECT_EQ(b.length, 2);
    EXPECT_TRUE(b.added);
    EXPECT_EQ(b.bodySum, Sum(data));
    ASSERT_FALSE(WriteTapeFile(dir.file("c2.ptp"), {b}, TapeLayout::Ptp));
    EXPECT_EQ(Read("c2.ptp"), PtpHeaderBlock(HeaderPart(0, '?', 0, 2, "HEADLESS"), Body(data)));
    // A header length of FFFFh has 65,536 data bytes: no headless length holds them.
    TapeBlock huge;
    huge.type = '?';
    huge.length = 0xFFFF;
    EXPECT_FALSE(BlockToHeadless(huge));
    EXPECT_EQ(huge.type, '?');
    EXPECT_EQ(WriteTapeFile(dir.file("huge.ptp"), {huge}, TapeLayout::Ptp).code, TapeFileError::BlockTooLong);
}

TEST_F(TapeFileTest, TemporarySourcesAreOwnedNotGuessedByName) {
    // A user's file whose name ends like a temporary one stays.
    const std::string user = Write("mine-tmp.tmp", PtpRecord(Data(70)));
    {
        TapeBlockList list = ReadTapeFile(user).blocks;
        ASSERT_EQ(list.size(), 1u);
        ASSERT_FALSE(WriteTapeFile(dir.file("out.ptp"), list, TapeLayout::Ptp));
    }
    EXPECT_TRUE(dir.exists("mine-tmp.tmp"));
    // A file of ours lives while any block refers to it.
    const std::string ours = Write("import.bin", Data(5));
    TapeBlock b;
    ASSERT_FALSE(MakeHeadlessBlock(ours, b));
    b.temp = std::make_shared<TempSource>(ours);
    TapeBlockList copy = {b};
    b = TapeBlock();
    EXPECT_TRUE(dir.exists("import.bin"));
    ASSERT_FALSE(WriteTapeFile(dir.file("out2.ptp"), copy, TapeLayout::Ptp));
    EXPECT_TRUE(dir.exists("import.bin"));
    copy.clear();
    EXPECT_FALSE(dir.exists("import.bin"));
}

TEST_F(TapeFileTest, RecordedBlocksAreAppendedInTheFileLayout) {
    const Bytes part = HeaderPart(1, '?', 0x4000, 3, "SAVED");
    const Bytes body = Body(Data(4, 77));
    const Bytes recorded = PtpHeaderBlock(part, body);
    // A new file is a PTP file of the record.
    ASSERT_FALSE(AppendRecordedBlock(dir.file("new.ptp"), recorded));
    EXPECT_EQ(Read("new.ptp"), recorded);
    // A PTP file gets the record after its own bytes.
    const Bytes first = PtpHeaderBlock(HeaderPart(0, '>', 0x2401, 2, "FIRST"), Body(Data(3)));
    Write("old.ptp", first);
    ASSERT_FALSE(AppendRecordedBlock(dir.file("old.ptp"), recorded));
    EXPECT_EQ(Read("old.ptp"), Cat({first, recorded}));
    // A PMD file keeps its layout: the parts without counts.
    const Bytes pmd = Cat({HeaderPart(0, '>', 0x2401, 2, "FIRST"), Body(Data(3))});
    Write("old.pmd", pmd);
    ASSERT_FALSE(AppendRecordedBlock(dir.file("old.pmd"), recorded));
    EXPECT_EQ(Read("old.pmd"), Cat({pmd, part, body}));
    const TapeReadResult r = ReadTapeFile(dir.file("old.pmd"));
    EXPECT_FALSE(r.bad);
    ASSERT_EQ(r.blocks.size(), 2u);
    EXPECT_EQ(r.blocks[1].start, 0x4000);
    // A PMD file that ends with a headless block cannot take another block.
    Write("tail.pmd", Cat({pmd, Data(5)}));
    EXPECT_EQ(AppendRecordedBlock(dir.file("tail.pmd"), recorded).code, TapeFileError::PmdAfterHeadless);
    EXPECT_EQ(Read("tail.pmd"), Cat({pmd, Data(5)}));
}

}  // namespace
