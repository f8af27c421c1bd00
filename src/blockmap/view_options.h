#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "resources/command_ids.h"
#include "tracking/poller.h"

namespace trackkit {

// View-menu commands that the block map handles.
inline constexpr int kCommandSpeedHigh = IDM_VIEW_SPEED_HIGH;
inline constexpr int kCommandSpeedNormal = IDM_VIEW_SPEED_NORMAL;
inline constexpr int kCommandSpeedLow = IDM_VIEW_SPEED_LOW;
inline constexpr int kCommandSpeedPaused = IDM_VIEW_SPEED_PAUSED;
inline constexpr int kCommandRefreshNow = IDM_VIEW_REFRESH_NOW;
inline constexpr int kCommandBlockLarge = IDM_VIEW_BLOCK_LARGE;
inline constexpr int kCommandBlockMedium = IDM_VIEW_BLOCK_MEDIUM;
inline constexpr int kCommandBlockSmall = IDM_VIEW_BLOCK_SMALL;
inline constexpr int kCommandBlockSmallest = IDM_VIEW_BLOCK_SMALLEST;

inline constexpr bool IsPollingPaused(std::uint32_t period) { return period == kPollPaused; }

// One item of a radio group in the View menu and the value it stands for.
struct ViewChoice {
    int command = 0;
    std::wstring_view text;
    std::uint32_t value = 0;
};

// "Block Size": cell size in pixels at 96 DPI, without the gap.
inline constexpr std::array<ViewChoice, 4> kBlockSizeChoices{{
    {kCommandBlockLarge, L"&Large", 12},
    {kCommandBlockMedium, L"&Medium", 8},
    {kCommandBlockSmall, L"&Small", 4},
    {kCommandBlockSmallest, L"Smalles&t", 2},
}};

// "&Update Speed": milliseconds between polls.
inline constexpr std::array<ViewChoice, 4> kUpdateSpeedChoices{{
    {kCommandSpeedHigh, L"&High", 250},
    {kCommandSpeedNormal, L"&Normal", 1000},
    {kCommandSpeedLow, L"&Low", 10000},
    {kCommandSpeedPaused, L"&Paused", kPollPaused},
}};

// The item that a stored BlockSize setting selects when the pane is created.
// A value that is none of the four selects "&Small": the returned value (4) is
// what the pane and the setting then hold.
ViewChoice BlockSizeChoiceFor(std::uint32_t storedBlockSize);

// The same for a stored UpdateSpeed; an unknown value selects "&Normal" (1000).
ViewChoice UpdateSpeedChoiceFor(std::uint32_t storedPeriod);

enum class ViewAction {
    Ignore,         // not a command of the pane
    SetPollPeriod,  // check the item; store the period; set the timer, or kill it when paused
    SetBlockSize,   // check the radio item; store the size; repaint without erase
    RefreshNow,     // poll at once
};

struct ViewCommandResult {
    ViewAction action = ViewAction::Ignore;
    int checkedCommand = 0;   // the item to check, for SetPollPeriod and SetBlockSize
    std::uint32_t value = 0;  // the new period (ms) or block size (pixels at 96 DPI)
};

// What a View command does to the pane. Pure: the window procedure applies it
// to the menu, its record, AppSettings and the poll timer.
ViewCommandResult DecideViewCommand(int command);

} // namespace trackkit
