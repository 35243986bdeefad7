#include "chart/bmp.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}
std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

// A header block that releases itself.
struct Block {
    BitmapHeaderBlock b;
    ~Block() { releaseBitmapHeader(b); }
};

struct Converted {
    std::vector<std::uint8_t> pixels;
    std::uint8_t fileHeader[kBitmapFileHeaderBytes];
};

// Builds the header for w x h at the given planes and bits, converts the pixels
// and makes the file header.
Converted convert(Block& block, std::int32_t w, std::int32_t h, std::uint16_t planes, std::uint16_t bits,
                  const std::vector<std::uint32_t>& pixels) {
    Converted c{};
    EXPECT_EQ(buildBitmapHeader({w, h, planes, bits}, block.b), BitmapHeaderResult::Ok);
    c.pixels.assign(bitmapHeaderImageSize(block.b), 0xEE);
    EXPECT_EQ(readBitmapBits(pixels.data(), pixels.size(), block.b, c.pixels.data()), h);
    makeBitmapFileHeader(block.b, c.fileHeader);
    return c;
}

TEST(BitmapFormat, ColourClassesAndTheirTables) {
    struct Row {
        std::uint16_t product;
        int colourClass;
        std::size_t blockBytes;
        std::uint32_t coloursUsed;
    };
    const Row rows[] = {
        {1, 1, 48, 2},          {2, 4, 104, 16},       {4, 4, 104, 16},       {5, 8, 1064, 256},
        {8, 8, 1064, 256},      {9, 16, 262184, 65536}, {15, 16, 262184, 65536}, {16, 16, 262184, 65536},
        {17, 24, 40, 0},        {24, 24, 40, 0},       {25, 32, 44, 0},       {32, 32, 44, 0},
        {64, 32, 44, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.product);
        int c = bitmapColourClass(r.product);
        EXPECT_EQ(c, r.colourClass);
        EXPECT_EQ(bitmapHeaderBlockBytes(c), r.blockBytes);
        EXPECT_EQ(bitmapColoursUsed(c), r.coloursUsed);
    }
}

TEST(BitmapFormat, RowStrideRoundsEachRowUpToFourBytes) {
    EXPECT_EQ(bitmapRowStride(32, 806), 3224u);
    EXPECT_EQ(bitmapRowStride(24, 806), 2420u);  // 2,418 rounded up
    EXPECT_EQ(bitmapRowStride(24, 4), 12u);
    EXPECT_EQ(bitmapRowStride(16, 3), 8u);
    EXPECT_EQ(bitmapRowStride(8, 5), 8u);
    EXPECT_EQ(bitmapRowStride(4, 9), 8u);
    EXPECT_EQ(bitmapRowStride(1, 32), 4u);
    EXPECT_EQ(bitmapRowStride(1, 33), 8u);
}

TEST(BitmapFormat, InformationHeaderFieldsFor32Bits) {
    Block block;
    ASSERT_EQ(buildBitmapHeader({806, 622, 1, 32}, block.b), BitmapHeaderResult::Ok);
    const std::uint8_t* h = block.b.bytes;
    ASSERT_EQ(block.b.size, 44u);
    EXPECT_EQ(le32(h + 0), 40u);
    EXPECT_EQ(le32(h + 4), 806u);
    EXPECT_EQ(le32(h + 8), 622u);  // positive: bottom-up rows
    EXPECT_EQ(le16(h + 12), 1u);
    EXPECT_EQ(le16(h + 14), 32u);
    EXPECT_EQ(le32(h + 16), 0u);
    EXPECT_EQ(le32(h + 20), 2005328u);
    EXPECT_EQ(le32(h + 24), 0u);
    EXPECT_EQ(le32(h + 28), 0u);
    EXPECT_EQ(le32(h + 32), 0u);
    EXPECT_EQ(le32(h + 36), 0u);
    for (std::size_t i = 40; i < 44; ++i) EXPECT_EQ(h[i], 0) << i;

    std::uint8_t fh[kBitmapFileHeaderBytes];
    makeBitmapFileHeader(block.b, fh);
    EXPECT_EQ(fh[0], 'B');
    EXPECT_EQ(fh[1], 'M');
    EXPECT_EQ(le32(fh + 2), 2005382u);
    EXPECT_EQ(le16(fh + 6), 0u);
    EXPECT_EQ(le16(fh + 8), 0u);
    EXPECT_EQ(le32(fh + 10), 54u);
}

