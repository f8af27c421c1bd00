#include "widgets/about_version.h"

#include <gtest/gtest.h>

namespace trackkit {
namespace {

TEST(AboutVersionText, ShowsMajorMinorAndBuildOrTheDefault)
{
    EXPECT_EQ(AboutVersionText(FileVersion{10, 0, 8750, 0}), L"Version 10.0, Build 8750");
    EXPECT_EQ(AboutVersionText(FileVersion{65535, 65535, 65535, 65535}), L"Version 65535.65535, Build 65535");
    EXPECT_EQ(AboutVersionText(std::nullopt), L"Version 1.00");
}

} // namespace
} // namespace trackkit
