#pragma once

#include <cstdint>
#include <optional>
#include <span>

// A $FILE_NAME attribute's value: one name of a file in one directory. A
// file has one for each hard link, and often a short DOS name besides.

namespace trackkit::ntfs {

enum class NameSpace : std::uint8_t { Posix = 0, Win32 = 1, Dos = 2, Win32AndDos = 3 };

struct FileNameValue {
    std::uint64_t parent = 0;               // the directory's record
    NameSpace nameSpace = NameSpace::Posix;
    std::span<const std::uint8_t> name;     // UTF-16LE, 1 to 255 units, none of them 0
};

// Nothing when the name does not fit the value, is empty, holds a 0 unit or
// is in no known name space.
std::optional<FileNameValue> ReadFileName(std::span<const std::uint8_t> value);

// A DOS name is only the short twin of a long one.
inline bool IsDosOnly(NameSpace nameSpace) { return nameSpace == NameSpace::Dos; }

} // namespace trackkit::ntfs
