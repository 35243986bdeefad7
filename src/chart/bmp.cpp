#include "chart/bmp.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// Little-endian field access, independent of the host's byte order.
void put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint16_t get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t get32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

// Offsets within the 40-byte information header.
constexpr std::size_t kOffHeaderSize = 0;
constexpr std::size_t kOffWidth = 4;
constexpr std::size_t kOffHeight = 8;
constexpr std::size_t kOffPlanes = 12;
constexpr std::size_t kOffBitCount = 14;
constexpr std::size_t kOffImageSize = 20;
constexpr std::size_t kOffColoursUsed = 32;

// The sixteen standard colours of a 4-bit screen, as 0xRRGGBB.
constexpr std::uint32_t kStandard16[16] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

void putTableEntry(std::uint8_t* table, std::uint32_t index, std::uint32_t rgb) {
    std::uint8_t* e = table + 4 * index;
    e[0] = static_cast<std::uint8_t>(rgb);        // blue
    e[1] = static_cast<std::uint8_t>(rgb >> 8);   // green
    e[2] = static_cast<std::uint8_t>(rgb >> 16);  // red
    e[3] = 0;
}

int red(std::uint32_t p) { return static_cast<int>((p >> 16) & 0xFF); }
int green(std::uint32_t p) { return static_cast<int>((p >> 8) & 0xFF); }
int blue(std::uint32_t p) { return static_cast<int>(p & 0xFF); }

std::uint8_t nearestStandard16(std::uint32_t p) {
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < 16; ++i) {
        int dr = red(p) - red(kStandard16[i]);
        int dg = green(p) - green(kStandard16[i]);
        int db = blue(p) - blue(kStandard16[i]);
        int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return static_cast<std::uint8_t>(best);
}

// 3 bits red, 3 bits green, 2 bits blue.
std::uint8_t cubeIndex(std::uint32_t p) {
    return static_cast<std::uint8_t>(((red(p) >> 5) << 5) | ((green(p) >> 5) << 2) | (blue(p) >> 6));
}
std::uint32_t cubeColour(std::uint32_t index) {
    std::uint32_t r = ((index >> 5) & 7) * 255 / 7;
    std::uint32_t g = ((index >> 2) & 7) * 255 / 7;
    std::uint32_t b = (index & 3) * 255 / 3;
    return (r << 16) | (g << 8) | b;
}

bool isWhite(std::uint32_t p) {
    // Luminance with integer weights (0.299, 0.587, 0.114).
    return (299 * red(p) + 587 * green(p) + 114 * blue(p)) >= 128 * 1000;
}

void convertRow(const std::uint32_t* src, std::int32_t width, int colourClass, std::uint8_t* row) {
    switch (colourClass) {
    case 32:
        for (std::int32_t x = 0; x < width; ++x) {
            row[4 * x + 0] = static_cast<std::uint8_t>(blue(src[x]));
            row[4 * x + 1] = static_cast<std::uint8_t>(green(src[x]));
            row[4 * x + 2] = static_cast<std::uint8_t>(red(src[x]));
            row[4 * x + 3] = 0;
        }
        break;
    case 24:
        for (std::int32_t x = 0; x < width; ++x) {
            row[3 * x + 0] = static_cast<std::uint8_t>(blue(src[x]));
            row[3 * x + 1] = static_cast<std::uint8_t>(green(src[x]));
            row[3 * x + 2] = static_cast<std::uint8_t>(red(src[x]));
        }
        break;
    case 16:
        for (std::int32_t x = 0; x < width; ++x) {
            auto v = static_cast<std::uint16_t>(((red(src[x]) >> 3) << 10) | ((green(src[x]) >> 3) << 5) |
                                                (blue(src[x]) >> 3));
            put16(row + 2 * x, v);
        }
        break;
    case 8:
        for (std::int32_t x = 0; x < width; ++x) row[x] = cubeIndex(src[x]);
        break;
    case 4:
        for (std::int32_t x = 0; x < width; ++x) {
            std::uint8_t nibble = nearestStandard16(src[x]);
            row[x / 2] |= static_cast<std::uint8_t>((x % 2 == 0) ? nibble << 4 : nibble);
        }
        break;
    default:  // 1
        for (std::int32_t x = 0; x < width; ++x)
            if (isWhite(src[x])) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        break;
    }
}

}  // namespace

int bitmapColourClass(std::uint16_t planesTimesBits) {
    if (planesTimesBits <= 1) return 1;
    if (planesTimesBits <= 4) return 4;
    if (planesTimesBits <= 8) return 8;
    if (planesTimesBits <= 16) return 16;
    if (planesTimesBits <= 24) return 24;
    return 32;
}

std::uint32_t bitmapColoursUsed(int colourClass) {
    switch (colourClass) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    case 16: return 65536;
    default: return 0;
    }
}

std::size_t bitmapHeaderBlockBytes(int colourClass) {
    // Class 32 keeps room for one spare entry behind the header, which the file
    // never carries (it writes no colour table for 32 bits).
    std::size_t entries = colourClass == 32 ? 1 : bitmapColoursUsed(colourClass);
    return kBitmapInfoHeaderBytes + 4 * entries;
}

std::uint64_t bitmapRowStride(int colourClass, std::int32_t width) {
    if (width <= 0) return 0;
    std::uint64_t bits = static_cast<std::uint64_t>(colourClass) * static_cast<std::uint64_t>(width);
    return ((bits + 31) & ~std::uint64_t{31}) / 8;
}

