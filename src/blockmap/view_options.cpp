#include "blockmap/view_options.h"

#include <algorithm>

namespace trackkit {
namespace {

// Sizes by 40014 minus the command: the menu lists them from large to small.
constexpr std::array<std::uint32_t, 4> kBlockSizeByOffset{2, 4, 8, 12};

bool IsBlockSizeCommand(int command)
{
    return command >= kCommandBlockLarge && command <= kCommandBlockSmallest;
}

bool IsUpdateSpeedCommand(int command)
{
    return command >= kCommandSpeedHigh && command <= kCommandSpeedPaused;
}

ViewChoice ChoiceWithValue(const std::array<ViewChoice, 4>& choices, std::uint32_t value, int fallbackCommand)
{
    const auto match = std::find_if(choices.begin(), choices.end(), [&](const ViewChoice& choice) { return choice.value == value; });
    if (match != choices.end())
        return *match;
    return *std::find_if(choices.begin(), choices.end(), [&](const ViewChoice& choice) { return choice.command == fallbackCommand; });
}

} // namespace

ViewChoice BlockSizeChoiceFor(std::uint32_t storedBlockSize)
{
    return ChoiceWithValue(kBlockSizeChoices, storedBlockSize, kCommandBlockSmall);
}

ViewChoice UpdateSpeedChoiceFor(std::uint32_t storedPeriod)
{
    return ChoiceWithValue(kUpdateSpeedChoices, storedPeriod, kCommandSpeedNormal);
}

ViewCommandResult DecideViewCommand(int command)
{
    if (IsUpdateSpeedCommand(command)) {
        const auto index = static_cast<std::size_t>(command - kCommandSpeedHigh);
        return {ViewAction::SetPollPeriod, command, kUpdateSpeedChoices[index].value};
    }
    if (IsBlockSizeCommand(command)) {
        const auto offset = static_cast<std::size_t>(kCommandBlockSmallest - command);
        return {ViewAction::SetBlockSize, command, kBlockSizeByOffset[offset]};
    }
    if (command == kCommandRefreshNow)
        return {ViewAction::RefreshNow, 0, 0};
    return {};
}

} // namespace trackkit
