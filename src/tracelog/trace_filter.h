#pragma once

#include <string>

namespace trackkit {

// The selected texts of the device and ThreadId filter lists; empty when a
// list has no selection. An empty text or one that begins with "*" lets
// every record pass; any other passes the records whose text it is exactly.
struct TraceFilters {
    std::wstring device;
    std::wstring threadId;
};

} // namespace trackkit