BitmapHeaderResult buildBitmapHeader(const BitmapDescription& bitmap, BitmapHeaderBlock& block) {
    block = BitmapHeaderBlock{};
    if (bitmap.width <= 0 || bitmap.height <= 0) return BitmapHeaderResult::BadDescription;
    auto product = static_cast<std::uint16_t>(bitmap.planes * bitmap.bitsPerPixel);
    int colourClass = bitmapColourClass(product);
    std::size_t blockBytes = bitmapHeaderBlockBytes(colourClass);
    std::uint64_t imageSize = bitmapRowStride(colourClass, bitmap.width) * static_cast<std::uint64_t>(bitmap.height);
    std::uint64_t fileSize = kBitmapFileHeaderBytes + kBitmapInfoHeaderBytes +
                             4 * std::uint64_t{bitmapColoursUsed(colourClass)} + imageSize;
    // Every size in the file is a 32-bit field.
    if (fileSize > std::numeric_limits<std::uint32_t>::max()) return BitmapHeaderResult::BadDescription;

    auto* bytes = static_cast<std::uint8_t*>(std::calloc(blockBytes, 1));
    if (bytes == nullptr) return BitmapHeaderResult::NoMemory;
    put32(bytes + kOffHeaderSize, kBitmapInfoHeaderBytes);
    put32(bytes + kOffWidth, static_cast<std::uint32_t>(bitmap.width));
    put32(bytes + kOffHeight, static_cast<std::uint32_t>(bitmap.height));
    put16(bytes + kOffPlanes, bitmap.planes);
    put16(bytes + kOffBitCount, bitmap.bitsPerPixel);
    // Compression (16), resolutions (24, 28) and important colours (36) stay 0.
    put32(bytes + kOffImageSize, static_cast<std::uint32_t>(imageSize));
    put32(bytes + kOffColoursUsed, bitmapColoursUsed(colourClass));
    block.bytes = bytes;
    block.size = blockBytes;
    block.colourClass = colourClass;
    return BitmapHeaderResult::Ok;
}

void releaseBitmapHeader(BitmapHeaderBlock& block) {
    std::free(block.bytes);
    block = BitmapHeaderBlock{};
}

std::uint32_t bitmapHeaderSize(const BitmapHeaderBlock& b) { return get32(b.bytes + kOffHeaderSize); }
std::int32_t bitmapHeaderWidth(const BitmapHeaderBlock& b) {
    return static_cast<std::int32_t>(get32(b.bytes + kOffWidth));
}
std::int32_t bitmapHeaderHeight(const BitmapHeaderBlock& b) {
    return static_cast<std::int32_t>(get32(b.bytes + kOffHeight));
}
std::uint16_t bitmapHeaderPlanes(const BitmapHeaderBlock& b) { return get16(b.bytes + kOffPlanes); }
std::uint16_t bitmapHeaderBitCount(const BitmapHeaderBlock& b) { return get16(b.bytes + kOffBitCount); }
std::uint32_t bitmapHeaderImageSize(const BitmapHeaderBlock& b) { return get32(b.bytes + kOffImageSize); }
std::uint32_t bitmapHeaderColoursUsed(const BitmapHeaderBlock& b) { return get32(b.bytes + kOffColoursUsed); }

int readBitmapBits(const std::uint32_t* pixels, std::size_t pixelCount, BitmapHeaderBlock& block,
                   std::uint8_t* dest) {
    if (block.bytes == nullptr || dest == nullptr || pixels == nullptr) return 0;
    std::int32_t width = bitmapHeaderWidth(block);
    std::int32_t height = bitmapHeaderHeight(block);
    int colourClass = block.colourClass;
    if (width <= 0 || height <= 0) return 0;
    if (pixelCount < static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height)) return 0;
    std::uint64_t stride = bitmapRowStride(colourClass, width);
    if (stride * static_cast<std::uint64_t>(height) != bitmapHeaderImageSize(block)) return 0;

    // Rows of a class are written at the class's own depth; say so in the header
    // when the screen's planes and bits named it only after rounding up.
    if (bitmapHeaderPlanes(block) != 1 || bitmapHeaderBitCount(block) != colourClass) {
        put16(block.bytes + kOffPlanes, 1);
        put16(block.bytes + kOffBitCount, static_cast<std::uint16_t>(colourClass));
    }

    std::uint8_t* table = block.bytes + kBitmapInfoHeaderBytes;
    if (colourClass == 1) {
        putTableEntry(table, 0, 0x000000);
        putTableEntry(table, 1, 0xFFFFFF);
    } else if (colourClass == 4) {
        for (std::uint32_t i = 0; i < 16; ++i) putTableEntry(table, i, kStandard16[i]);
    } else if (colourClass == 8) {
        for (std::uint32_t i = 0; i < 256; ++i) putTableEntry(table, i, cubeColour(i));
    }

    for (std::int32_t y = 0; y < height; ++y) {
        // The file stores the bottom row first.
        std::uint8_t* row = dest + stride * static_cast<std::uint64_t>(height - 1 - y);
        std::memset(row, 0, stride);
        convertRow(pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(width), width, colourClass, row);
    }
    return height;
}

void makeBitmapFileHeader(const BitmapHeaderBlock& block, std::uint8_t out[kBitmapFileHeaderBytes]) {
    std::uint32_t offset = kBitmapFileHeaderBytes + bitmapHeaderSize(block) + 4 * bitmapHeaderColoursUsed(block);
    std::uint32_t fileSize = offset + bitmapHeaderImageSize(block);
    put16(out + 0, 0x4D42);  // "BM"
    put32(out + 2, fileSize);
    put16(out + 6, 0);
    put16(out + 8, 0);
    put32(out + 10, offset);
}