TEST(BitmapFormat, ThirtyTwoBitPixelsAreBgrxBottomRowFirst) {
    // 2 x 2: top row red, green; bottom row blue, white.
    Block block;
    Converted c = convert(block, 2, 2, 1, 32, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF});
    const std::vector<std::uint8_t> expected = {
        0xFF, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00,  // bottom row: blue, white
        0x00, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0x00,  // top row: red, green
    };
    EXPECT_EQ(c.pixels, expected);
}

TEST(BitmapFormat, TwentyFourBitRowsArePaddedTo2420BytesAt806) {
    const std::int32_t w = 806, h = 3;
    std::vector<std::uint32_t> px(static_cast<std::size_t>(w * h), 0x102030);
    px[0] = 0xABCDEF;                       // top-left
    px[static_cast<std::size_t>(w * 2)] = 0x123456;  // bottom-left
    Block block;
    Converted c = convert(block, w, h, 1, 24, px);
    EXPECT_EQ(bitmapHeaderImageSize(block.b), 2420u * 3);
    EXPECT_EQ(le32(c.fileHeader + 10), 54u);
    EXPECT_EQ(le32(c.fileHeader + 2), 54u + 2420u * 3);
    // Bottom row first, pixels B, G, R.
    EXPECT_EQ(c.pixels[0], 0x56);
    EXPECT_EQ(c.pixels[1], 0x34);
    EXPECT_EQ(c.pixels[2], 0x12);
    EXPECT_EQ(c.pixels[3], 0x30);
    // Padding bytes of each row are zero, the top row starts at 2 x 2420.
    EXPECT_EQ(c.pixels[2418], 0);
    EXPECT_EQ(c.pixels[2419], 0);
    EXPECT_EQ(c.pixels[2 * 2420 + 0], 0xEF);
    EXPECT_EQ(c.pixels[2 * 2420 + 2], 0xAB);
}

TEST(BitmapFormat, SixteenBitsCarryAZeroTableOf65536Entries) {
    Block block;
    Converted c = convert(block, 3, 1, 1, 16, {0xFF0000, 0x00FF00, 0x0000FF});
    EXPECT_EQ(bitmapHeaderColoursUsed(block.b), 65536u);
    EXPECT_EQ(le32(c.fileHeader + 10), 262198u);
    EXPECT_EQ(le32(c.fileHeader + 2), 262198u + 8u);
    for (std::size_t i = 40; i < block.b.size; ++i) ASSERT_EQ(block.b.bytes[i], 0) << i;
    // 5-5-5: red 0x7C00, green 0x03E0, blue 0x001F; the row padded to 8 bytes.
    const std::vector<std::uint8_t> expected = {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0x00, 0x00};
    EXPECT_EQ(c.pixels, expected);
}

TEST(BitmapFormat, EightBitsIndexAFilledTable) {
    const std::vector<std::uint32_t> px = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0x808080};
    Block block;
    Converted c = convert(block, 6, 1, 1, 8, px);
    EXPECT_EQ(le32(c.fileHeader + 10), 1078u);
    const std::uint8_t* table = block.b.bytes + 40;
    for (std::size_t x = 0; x < px.size(); ++x) {
        SCOPED_TRACE(x);
        const std::uint8_t* e = table + 4 * c.pixels[x];
        // The table entry the index names is close to the captured colour.
        EXPECT_NEAR(e[2], (px[x] >> 16) & 0xFF, 40);
        EXPECT_NEAR(e[1], (px[x] >> 8) & 0xFF, 40);
        EXPECT_NEAR(e[0], px[x] & 0xFF, 45);
        EXPECT_EQ(e[3], 0);
    }
    EXPECT_EQ(c.pixels[6], 0);  // padding
    EXPECT_EQ(c.pixels[7], 0);
}

