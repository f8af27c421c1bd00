#include "blockmap/view_state.h"

#include <gtest/gtest.h>

#include <vector>

#include "blockmap/view_options.h"

namespace trackkit {
namespace {

TEST(ViewStateTest, StoredSettingsOutsideTheMenusAreReplacedInBothPlaces)
{
    const struct {
        std::uint32_t storedSize, storedSpeed;
        int sizeCommand, speedCommand;
        std::uint32_t size, speed;
    } cases[] = {
        {9, 5000, kCommandBlockSmall, kCommandSpeedNormal, 4, 1000},  // first run: the defaults
        {12, 0x7FFFFFFF, kCommandBlockLarge, kCommandSpeedPaused, 12, 0x7FFFFFFF},
        {2, 250, kCommandBlockSmallest, kCommandSpeedHigh, 2, 250},
        {0, 0, kCommandBlockSmall, kCommandSpeedNormal, 4, 1000},  // the key could not be read
    };
    for (const auto& c : cases) {
        TrackViewState view;
        AppSettings settings;
        settings.blockSize = c.storedSize;
        settings.updateSpeed = c.storedSpeed;

        const ViewMenuChecks checks = ApplyStoredViewSettings(view, settings);

        EXPECT_EQ(checks.blockSizeCommand, c.sizeCommand) << c.storedSize;
        EXPECT_EQ(checks.updateSpeedCommand, c.speedCommand) << c.storedSpeed;
        EXPECT_EQ(view.blockSize, c.size);
        EXPECT_EQ(settings.blockSize, c.size);
        EXPECT_EQ(view.session.pollPeriod, c.speed);
        EXPECT_EQ(settings.updateSpeed, c.speed);
    }
}

TEST(ViewStateTest, APaintWithoutAGridKeepsTheLastLayoutForHitTests)
{
    TrackViewState view;
    ASSERT_TRUE(view.session.bitmap.SizeFor(5529));
    view.session.geometry.blockCount = 5529;
    view.blockSize = 4;
    std::vector<Pixel> pixels(500 * 301);
    const PixelBuffer target{pixels.data(), 500, 301, 500};

    RememberLayout(view, PaintBlockMap(PictureOf(view, 500, 300, 0), target));
    ASSERT_EQ(view.lastLayout.blocksPerCell, 1u);
    ASSERT_EQ(view.lastLayout.pitchX, 5);

    RememberLayout(view, PaintBlockMap(PictureOf(view, 12, 12, 0), target));  // at most three pitches
    EXPECT_EQ(view.lastLayout.blocksPerCell, 1u);
    EXPECT_EQ(view.lastLayout.pitchX, 5);
    EXPECT_EQ(view.lastLayout.lastColumn, 97);
}

} // namespace
} // namespace trackkit
