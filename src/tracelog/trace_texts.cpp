#include "tracelog/trace_texts.h"

#include <string_view>

#include "tracelog/bounded_text.h"
#include "tracelog/flag_names.h"

namespace trackkit {
namespace {

constexpr wchar_t kUnknownTime[] = L"Unknown";

void FormatTime(std::uint64_t timestamp, TraceTimeText& timeText, TraceColumnTexts& texts)
{
    if (timeText.Format(timestamp, texts.date, texts.time))
        return;
    BoundedText(texts.date).Text(kUnknownTime);
    BoundedText(texts.time).Text(kUnknownTime);
}

void FormatDrive(char16_t driveLetter, wchar_t (&out)[TraceColumnTexts::kDriveChars])
{
    BoundedText drive(out);
    if (driveLetter != 0)
        drive.Char(static_cast<wchar_t>(driveLetter)).Char(L':');
}

} // namespace

void FormatDeviceName(std::uint32_t deviceNumber, std::uint32_t flags,
                      wchar_t (&out)[TraceColumnTexts::kDeviceNameChars])
{
    BoundedText name(out);
    name.Text((flags & kCbtFlagDeviceSnapshot) != 0 ? L"HarddiskVolumeShadowCopy" : L"HarddiskVolume");
    name.Decimal(static_cast<std::int32_t>(deviceNumber));
}

void FormatHex32(std::uint32_t value, wchar_t (&out)[TraceColumnTexts::kHexChars])
{
    BoundedText(out).Hex32(value);
}

std::wstring TimePictureWithMilliseconds(std::wstring_view picture, std::wstring_view decimalSeparator,
                                         unsigned milliseconds)
{
    bool quoted = false;
    for (std::size_t i = 0; i < picture.size(); ++i) {
        if (picture[i] == L'\'')
            quoted = !quoted;
        if (quoted || picture[i] != L's')
            continue;
        std::size_t end = i;
        while (end < picture.size() && picture[end] == L's')
            ++end;
        const wchar_t digits[] = {static_cast<wchar_t>(L'0' + milliseconds / 100 % 10),
                                  static_cast<wchar_t>(L'0' + milliseconds / 10 % 10),
                                  static_cast<wchar_t>(L'0' + milliseconds % 10), L'\0'};
        std::wstring separator;
        for (const wchar_t c : decimalSeparator)
            separator += c == L'\'' ? std::wstring(L"''") : std::wstring(1, c);  // a quote inside quotes is doubled
        return std::wstring(picture.substr(0, end)) + L"'" + separator + digits + L"'" + std::wstring(picture.substr(end));
    }
    return std::wstring(picture);
}

void FormatRemainingTexts(const TraceRecord& record, TraceTimeText& timeText, TraceColumnTexts& texts)
{
    FormatTime(record.timestamp, timeText, texts);
    // The name need not end inside its field; the room of the column cuts it.
    BoundedText(texts.function).Narrow(std::string_view(record.functionName, kTraceFunctionNameBytes));
    BoundedText(texts.lineNumber).Decimal(record.lineNumber);
    FormatStatusText(record.status, texts.status);
    FormatDrive(record.driveLetter, texts.drive);
    FormatHex32(record.flags, texts.flags);
}

} // namespace trackkit