TEST(BitmapFormat, FourBitsPackTwoPixelsPerByteHighNibbleFirst) {
    // Black, white, red, navy, silver.
    Block block;
    Converted c = convert(block, 5, 1, 1, 4, {0x000000, 0xFFFFFF, 0xFF0000, 0x000080, 0xC0C0C0});
    EXPECT_EQ(le32(c.fileHeader + 10), 14u + 40u + 64u);
    const std::vector<std::uint8_t> expected = {0x0F, 0x94, 0x70, 0x00};
    EXPECT_EQ(c.pixels, expected);
    const std::uint8_t* red = block.b.bytes + 40 + 4 * 9;
    EXPECT_EQ(red[0], 0x00);
    EXPECT_EQ(red[1], 0x00);
    EXPECT_EQ(red[2], 0xFF);
}

TEST(BitmapFormat, OneBitRowsSetWhitePixelsMostSignificantBitFirst) {
    std::vector<std::uint32_t> px(10, 0x000000);
    px[0] = 0xFFFFFF;
    px[9] = 0xF0F0F0;
    Block block;
    Converted c = convert(block, 10, 1, 1, 1, px);
    EXPECT_EQ(le32(c.fileHeader + 10), 62u);
    const std::vector<std::uint8_t> expected = {0x80, 0x40, 0x00, 0x00};
    EXPECT_EQ(c.pixels, expected);
    const std::uint8_t* t = block.b.bytes + 40;
    EXPECT_EQ(le32(t), 0x000000u);
    EXPECT_EQ(le32(t + 4), 0x00FFFFFFu);
}

TEST(BitmapFormat, DepthsThatOnlyRoundUpToAClassAreWrittenAtTheClass) {
    // A 15-bit screen: the header first says 15 as the screen does, the rows are
    // 16-bit, and after the read the header says so.
    Block block;
    ASSERT_EQ(buildBitmapHeader({4, 2, 1, 15}, block.b), BitmapHeaderResult::Ok);
    EXPECT_EQ(bitmapHeaderBitCount(block.b), 15u);
    std::vector<std::uint8_t> rows(bitmapHeaderImageSize(block.b));
    std::vector<std::uint32_t> px(8, 0x123456);
    ASSERT_EQ(readBitmapBits(px.data(), px.size(), block.b, rows.data()), 2);
    EXPECT_EQ(bitmapHeaderBitCount(block.b), 16u);
    EXPECT_EQ(bitmapHeaderPlanes(block.b), 1u);

    // Four planes of one bit: a 16-colour screen.
    Block planar;
    ASSERT_EQ(buildBitmapHeader({4, 2, 4, 1}, planar.b), BitmapHeaderResult::Ok);
    EXPECT_EQ(planar.b.colourClass, 4);
    std::vector<std::uint8_t> rows4(bitmapHeaderImageSize(planar.b));
    ASSERT_EQ(readBitmapBits(px.data(), px.size(), planar.b, rows4.data()), 2);
    EXPECT_EQ(bitmapHeaderPlanes(planar.b), 1u);
    EXPECT_EQ(bitmapHeaderBitCount(planar.b), 4u);
}

TEST(BitmapFormat, UnusableDescriptionsAndCapturesAreRefused) {
    Block block;
    EXPECT_EQ(buildBitmapHeader({0, 10, 1, 32}, block.b), BitmapHeaderResult::BadDescription);
    EXPECT_EQ(buildBitmapHeader({10, -1, 1, 32}, block.b), BitmapHeaderResult::BadDescription);
    // Beyond the format's 32-bit file size.
    EXPECT_EQ(buildBitmapHeader({40000, 40000, 1, 32}, block.b), BitmapHeaderResult::BadDescription);
    EXPECT_EQ(block.b.bytes, nullptr);

    ASSERT_EQ(buildBitmapHeader({4, 4, 1, 32}, block.b), BitmapHeaderResult::Ok);
    std::vector<std::uint8_t> rows(bitmapHeaderImageSize(block.b));
    std::vector<std::uint32_t> tooFew(15, 0);
    EXPECT_EQ(readBitmapBits(tooFew.data(), tooFew.size(), block.b, rows.data()), 0);
    EXPECT_EQ(readBitmapBits(nullptr, 0, block.b, rows.data()), 0);
}

}  // namespace
