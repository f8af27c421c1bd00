#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace trackkit {

// Tables handed to other programs: CSV files that spreadsheets open, and
// tab-separated text for the clipboard.

// Spreadsheet programs read a CSV file as UTF-8 only when it starts with this.
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// One line of a CSV file as RFC 4180 has it, in UTF-8 and ended by CRLF: a
// field with a comma, a quote, a CR or an LF is quoted, its quotes doubled.
std::string CsvLine(const std::vector<std::wstring_view>& fields);

// One line of tab-separated text for the clipboard, ended by CRLF: tabs and
// line breaks inside a field become spaces.
std::wstring TabSeparatedLine(const std::vector<std::wstring_view>& fields);

// Takes the next bytes of a file being written; false when they could not be
// written, which stops the writing.
using ByteSink = std::function<bool(std::string_view bytes)>;

enum class CsvWriteResult : std::uint8_t { Written, SinkFailed, Cancelled };

// Gathers a file's lines and hands them to the sink in pieces of some tens
// of kilobytes: few writes, and flat memory however long the file. It starts
// with the UTF-8 byte order mark.
class CsvPieces {
public:
    explicit CsvPieces(const ByteSink& sink) : sink_(sink), pending_(kUtf8ByteOrderMark) {}

    // False when the sink has failed.
    bool Add(const std::string& line);
    // Hands over the rest: Written, or SinkFailed.
    CsvWriteResult Finish();

private:
    const ByteSink& sink_;
    std::string pending_;
};

} // namespace trackkit
