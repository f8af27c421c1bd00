#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "common/win32/unique_handles.h"

namespace trackkit {

inline void UnmapFileView(const void* view) { UnmapViewOfFile(view); }
using UniqueFileView = UniqueResource<NullableHandleTraits<const void*, UnmapFileView>>;

// The trace log as a read-only view of the file, opened with OpenTraceLog:
// pages are read from the file when first touched and shared with the
// system's cache, so no copy of the file is made. A view is at most
// 0xFFFFFFFF bytes (EndOffset is 32-bit: nothing beyond can be a record), so
// of a file of 4 GiB or more the first 0xFFFFFFFF bytes are mapped.
struct TraceLogFile {
    // 0, or the Windows error of the opening, the size query or the mapping
    // (1392 for an empty file).
    std::uint32_t error = 0;
    // The error came from the mapping: no room in the address space, or no
    // memory for the section.
    bool mappingFailed = false;
    UniqueFileView view;
    std::size_t bytes = 0;

    std::span<const std::uint8_t> Bytes() const
    {
        return {static_cast<const std::uint8_t*>(view.Get()), bytes};
    }
};

TraceLogFile MapTraceLog(std::wstring_view path);

} // namespace trackkit
