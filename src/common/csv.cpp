#include "common/csv.h"

#include "common/utf8.h"

namespace trackkit {

std::string CsvLine(const std::vector<std::wstring_view>& fields)
{
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += ',';
        const std::string field = Utf8(fields[i]);
        if (field.find_first_of(",\"\r\n") == std::string::npos) {
            line += field;
            continue;
        }
        line += '"';
        for (const char c : field)
            line += c == '"' ? std::string("\"\"") : std::string(1, c);
        line += '"';
    }
    return line + "\r\n";
}

std::wstring TabSeparatedLine(const std::vector<std::wstring_view>& fields)
{
    std::wstring line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += L'\t';
        for (const wchar_t c : fields[i])
            line += c == L'\t' || c == L'\r' || c == L'\n' ? L' ' : c;
    }
    return line + L"\r\n";
}

bool CsvPieces::Add(const std::string& line)
{
    constexpr std::size_t kPieceBytes = 1 << 16;
    pending_ += line;
    if (pending_.size() < kPieceBytes)
        return true;
    const bool written = sink_(pending_);
    pending_.clear();
    return written;
}

CsvWriteResult CsvPieces::Finish()
{
    return sink_(pending_) ? CsvWriteResult::Written : CsvWriteResult::SinkFailed;
}

} // namespace trackkit
