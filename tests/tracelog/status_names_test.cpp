#include "tracelog/status_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

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
        {0x00000080, "STATUS_ABANDONED"},
        {0x00000103, "STATUS_PENDING"},
        {0x00000121, "STATUS_DS_MEMBERSHIP_EVALUATED_LOCALLY"},
        {0x00010001, "DBG_EXCEPTION_HANDLED"},
        {0x40000000, "STATUS_OBJECT_NAME_EXISTS"},
        {0x40020056, "RPC_NT_UUID_LOCAL_ONLY"},
        {0x400200AF, "RPC_NT_SEND_INCOMPLETE"},
        {0x80000005, "STATUS_BUFFER_OVERFLOW"},
        {0x80010001, "DBG_EXCEPTION_NOT_HANDLED"},
        {0xC0000001, "STATUS_UNSUCCESSFUL"},
        {0xC000000D, "STATUS_INVALID_PARAMETER"},
        {0xC0000022, "STATUS_ACCESS_DENIED"},
        {0xC0000034, "STATUS_OBJECT_NAME_NOT_FOUND"},
        {0xC000009A, "STATUS_INSUFFICIENT_RESOURCES"},
        {0xC00002E8, "STATUS_MULTIPLE_FAULT_VIOLATION"},
        {0xC0000300, "STATUS_NOT_SUPPORTED_ON_SBS"},
        {0xC0009898, "STATUS_WOW_ASSERTION"},
        {0xC0020034, "EPT_NT_INVALID_ENTRY"},
        {0xC0030001, "RPC_NT_NO_MORE_ENTRIES"},
        {0xC0140001, "STATUS_ACPI_INVALID_OPCODE"},
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
        0x20000000,  // customer bit on a success code
        0xE0000022,  // STATUS_ACCESS_DENIED with the customer bit: no masking
        0x00000122,  // named by the header, but past the success range
        0xC00002E9,  // named by the header, between the range's end and 0xC0000300
        0xC0009899,
        0xC01C0001,  // a filter manager code: a facility the table leaves out
        0xFFFFFFFF,
    };
    for (const std::uint32_t code : unnamed) {
        ASSERT_NE(NtStatusName(code), nullptr);
        EXPECT_STREQ(NtStatusName(code), "") << std::hex << code;
    }
}

// The ranges the table covers, with the smallest count each must reach and
// the prefix of its names; a generator that drops or widens a range fails.
struct CoveredRange {
    std::uint32_t first;
    std::uint32_t last;
    std::size_t leastCount;
    const char* prefix;
};

constexpr CoveredRange kCoveredRanges[] = {
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
    {0xC0020001, 0xC0020063, 85, ""},  // RPC_NT_ and EPT_NT_, counted below
    {0xC0030001, 0xC0030061, 21, "RPC_NT_"},
    {0xC0040035, 0xC0040037, 3, "STATUS_PNP_"},
    {0xC00A0001, 0xC00A0034, 35, "STATUS_"},  // STATUS_CTX_, and STATUS_RDP_PROTOCOL_ERROR
    {0xC0140001, 0xC0140021, 27, "STATUS_ACPI_"},
};

bool StartsWith(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

TEST(StatusNameTableTest, IsSortedAndHoldsOnlyTheCoveredRangesWithTheirPrefixes)
{
    std::size_t counts[std::size(kCoveredRanges)] = {};
    std::size_t endpointNames = 0;
    const StatusNameRow* previous = nullptr;
    for (const StatusNameRow& row : StatusNameRows()) {
        if (previous != nullptr) {
            EXPECT_LT(previous->code, row.code) << row.name;
        }
        previous = &row;
        const auto range = std::find_if(std::begin(kCoveredRanges), std::end(kCoveredRanges),
                                        [&](const CoveredRange& r) { return row.code >= r.first && row.code <= r.last; });
        ASSERT_NE(range, std::end(kCoveredRanges)) << std::hex << row.code << " " << row.name;
        ++counts[range - std::begin(kCoveredRanges)];
        EXPECT_TRUE(StartsWith(row.name, range->prefix)) << row.name;
        if (row.code == range->first || row.code == range->last)
            ++endpointNames;
    }
    for (std::size_t i = 0; i < std::size(kCoveredRanges); ++i)
        EXPECT_GE(counts[i], kCoveredRanges[i].leastCount) << std::hex << kCoveredRanges[i].first;
    // Every range begins and ends with a named code.
    std::size_t endpoints = 0;
    for (const CoveredRange& range : kCoveredRanges)
        endpoints += range.first == range.last ? 1 : 2;
    EXPECT_EQ(endpointNames, endpoints);
    EXPECT_GE(StatusNameRows().size(), 919u);
}

TEST(StatusNameTableTest, TheRpcRuntimeRangeHoldsFourEndpointMapperNames)
{
    std::size_t endpointMapper = 0;
    std::size_t rpc = 0;
    for (const StatusNameRow& row : StatusNameRows()) {
        if (row.code < 0xC0020001 || row.code > 0xC0020063)
            continue;
        endpointMapper += StartsWith(row.name, "EPT_NT_") ? 1 : 0;
        rpc += StartsWith(row.name, "RPC_NT_") ? 1 : 0;
    }
    EXPECT_EQ(endpointMapper, 4u);
    EXPECT_EQ(rpc, 81u);
}

TEST(FormatStatusTextTest, ShowsTheCodeAndTheNameInParentheses)
{
    wchar_t text[kStatusTextChars];
    FormatStatusText(0xC0000022, text);
    EXPECT_STREQ(text, L"0xC0000022 (STATUS_ACCESS_DENIED)");
    FormatStatusText(0x20000000, text);
    EXPECT_STREQ(text, L"0x20000000 ()");
    FormatStatusText(0, text);
    EXPECT_STREQ(text, L"0x00000000 (STATUS_SUCCESS)");
}

TEST(FormatStatusTextTest, EveryNameFitsTheColumn)
{
    wchar_t text[kStatusTextChars];
    for (const StatusNameRow& row : StatusNameRows()) {
        FormatStatusText(row.code, text);
        EXPECT_EQ(std::wcslen(text), std::strlen(row.name) + 13) << row.name;
        EXPECT_EQ(text[std::wcslen(text) - 1], L')') << row.name;
    }
}

} // namespace
} // namespace trackkit
