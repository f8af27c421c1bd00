#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace trackkit {

// A file version as a version resource's fixed part holds it: major.minor.build.revision.
struct FileVersion {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t build = 0;
    std::uint16_t revision = 0;

    bool operator==(const FileVersion&) const = default;
};

// The fixed part of a version resource (VS_FIXEDFILEINFO), as the version
// API hands it out: 13 little-endian 32-bit fields, starting with the
// signature 0xFEEF04BD. Nothing when the block is too short or the signature
// is wrong, so that a damaged resource is never read past its end.
std::optional<FileVersion> DecodeFixedFileInfo(std::span<const std::uint8_t> block);

// folder + "\" + relative, with exactly one backslash between them, the way
// PathAppendW joins them; an empty folder gives the relative part alone.
std::wstring AppendPath(std::wstring_view folder, std::wstring_view relative);

} // namespace trackkit
