#include "tracelog/trace_texts.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <cwchar>
#include <string>

#include "tracelog/bounded_text.h"

namespace trackkit {
namespace {

// Writes "date" and "time" when the value converts; on failure it leaves
// rubbish behind, as a failed platform call may.
class FakeTimeText : public TraceTimeText {
public:
    bool Format(std::uint64_t fileTime, wchar_t (&date)[TraceColumnTexts::kDateChars],
                wchar_t (&time)[TraceColumnTexts::kTimeChars]) override
    {
        if (fileTime >= (1ull << 63)) {
            std::wcscpy(date, L"garbage");
            return false;
        }
        std::wcscpy(date, L"date");
        std::wcscpy(time, L"time");
        return true;
    }
};

TraceRecord SampleRecord()
{
    TraceRecord record;
    record.timestamp = 133'500'000'000'000'000ull;
    record.threadId = 0x1A4;
    record.flags = 0x80001004;
    record.deviceNumber = 3;
    record.driveLetter = u'D';
    record.lineNumber = 412;
    record.status = 0xC0000022;
    std::strcpy(record.functionName, "CbtPreWrite");
    return record;
}

TraceColumnTexts RemainingTextsOf(const TraceRecord& record)
{
    FakeTimeText timeText;
    TraceColumnTexts texts;
    FormatRemainingTexts(record, timeText, texts);
    return texts;
}

TEST(FormatRemainingTextsTest, BuildsEachColumnOfARecord)
{
    const TraceColumnTexts texts = RemainingTextsOf(SampleRecord());
    EXPECT_STREQ(texts.date, L"date");
    EXPECT_STREQ(texts.time, L"time");
    EXPECT_STREQ(texts.function, L"CbtPreWrite");
    EXPECT_STREQ(texts.lineNumber, L"412");
    EXPECT_STREQ(texts.status, L"0xC0000022 (STATUS_ACCESS_DENIED)");
    EXPECT_STREQ(texts.drive, L"D:");
    EXPECT_STREQ(texts.flags, L"0x80001004");
}

TEST(FormatRemainingTextsTest, OddFieldsGiveSoundTexts)
{
    TraceRecord record = SampleRecord();
    record.timestamp = (1ull << 63) - 1;
    EXPECT_STREQ(RemainingTextsOf(record).time, L"time");
    record.timestamp = 1ull << 63;
    EXPECT_STREQ(RemainingTextsOf(record).date, L"Unknown") << "not the rubbish a failed conversion left";
    EXPECT_STREQ(RemainingTextsOf(record).time, L"Unknown");

    std::memset(record.functionName, 'F', sizeof record.functionName);  // no zero byte at all
    EXPECT_EQ(std::wstring(RemainingTextsOf(record).function), std::wstring(63, L'F'));
    std::strcpy(record.functionName, "Cb\xE9\xFF");  // bytes above 127 keep their value
    EXPECT_STREQ(RemainingTextsOf(record).function, L"Cb\u00E9\u00FF");

    record.lineNumber = INT_MIN;
    EXPECT_STREQ(RemainingTextsOf(record).lineNumber, L"-2147483648");
    record.driveLetter = 0;
    EXPECT_STREQ(RemainingTextsOf(record).drive, L"");
}

TEST(FormatDeviceNameTest, ShadowCopiesByTheSnapshotBitAndNumbersSigned)
{
    const struct {
        std::uint32_t number;
        std::uint32_t flags;
        const wchar_t* name;
    } cases[] = {
        {3, 0, L"HarddiskVolume3"},
        {3, 0x00000004, L"HarddiskVolumeShadowCopy3"},
        {10, 0xFFFFFFFB, L"HarddiskVolume10"},
        {0xFFFFFFFF, 0, L"HarddiskVolume-1"},
        {0x80000000, 0x4, L"HarddiskVolumeShadowCopy-2147483648"},
    };
    for (const auto& c : cases) {
        wchar_t name[TraceColumnTexts::kDeviceNameChars];
        FormatDeviceName(c.number, c.flags, name);
        EXPECT_STREQ(name, c.name);
    }
}

TEST(FormatHex32Test, AlwaysEightUpperCaseDigits)
{
    wchar_t text[TraceColumnTexts::kHexChars];
    FormatHex32(0xABCDEF01, text);
    EXPECT_STREQ(text, L"0xABCDEF01");
    FormatHex32(0, text);
    EXPECT_STREQ(text, L"0x00000000");
}

TEST(BoundedTextTest, CutsAtTheRoomAndStaysTerminated)
{
    wchar_t three[3];
    BoundedText(three).Text(L"abcdef");
    EXPECT_STREQ(three, L"ab");
    BoundedText(three).Hex32(0xC0000022);
    EXPECT_STREQ(three, L"0x");
    BoundedText(three).Decimal(-123);
    EXPECT_STREQ(three, L"-1");

    wchar_t one[1] = {L'x'};
    BoundedText(one).Text(L"abc").Char(L'd');
    EXPECT_STREQ(one, L"");
}

} // namespace
} // namespace trackkit
