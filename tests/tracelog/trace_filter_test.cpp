#include "tracelog/trace_filter.h"

#include <gtest/gtest.h>

namespace trackkit {
namespace {

TEST(FilterAcceptsTest, PassesOnNoSelectionALeadingStarOrTheExactText)
{
    const struct {
        const wchar_t* selected;
        const wchar_t* record;
        bool accepted;
    } cases[] = {
        {L"", L"HarddiskVolume2", true},
        {L"*anything", L"HarddiskVolume2", true},
        {L"HarddiskVolume2", L"HarddiskVolume2", true},
        {L"harddiskvolume2", L"HarddiskVolume2", false},
        {L"HarddiskVolume1", L"HarddiskVolume10", false},
        {L"HarddiskVolume10", L"HarddiskVolume1", false},
        {L" *", L"0x000001A4", false},
        {L"HarddiskVolume2", L"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FilterAccepts(c.selected, c.record), c.accepted) << c.selected << L" / " << c.record;
}

TEST(FilterChoicesTest, OffersEachDistinctTextOnceUntilReset)
{
    FilterChoices choices;
    EXPECT_TRUE(choices.Offer(L"HarddiskVolume2"));
    EXPECT_FALSE(choices.Offer(L"HarddiskVolume2"));
    EXPECT_TRUE(choices.Offer(L"harddiskvolume2"));
    EXPECT_EQ(choices.Count(), 2u);
    choices.Reset();
    EXPECT_EQ(choices.Count(), 0u);
    EXPECT_TRUE(choices.Offer(L"HarddiskVolume2"));
}

} // namespace
} // namespace trackkit
