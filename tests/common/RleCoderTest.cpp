#include "common/Rle.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Repeat(std::uint8_t v, int n) { return Bytes(static_cast<std::size_t>(n), v); }
Bytes Counting(int from, int n)
{
    Bytes b;
    for (int i = 0; i < n; ++i)
        b.push_back(static_cast<std::uint8_t>(from + i));
    return b;
}
Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Pack(const Bytes& block)
{
    // One guard byte past the block's size must never be touched.
    Bytes out(block.size() + 1, 0xA5);
    int n = RleCompress(out.data(), block.data(), static_cast<int>(block.size()));
    EXPECT_GE(n, 1);
    EXPECT_LE(n, static_cast<int>(block.size()));
    EXPECT_EQ(out.back(), 0xA5);
    out.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
    return out;
}

Bytes Unpack(const Bytes& packed, int size, int& result)
{
    Bytes out(static_cast<std::size_t>(size), 0xEE);
    result = RleDecompress(out.data(), size, packed.data(), static_cast<int>(packed.size()));
    return out;
}

struct Vector {
    const char* name;
    Bytes block;
    Bytes packed;
};

class RleVectors : public ::testing::TestWithParam<Vector> {};

TEST_P(RleVectors, PacksAndUnpacks)
{
    const Vector& v = GetParam();
    EXPECT_EQ(Pack(v.block), v.packed);
    int result = 0;
    Bytes back = Unpack(v.packed, static_cast<int>(v.block.size()), result);
    EXPECT_EQ(result, static_cast<int>(v.block.size()));
    EXPECT_EQ(back, v.block);
}

const Bytes kDistinct128 = Counting(0x80, 128);

INSTANTIATE_TEST_SUITE_P(
    Rle, RleVectors,
    ::testing::Values(
        Vector{"ZeroBank", Repeat(0x00, 16384), {0x00}},
        Vector{"OneByte", {0x42}, {0x42}},
        Vector{"RunBetweenLiterals",
               Cat({{0x01, 0x02, 0x03, 0x04}, Repeat(0x07, 10), {0x05, 0x06, 0x07, 0x08, 0x09, 0x0A}}),
               {0x83, 0x01, 0x02, 0x03, 0x04, 0x07, 0x07, 0x85, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A}},
        Vector{"NotSmallerIsRaw", {0x01, 0x02, 0x02, 0x02, 0x02, 0x03}, {0x01, 0x02, 0x02, 0x02, 0x02, 0x03}},
        Vector{"LongRunThenLiterals", Cat({Repeat(0x55, 200), Counting(0x00, 100)}),
               Cat({{0x7F, 0x55, 0x43, 0x55, 0xE3}, Counting(0x00, 100)})},
        Vector{"Run131ThenTwo", Cat({Repeat(0x99, 131), {0x01, 0x02}}),
               {0x7F, 0x99, 0x82, 0x99, 0x01, 0x02}},
        Vector{"Distinct128Raw", kDistinct128, kDistinct128},
        Vector{"Distinct128ThenZeros", Cat({kDistinct128, Repeat(0x00, 200)}),
               Cat({{0xFF}, kDistinct128, {0x7F, 0x00, 0x43, 0x00}})},
        Vector{"PairStaysLiteral", {0x01, 0x02, 0x02, 0x03}, {0x01, 0x02, 0x02, 0x03}}),
    [](const ::testing::TestParamInfo<Vector>& info) { return std::string(info.param.name); });

TEST(Rle, RoundTripsMixedBlock)
{
    Bytes block;
    for (int i = 0; i < 16384; ++i)
        block.push_back(static_cast<std::uint8_t>((i / 7) % 3 == 0 ? 0x11 : (i * 37) >> 3));
    Bytes packed = Pack(block);
    int result = 0;
    EXPECT_EQ(Unpack(packed, 16384, result), block);
    EXPECT_EQ(result, 16384);
}

TEST(Rle, DecompressSpecialForms)
{
    Bytes raw = Counting(0, 256);
    raw.resize(16384, 0x33);
    int result = 0;
    EXPECT_EQ(Unpack(raw, 16384, result), raw);
    EXPECT_EQ(result, 16384);

    EXPECT_EQ(Unpack({0x5A}, 16384, result), Repeat(0x5A, 16384));
    EXPECT_EQ(result, 16384);
}

TEST(Rle, DecompressMayProduceLessThanTheBuffer)
{
    int result = 0;
    Bytes out = Unpack({0x00, 0x44, 0x81, 0x01, 0x02}, 16, result);
    EXPECT_EQ(result, 5);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 5), (Bytes{0x44, 0x44, 0x44, 0x01, 0x02}));
}

TEST(Rle, DecompressErrors)
{
    std::uint8_t out[16] = {};
    const std::uint8_t packed[4] = {0x83, 1, 2, 3};
    // Bad arguments.
    EXPECT_EQ(RleDecompress(nullptr, 16, packed, 4), -1);
    EXPECT_EQ(RleDecompress(out, 16, nullptr, 4), -1);
    EXPECT_EQ(RleDecompress(out, 0, packed, 4), -1);
    EXPECT_EQ(RleDecompress(out, 16, packed, 0), -1);
    EXPECT_EQ(RleDecompress(out, 3, packed, 4), -1);
    EXPECT_EQ(RleDecompress(out, -1, packed, 4), -1);

    struct Case {
        const char* what;
        Bytes packed;
        int size;
    };
    const Case cases[] = {
        {"repeat packet without its value byte", {0x81, 0x01, 0x02, 0x05}, 16},
        {"literal packet cut short", {0x00, 0x01, 0x85, 0x01, 0x02}, 16},
        {"repeat packet runs past the buffer", {0x7F, 0x01, 0x00, 0x02}, 16},
        {"literal packet runs past the buffer", {0x03, 0x01, 0x87, 1, 2, 3, 4, 5, 6, 7, 8}, 12},
        {"packets left after the buffer is full", {0x0D, 0x01, 0x00, 0x02, 0x80, 0x03}, 16},
    };
    for (const Case& c : cases) {
        int result = 0;
        Unpack(c.packed, c.size, result);
        EXPECT_EQ(result, -2) << c.what;
    }
}

TEST(Rle, CompressBadArguments)
{
    std::uint8_t out[4] = {};
    const std::uint8_t block[4] = {1, 2, 3, 4};
    EXPECT_EQ(RleCompress(out, block, 0), -1);
    EXPECT_EQ(RleCompress(nullptr, block, 4), -1);
    EXPECT_EQ(RleCompress(out, nullptr, 4), -1);
}

} // namespace
