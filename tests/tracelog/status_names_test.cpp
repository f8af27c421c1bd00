#include "tracelog/status_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>

#include "tracelog/status_name_table.h"

namespace trackkit {
namespace {

TEST(NtStatusNameTest, NamesTheCodesOfEachRangeOnTheWholeValue)
{
    const struct {
        std::uint32_t code;
        const char* name;
    } cases[] = {
        {0x00000000, "STATUS_SUCCESS"},  // also STATUS_WAIT_0: the first name wins
        {0x00000121, "STATUS_DS_MEMBERSHIP_EVALUATED_LOCALLY"},
        {0x00010001, "DBG_EXCEPTION_HANDLED"},
        {0x40000000, "STATUS_OBJECT_NAME_EXISTS"},
        {0x400200AF, "RPC_NT_SEND_INCOMPLETE"},
        {0x80000005, "STATUS_BUFFER_OVERFLOW"},
        {0xC0000022, "STATUS_ACCESS_DENIED"},
        {0xC00002E8, "STATUS_MULTIPLE_FAULT_VIOLATION"},
        {0xC0009898, "STATUS_WOW_ASSERTION"},
        {0xC0020034, "EPT_NT_INVALID_ENTRY"},
        {0xC0030001, "RPC_NT_NO_MORE_ENTRIES"},
        {0xC0140021, "STATUS_ACPI_POWER_REQUEST_FAILED"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(NtStatusName(c.code), c.name) << std::hex << c.code;
}

TEST(NtStatusNameTest, HolesCustomerCodesAndCodesOutsideTheRangesHaveAnEmptyName)
{
    const std::uint32_t unnamed[] = {
        0xC0000036,  // a hole inside a range
        0xE0000001,  // customer bit
        0xE0000022,  // STATUS_ACCESS_DENIED with the customer bit: no masking
        0x00000122,  // named by the header, but past the success range
        0xC00002E9,  // named by the header, between the range's end and 0xC0000300
        0xC01C0001,  // a filter manager code: a facility the table leaves out
        0xFFFFFFFF,
    };
    for (const std::uint32_t code : unnamed)
        EXPECT_STREQ(NtStatusName(code), "") << std::hex << code;
}

// The ranges the table covers, with the smallest count each must reach and
// the prefix of its names; a generator that drops or widens a range fails.
struct CoveredRange {
    std::uint32_t first, last;
    std::size_t leastCount;
    const char* prefix;
} constexpr kCoveredRanges[] = {
    {0x00000000, 0x00000121, 35, "STATUS_"},
    {0x00010001, 0x00010002, 2, "DBG_"},
    {0x40000000, 0x40000294, 43, "STATUS_"},
    {0x40010001, 0x40010008, 8, "DBG_"},
    {0x40020056, 0x40020056, 1, "RPC_NT_"},
    {0x400200AF, 0x400200AF, 1, "RPC_NT_"},
    {0x400A0004, 0x400A0005, 2, "STATUS_CTX_"},
    {0x80000001, 0x80000289, 37, "STATUS_"},
    {0x80010001, 0x80010001, 1, "DBG_"},
    {0xC0000001, 0xC00002E8, 614, "STATUS_"},
    {0xC0000300, 0xC0000300, 1, "STATUS_"},
    {0xC0009898, 0xC0009898, 1, "STATUS_"},
    {0xC0010001, 0xC0010002, 2, "DBG_"},
    {0xC0020001, 0xC0020063, 85, ""},  // RPC_NT_ and EPT_NT_
    {0xC0030001, 0xC0030061, 21, "RPC_NT_"},
    {0xC0040035, 0xC0040037, 3, "STATUS_PNP_"},
    {0xC00A0001, 0xC00A0034, 35, "STATUS_"},  // STATUS_CTX_, and STATUS_RDP_PROTOCOL_ERROR
    {0xC0140001, 0xC0140021, 27, "STATUS_ACPI_"},
};

TEST(StatusNameTableTest, IsSortedAndHoldsOnlyTheCoveredRangesWithTheirPrefixes)
{
    std::size_t counts[std::size(kCoveredRanges)] = {};
    std::size_t endpointNames = 0;
    std::uint32_t previous = 0;
    for (const StatusNameRow& row : StatusNameRows()) {
        if (&row != StatusNameRows().data())
            EXPECT_LT(previous, row.code) << row.name;
        previous = row.code;
        const auto range = std::find_if(std::begin(kCoveredRanges), std::end(kCoveredRanges),
                                        [&](const CoveredRange& r) { return row.code >= r.first && row.code <= r.last; });
        ASSERT_NE(range, std::end(kCoveredRanges)) << std::hex << row.code << " " << row.name;
        ++counts[range - std::begin(kCoveredRanges)];
        EXPECT_EQ(std::strncmp(row.name, range->prefix, std::strlen(range->prefix)), 0) << row.name;
        if (row.code == range->first || row.code == range->last)
            ++endpointNames;
    }
    for (std::size_t i = 0; i < std::size(kCoveredRanges); ++i)
        EXPECT_GE(counts[i], kCoveredRanges[i].leastCount) << std::hex << kCoveredRanges[i].first;
    EXPECT_EQ(endpointNames, 31u) << "every range begins and ends with a named code";
}

TEST(FormatStatusTextTest, ShowsTheCodeAndTheNameInParenthesesAndEveryNameFits)
{
    wchar_t text[kStatusTextChars];
    FormatStatusText(0xC0000022, text);
    EXPECT_STREQ(text, L"0xC0000022 (STATUS_ACCESS_DENIED)");
    FormatStatusText(0x20000000, text);
    EXPECT_STREQ(text, L"0x20000000 ()");
    for (const StatusNameRow& row : StatusNameRows()) {
        FormatStatusText(row.code, text);
        EXPECT_EQ(std::wcslen(text), std::strlen(row.name) + 13) << row.name;
    }
}

} // namespace
} // namespace trackkit
