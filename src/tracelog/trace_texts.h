#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tracelog/status_names.h"
#include "tracelog/trace_log_format.h"

namespace trackkit {

// The nine column texts of one record, each in the room the list gives it
// (terminator included). Every text is cut to fit and terminated.
struct TraceColumnTexts {
    static constexpr std::size_t kDateChars = 32;
    static constexpr std::size_t kTimeChars = 32;
    static constexpr std::size_t kFunctionChars = 64;
    static constexpr std::size_t kLineNumberChars = 16;
    static constexpr std::size_t kDeviceNameChars = 64;
    static constexpr std::size_t kDriveChars = 3;
    static constexpr std::size_t kHexChars = 16;

    wchar_t date[kDateChars] = {};
    wchar_t time[kTimeChars] = {};
    wchar_t function[kFunctionChars] = {};
    wchar_t lineNumber[kLineNumberChars] = {};
    wchar_t status[kStatusTextChars] = {};
    wchar_t deviceName[kDeviceNameChars] = {};
    wchar_t drive[kDriveChars] = {};
    wchar_t flags[kHexChars] = {};
    wchar_t threadId[kHexChars] = {};
};

// Formats a FILETIME as stored (no time-zone conversion) in the user's date
// and time formats. Returns false when the value cannot be converted to a
// calendar time (2^63 or more); the texts are then left for the caller.
class TraceTimeText {
public:
    virtual ~TraceTimeText() = default;
    virtual bool Format(std::uint64_t fileTime, wchar_t (&date)[TraceColumnTexts::kDateChars],
                        wchar_t (&time)[TraceColumnTexts::kTimeChars]) = 0;
};

// The user's time picture (GetTimeFormatW's, such as "h:mm:ss tt") with the
// milliseconds put in right after the seconds as quoted literal text:
// "h:mm:ss'.123' tt". Quoted text in the picture is skipped; a picture
// without seconds is returned as it is.
std::wstring TimePictureWithMilliseconds(std::wstring_view picture, std::wstring_view decimalSeparator,
                                         unsigned milliseconds);

// "HarddiskVolumeShadowCopy%d" when flags has the snapshot bit, else
// "HarddiskVolume%d"; the number as a signed decimal. The same text names the
// device in the DeviceName column and in the device filter list.
void FormatDeviceName(std::uint32_t deviceNumber, std::uint32_t flags,
                      wchar_t (&out)[TraceColumnTexts::kDeviceNameChars]);
// "0x%08X": always ten characters.
void FormatHex32(std::uint32_t value, wchar_t (&out)[TraceColumnTexts::kHexChars]);

// The remaining texts (everything except deviceName and threadId, which the
// filters need first): date, time, function, line number, status, drive, flags.
void FormatRemainingTexts(const TraceRecord& record, TraceTimeText& timeText, TraceColumnTexts& texts);

} // namespace trackkit
