#pragma once

#include <cstdint>
#include <span>

#include "blockmap/colors.h"
#include "blockmap/layout.h"

namespace trackkit {

// A 32-bit top-down pixel buffer: row y starts at pixels + y * stride.
struct PixelBuffer {
    Pixel* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;  // in pixels
};

// Everything a paint reads.
struct BlockMapPicture {
    int clientWidth = 0;
    int clientHeight = 0;
    std::uint32_t blockSize = 4;
    int dpiX = 96;
    int dpiY = 96;
    std::uint32_t blockCount = 0;            // N
    std::span<const std::uint8_t> bitmap;    // the session bitmap buffer
    std::uint32_t bitmapBitCount = 0;        // bits the buffer holds; 0: no bitmap
    std::uint64_t cbtFirstBlock = 0;
    std::uint64_t cbtLastBlock = 0;
    ColorRef faceColor = 0;
    ColorRef blockColor = 0;
    ColorRef backgroundColor = 0;
    // Ascending; duplicates and blocks at or past N are allowed and the
    // latter paint nothing.
    std::span<const std::uint32_t> outlinedBlocks;
};

// Paints the whole buffer: background, the levelled cells with their 1-pixel
// gaps, the $CBT cells over them, and over those the cells that hold an
// outlined block, in kOutlineColor. Returns the layout used, for hit tests.
// Outlining costs one step per outlined block, and nothing per cell.
//
// The client area lies at the buffer's origin. Only the buffer's width by
// height pixels are written, whatever the client size; a buffer without
// pixels, or with a stride below its width, is not written at all. Blocks at
// or past N, the bit count or the end of the bitmap span are never read and
// count as unchanged. Grid positions after the cell of block N - 1 are
// background, and $CBT or outlined blocks past it paint nothing.
BlockMapLayout PaintBlockMap(const BlockMapPicture& picture, const PixelBuffer& target);

} // namespace trackkit
