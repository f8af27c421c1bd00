#include "tracelog/status_names.h"

#include <algorithm>
#include <string_view>

#include "tracelog/bounded_text.h"
#include "tracelog/status_name_table.h"

namespace trackkit {

const char* NtStatusName(std::uint32_t code)
{
    const std::span<const StatusNameRow> rows = StatusNameRows();
    const auto row = std::lower_bound(rows.begin(), rows.end(), code,
                                      [](const StatusNameRow& r, std::uint32_t c) { return r.code < c; });
    return row != rows.end() && row->code == code ? row->name : "";
}

void FormatStatusText(std::uint32_t code, wchar_t (&out)[kStatusTextChars])
{
    BoundedText(out).Hex32(code).Text(L" (").Narrow(NtStatusName(code)).Char(L')');
}

} // namespace trackkit
