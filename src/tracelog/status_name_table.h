#pragma once

#include <cstdint>
#include <span>

namespace trackkit {

// One code of the status name table and the name ntstatus.h gives it.
struct StatusNameRow {
    std::uint32_t code;
    const char* name;
};

// Every named code, sorted by code, each code once. The table is generated
// from ntstatus.h by tools/status_names.
std::span<const StatusNameRow> StatusNameRows();

} // namespace trackkit
