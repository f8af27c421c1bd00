#include "common/csv.h"

namespace trackkit {
namespace {

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16 (Windows) or UTF-32 (elsewhere) to UTF-8; a lone surrogate becomes
// U+FFFD.
std::string Utf8(std::wstring_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = static_cast<char32_t>(text[i]);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[++i]) - 0xDC00);
        else if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD;
        AppendUtf8(out, c);
    }
    return out;
}

} // namespace

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
