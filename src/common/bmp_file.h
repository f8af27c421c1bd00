#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trackkit {

// Encodes 0x00RRGGBB pixels, top row first, as a 32-bit BMP file image.
std::vector<std::uint8_t> EncodeBmp(const std::uint32_t* pixels, int width, int height, int stride);

// Writes the BMP image to a file; false when the file cannot be written.
bool WriteBmpFile(const std::string& path, const std::uint32_t* pixels, int width, int height, int stride);

} // namespace trackkit
