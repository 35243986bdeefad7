// Uncompressed Windows bitmap (".bmp") files of a captured window: the
// information header and colour table for every colour class, the conversion
// of captured pixels into bottom-up rows of that class, and the 14-byte file
// header. Plain bytes in little-endian order.
#pragma once

#include <cstddef>
#include <cstdint>

// What the capture says about its pixels: the bitmap's own description.
struct BitmapDescription {
    std::int32_t width;         // pixels
    std::int32_t height;        // pixels
    std::uint16_t planes;       // colour planes, 1 on every current screen
    std::uint16_t bitsPerPixel; // per plane
};

inline constexpr std::uint32_t kBitmapInfoHeaderBytes = 40;
inline constexpr std::uint32_t kBitmapFileHeaderBytes = 14;

// The supported depth that holds planes x bits per pixel: 1, 4, 8, 16, 24 or 32
// (0 is taken as 1, anything above 24 as 32).
int bitmapColourClass(std::uint16_t planesTimesBits);
// Bytes of the header block of a class: the 40-byte information header plus the
// room kept for its colour table (48, 104, 1064, 262184, 40, 44).
std::size_t bitmapHeaderBlockBytes(int colourClass);
// Colour table entries written to the file (2, 16, 256, 65536; 0 for 24 and 32).
std::uint32_t bitmapColoursUsed(int colourClass);
// Bytes of one pixel row: class x width bits rounded up to a multiple of 32 bits.
std::uint64_t bitmapRowStride(int colourClass, std::int32_t width);

// The information header followed by the colour table, zero-filled where not
// set. Owned by whoever built it; release with releaseBitmapHeader.
struct BitmapHeaderBlock {
    std::uint8_t* bytes = nullptr;
    std::size_t size = 0;
    int colourClass = 0;
};

enum class BitmapHeaderResult { Ok, BadDescription, NoMemory };

// Builds the header block for a bitmap: header size 40, width, height (positive,
// rows stored bottom-up), planes and bits per pixel as described, no
// compression, image size = row stride x height, resolutions 0, colours used as
// bitmapColoursUsed, important colours 0. BadDescription when the sizes are not
// positive or the file would not fit the format's 32-bit sizes; NoMemory when
// the block cannot be allocated. On failure the block is left empty.
BitmapHeaderResult buildBitmapHeader(const BitmapDescription& bitmap, BitmapHeaderBlock& block);
void releaseBitmapHeader(BitmapHeaderBlock& block);

// Fields of the information header as they stand in the block.
std::uint32_t bitmapHeaderSize(const BitmapHeaderBlock& block);
std::int32_t bitmapHeaderWidth(const BitmapHeaderBlock& block);
std::int32_t bitmapHeaderHeight(const BitmapHeaderBlock& block);
std::uint16_t bitmapHeaderPlanes(const BitmapHeaderBlock& block);
std::uint16_t bitmapHeaderBitCount(const BitmapHeaderBlock& block);
std::uint32_t bitmapHeaderImageSize(const BitmapHeaderBlock& block);
std::uint32_t bitmapHeaderColoursUsed(const BitmapHeaderBlock& block);

// Converts captured pixels (rows top first, each pixel 0x00RRGGBB) into the
// pixel rows the header describes, bottom row first, each row padded with zeros
// to the stride, and fills the colour table: black and white for class 1, the
// sixteen standard colours for class 4, a 3-3-2 colour cube for class 8, none
// for class 16 (5-5-5 pixels; the table stays zero), 24 and 32. A header whose
// planes and bit count do not name its class directly is rewritten to 1 plane at
// the class's bit count, so the file describes the rows it carries. dest holds
// the header's image size. Returns the number of rows converted, 0 when the
// capture does not match the header (too few pixels, other sizes).
int readBitmapBits(const std::uint32_t* pixels, std::size_t pixelCount, BitmapHeaderBlock& block,
                   std::uint8_t* dest);

// The 14-byte file header for the block as it stands: "BM", file size = 14 +
// header size + 4 x colours used + image size, two reserved zeros, pixel offset
// = 14 + header size + 4 x colours used.
void makeBitmapFileHeader(const BitmapHeaderBlock& block, std::uint8_t out[kBitmapFileHeaderBytes]);
