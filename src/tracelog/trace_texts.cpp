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
