#pragma once

#include <cstdint>
#include <span>
#include <vector>

// A file's attribute list: one entry for each attribute record the file
// has, naming the record that holds it. Only a base record's list counts;
// pieces of one attribute in several records each have an entry with the
// piece's first virtual cluster.

namespace trackkit::ntfs {

struct AttributeListEntry {
    std::uint32_t type = 0;
    std::span<const std::uint8_t> name;  // UTF-16LE, in the list's value
    std::uint64_t lowestVcn = 0;
    std::uint64_t record = 0;  // where the attribute record lies
};

// The entries of a list's value; false when an entry's length or name does
// not fit the value (entries read before it stay in entries).
bool ReadAttributeList(std::span<const std::uint8_t> value, std::vector<AttributeListEntry>& entries);

} // namespace trackkit::ntfs
