#include "app/win32/frame_commands.h"

#include "app/commands.h"
#include "changes/win32/changed_files_dialog.h"
#include "common/win32/system_message.h"
#include "setup/win32/device_commands.h"
#include "setup/win32/driver_setup_commands.h"
#include "tracelog/win32/trace_log_dialog.h"
#include "volumes/volume_enumeration.h"
#include "volumes/win32/volume_list_window.h"
#include "widgets/win32/about_box.h"

namespace trackkit {
namespace {

void ShowChoiceMark(HMENU menu, SettingId setting, std::uint32_t value)
{
    const int checked = ChoiceCommandFor(setting, value);
    const std::array<int, 4> choices = ChoiceCommands(setting);
    if (ChoiceMarkOf(setting) == ChoiceMark::Radio) {
        CheckMenuRadioItem(menu, static_cast<UINT>(choices.front()), static_cast<UINT>(choices.back()),
                           static_cast<UINT>(checked), MF_BYCOMMAND);
        return;
    }
    for (const int choice : choices)
        CheckMenuItem(menu, static_cast<UINT>(choice), MF_BYCOMMAND | (choice == checked ? MF_CHECKED : MF_UNCHECKED));
}

// A View choice: the setting first, then its mark, then the block map.
void Choose(FrameWindow& frame, const Command& command)
{
    const std::uint32_t value = ChoiceValue(command);
    SetSettingValue(frame.settings, command.setting, value);
    if (frame.windows.menu != nullptr)
        ShowChoiceMark(frame.windows.menu, command.setting, value);
    if (command.setting == SettingId::UpdateSpeed)
        SetTrackViewPollPeriod(frame.windows.trackView, value);
    else
        SetTrackViewBlockSize(frame.windows.trackView, value);
}

// "&Refresh Now": the volume list first, then a poll of the tracked volume.
void RefreshVolumesAndMap(FrameWindow& frame)
{
    if (frame.windows.volumeList != nullptr)
        SendMessageW(frame.windows.volumeList, WM_COMMAND, MAKEWPARAM(IDM_VIEW_REFRESH_NOW, 0), 0);
    PollTrackedVolumeInPane(frame.windows.trackView);
}

// Removes every mouse message waiting in the thread's queue, so that the
// click which closed the menu does not also reach the map.
void FlushPendingMouseMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_MOUSEFIRST, WM_MOUSEHWHEEL, PM_REMOVE)) {
    }
}

// A window that could not be opened (its record could not be made, or the
// system could not make the window) says so, in the program's error box.
void ReportWindowNotShown(const FrameWindow& frame, const wchar_t* window, bool shown)
{
    if (shown)
        return;
    const DWORD error = GetLastError();
    const std::wstring text = std::wstring(L"The ") + window + L" window cannot be opened: " +
                              SystemMessageText(error != ERROR_SUCCESS ? error : ERROR_NOT_ENOUGH_MEMORY);
    MessageBoxW(frame.window, text.c_str(), L"TrackKit", MB_ICONERROR | MB_OK);
}

void Exit(FrameWindow& frame, const Command&) { DestroyWindow(frame.window); }
void About(FrameWindow& frame, const Command&) { ShowAboutBox(frame.instance, frame.window); }
void TraceLog(FrameWindow& frame, const Command&)
{
    TraceLogDialogContext context{frame.theme.IsLoaded(), &frame.traceLogPath, &frame.settings};
    ReportWindowNotShown(frame, L"CBT Trace Log", ShowTraceLogDialog(frame.window, context));
}
// The volume selected in the list, if any.
const VolumeEntry* SelectedVolume(const FrameWindow& frame)
{
    const VolumeList* list = VolumeListOf(frame.windows.volumeList);
    return list != nullptr ? list->At(list->selectedIndex) : nullptr;
}

// "Changed &Files...": the selected volume's session bitmap as it stands now,
// looked up through a handle of the window's own.
void ChangedFiles(FrameWindow& frame, const Command&)
{
    const TrackViewState* view = TrackViewStateOf(frame.windows.trackView);
    const TrackingSession* session = view != nullptr && view->session.volume ? &view->session : nullptr;
    const VolumeEntry* selected = SelectedVolume(frame);
    const std::wstring path = session ? session->openPath : selected ? selected->devicePath : std::wstring();
    const std::wstring volumeName = path.empty() ? std::wstring(L"no volume") : std::wstring(DeviceNameOf(path).value_or(path));
    ChangedFilesContext context{frame, frame.locale, volumeName, nullptr, 0, {}, {}, session != nullptr};
    if (session != nullptr) {
        OpenVolumeResult opened = frame.driver.OpenVolume(session->openPath);
        context.volume = std::move(opened.volume);
        context.openError = opened.error;
        context.geometry = {session->geometry.blockCount, session->geometry.bytesPerBlock, session->geometry.bytesPerCluster};
        if (selected != nullptr && selected->devicePath == session->openPath)
            context.geometry.volumeBytes = selected->TotalBytes();
        if (!session->bitmap.Empty()) {
            const std::span<const std::uint8_t> bytes = session->bitmap.Bytes();
            context.bitmap.assign(bytes.begin(), bytes.end());
        }
    }
    ReportWindowNotShown(frame, L"Changed Files", ShowChangedFilesDialog(frame.instance, frame.window, context));
}
void RefreshNow(FrameWindow& frame, const Command&) { RefreshVolumesAndMap(frame); }
void InstallDriver(FrameWindow& frame, const Command&) { InstallDriverCommand(frame.window, frame.driver); }
void RemoveDriver(FrameWindow& frame, const Command&) { RemoveDriverCommand(frame.window, frame.driver); }
void UninstallShadowCopies(FrameWindow& frame, const Command&) { UninstallRemovedShadowCopyDevices(frame.window); }
void ToggleExclusion(FrameWindow& frame, const Command& command) { ToggleDeviceExclusion(frame.window, command.id); }

// Who acts on each CommandAction, in the enumeration's order.
using CommandHandler = void (*)(FrameWindow&, const Command&);
constexpr std::array<CommandHandler, 11> kHandlers{
    Exit, About, TraceLog, ChangedFiles, Choose, RefreshNow, InstallDriver, RemoveDriver, UninstallShadowCopies,
    ToggleExclusion, ToggleExclusion,
};
static_assert(static_cast<std::size_t>(CommandAction::ToggleVhdExclusion) + 1 == kHandlers.size());

} // namespace

void RunFrameCommand(FrameWindow& frame, int id)
{
    if (const Command* command = FindCommand(id))
        kHandlers[static_cast<std::size_t>(command->action)](frame, *command);
}

void ShowChoiceMarks(const FrameWindow& frame)
{
    if (frame.windows.menu == nullptr)
        return;
    for (const SettingId setting : {SettingId::UpdateSpeed, SettingId::BlockSize})
        ShowChoiceMark(frame.windows.menu, setting, SettingValue(frame.settings, setting));
}

void ShowViewMenuAt(FrameWindow& frame, POINT screenPoint)
{
    HMENU view = frame.windows.menu != nullptr ? GetSubMenu(frame.windows.menu, IDR_MAIN_MENU_VIEW_INDEX) : nullptr;
    if (view == nullptr)
        return;
    const BOOL command = TrackPopupMenu(view, TPM_RETURNCMD | TPM_RIGHTBUTTON, screenPoint.x, screenPoint.y, 0,
                                        frame.window, nullptr);
    FlushPendingMouseMessages();
    RunFrameCommand(frame, command);
}

} // namespace trackkit
