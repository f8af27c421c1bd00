#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "resources/command_ids.h"
#include "settings/settings.h"

namespace trackkit {

// What a command of the menu bar does, and so who acts on it.
enum class CommandAction {
    Exit,                   // the frame closes
    About,                  // the About box
    TraceLog,               // the trace log dialog
    ChangedFiles,           // the files that own the changed blocks
    ChooseSetting,          // a View choice: the setting, then the block map
    RefreshNow,             // the volume list, then the block map
    InstallDriver,          // the driver's setup
    RemoveDriver,
    UninstallShadowCopies,  // the device maintenance
    ToggleUsbExclusion,
    ToggleVhdExclusion,
};

// One command: its id, its text in the menu bar, what it does, and for a
// View choice the setting it sets and the index of its value among the
// setting's accepted values.
struct Command {
    int id;
    std::wstring_view menuText;
    CommandAction action;
    SettingId setting = SettingId::BlockSize;
    std::size_t choice = 0;
};

// Every command of the menu bar, in menu order.
inline constexpr std::array<Command, 18> kCommands{{
    {IDM_FILE_INSTALL_DRIVER, L"&Install CBT Driver...", CommandAction::InstallDriver},
    {IDM_FILE_REMOVE_DRIVER, L"&Remove CBT Driver...", CommandAction::RemoveDriver},
    {IDM_FILE_UNINSTALL_SHADOW_COPIES, L"&Uninstall Removed Shadow Copy Devices...", CommandAction::UninstallShadowCopies},
    {IDM_FILE_EXCLUDE_USB, L"Exclude &USB Devices", CommandAction::ToggleUsbExclusion},
    {IDM_FILE_EXCLUDE_VHD, L"Exclude &VHD Devices", CommandAction::ToggleVhdExclusion},
    {IDM_FILE_EXIT, L"E&xit\tAlt+F4", CommandAction::Exit},
    {IDM_VIEW_REFRESH_NOW, L"&Refresh Now", CommandAction::RefreshNow},
    {IDM_VIEW_SPEED_HIGH, L"&High", CommandAction::ChooseSetting, SettingId::UpdateSpeed, 0},
    {IDM_VIEW_SPEED_NORMAL, L"&Normal", CommandAction::ChooseSetting, SettingId::UpdateSpeed, 1},
    {IDM_VIEW_SPEED_LOW, L"&Low", CommandAction::ChooseSetting, SettingId::UpdateSpeed, 2},
    {IDM_VIEW_SPEED_PAUSED, L"&Paused", CommandAction::ChooseSetting, SettingId::UpdateSpeed, 3},
    {IDM_VIEW_BLOCK_LARGE, L"&Large", CommandAction::ChooseSetting, SettingId::BlockSize, 0},
    {IDM_VIEW_BLOCK_MEDIUM, L"&Medium", CommandAction::ChooseSetting, SettingId::BlockSize, 1},
    {IDM_VIEW_BLOCK_SMALL, L"&Small", CommandAction::ChooseSetting, SettingId::BlockSize, 2},
    {IDM_VIEW_BLOCK_SMALLEST, L"Smalles&t", CommandAction::ChooseSetting, SettingId::BlockSize, 3},
    {IDM_VIEW_TRACE_LOG, L"&Trace Log...", CommandAction::TraceLog},
    {IDM_VIEW_CHANGED_FILES, L"Changed &Files...", CommandAction::ChangedFiles},
    {IDM_HELP_ABOUT, L"&About TrackKit...", CommandAction::About},
}};

// How the menu marks the current choice of a setting: "&Update Speed" with
// a check mark, "Block Size" with a radio bullet.
enum class ChoiceMark { Check, Radio };
ChoiceMark ChoiceMarkOf(SettingId setting);

// The command with this id; null for anything else (0, a dismissed menu,
// among them).
const Command* FindCommand(int id);

// The value a View choice sets.
std::uint32_t ChoiceValue(const Command& command);

// The View choices of a setting, in menu order, and the one that shows
// `value` (0 when none does).
std::array<int, 4> ChoiceCommands(SettingId setting);
int ChoiceCommandFor(SettingId setting, std::uint32_t value);

} // namespace trackkit
