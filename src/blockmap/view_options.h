#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "tracking/poller.h"

namespace trackkit {

// View-menu commands that the block map handles.
inline constexpr int kCommandSpeedHigh = 40004;
inline constexpr int kCommandSpeedNormal = 40005;
inline constexpr int kCommandSpeedLow = 40006;
inline constexpr int kCommandSpeedPaused = 40007;
inline constexpr int kCommandRefreshNow = 40008;
inline constexpr int kCommandBlockLarge = 40011;
inline constexpr int kCommandBlockMedium = 40012;
inline constexpr int kCommandBlockSmall = 40013;
inline constexpr int kCommandBlockSmallest = 40014;

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
