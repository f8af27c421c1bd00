#include "widgets/win32/about_box.h"

#include <new>
#include <optional>
#include <string>

#include "common/win32/gdi_objects.h"
#include "common/win32/gdi_objects.h"
#include "common/win32/message_guard.h"
#include "resources/resource_ids.h"
#include "common/win32/file_version_reader.h"
#include "tracking/win32/driver_version.h"
#include "widgets/about_version.h"

namespace trackkit {
namespace {

// The tiles' edges while they fly.
constexpr COLORREF kTileFrameColor = RGB(240, 240, 240);

// The dialog's record: allocated in WM_INITDIALOG, attached as the dialog's
// user data (DWLP_USER) and deleted in WM_DESTROY, with the picture.
struct AboutWindow {
    HWND dialog = nullptr;
    TickSource ticks = nullptr;
    UniqueBitmap picture;
    int pictureWidth = 0;
    int pictureHeight = 0;
    AboutAnimation animation;
};

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The C runtime's rand() is one sequence per program, never seeded: each
// scatter goes on where the last one, in this About box or an earlier one,
// left off.
CrtRandom& ProgramRandom()
{
    static CrtRandom random;
    return random;
}

std::uint32_t SystemTicks() { return GetTickCount(); }

AboutWindow* RecordOf(HWND dialog) { return reinterpret_cast<AboutWindow*>(GetWindowLongPtrW(dialog, DWLP_USER)); }

std::optional<FileVersion> ProgramFileVersion()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::nullopt;  // a cut path would name another file
    return ReadFileVersion(std::wstring(path, length));
}

// Without the picture the box still opens, plain white above its text, and
// nothing is animated.
void LoadPicture(AboutWindow& record, HINSTANCE resources)
{
    record.picture.Reset(LoadBitmapW(resources, MAKEINTRESOURCEW(IDB_ABOUT_PICTURE)));
    BITMAP info{};
    if (!record.picture || GetObjectW(record.picture.Get(), sizeof(info), &info) == 0) {
        record.picture.Reset();
        return;
    }
    record.pictureWidth = info.bmWidth;
    record.pictureHeight = info.bmHeight;
}

INT_PTR OnInitDialog(HWND dialog, const TickSource* ticks)
{
    auto* record = new (std::nothrow) AboutWindow;
    if (record == nullptr) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    record->dialog = dialog;
    record->ticks = ticks != nullptr && *ticks != nullptr ? *ticks : SystemTicks;
    LoadPicture(*record, reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE)));
    record->animation = CreateAboutAnimation(record->pictureWidth, record->pictureHeight);
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(record));

    if (const auto version = ProgramFileVersion())
        SetDlgItemTextW(dialog, IDC_ABOUT_VERSION, AboutVersionText(version).c_str());
    if (StartIdle(record->animation))
        SetTimer(dialog, kAboutIdleTimerId, kAboutIdlePeriod, nullptr);
    return TRUE;
}

void StopTimers(HWND dialog)
{
    KillTimer(dialog, kAboutIdleTimerId);
    KillTimer(dialog, kAboutFrameTimerId);
}

void SwitchTimers(HWND dialog, TimerSwitch change)
{
    switch (change) {
    case TimerSwitch::IdleToFrame:
        KillTimer(dialog, kAboutIdleTimerId);
        SetTimer(dialog, kAboutFrameTimerId, kAboutFramePeriod, nullptr);
        break;
    case TimerSwitch::FrameToIdle:
        KillTimer(dialog, kAboutFrameTimerId);
        SetTimer(dialog, kAboutIdleTimerId, kAboutIdlePeriod, nullptr);
        break;
    case TimerSwitch::None:
        break;
    }
}

void OnTimer(AboutWindow& record, UINT_PTR timer)
{
    AboutStep step;
    if (timer == kAboutIdleTimerId)
        step = OnIdleTimer(record.animation, record.ticks(), [] { return ProgramRandom().Next(); });
    else if (timer == kAboutFrameTimerId)
        step = OnFrameTimer(record.animation, record.ticks());
    SwitchTimers(record.dialog, step.timers);
    if (step.repaint) {
        InvalidateRect(record.dialog, nullptr, FALSE);
        UpdateWindow(record.dialog);
    }
}

// Each tile from its place in the picture to where it is now; while they
// fly, each gets a one-pixel frame. Later tiles cover earlier ones.
void DrawTiles(const AboutWindow& record, HDC target, HDC compatible)
{
    if (!record.picture || record.animation.tiles.empty())
        return;
    RECT client{};
    GetClientRect(record.dialog, &client);
    const TilePoint origin = PictureOrigin(client.left, client.top, client.right, record.pictureWidth);
    UniqueMemoryDc source = CreateMemoryDc(compatible);
    if (!source)
        return;
    SelectedObject picture(source.Get(), record.picture.Get());
    const UniqueBrush frame(CreateSolidBrush(kTileFrameColor));
    for (const AboutTile& tile : record.animation.tiles) {
        const int x = origin.x + tile.current.x;
        const int y = origin.y + tile.current.y;
        BitBlt(target, x, y, tile.width, tile.height, source.Get(), tile.source.x, tile.source.y, SRCCOPY);
        if (record.animation.animating && frame) {
            const RECT edge{x, y, x + tile.width, y + tile.height};
            FrameRect(target, &edge, frame.Get());
        }
    }
}

// Drawn off-screen in client coordinates and copied in one piece, so the
// flying tiles never flicker.
void OnPaint(const AboutWindow& record)
{
    PaintScope paint(record.dialog);
    const RECT& area = paint.Area();
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return;
    UniqueMemoryDc offscreen = CreateMemoryDc(paint.Dc());
    UniqueBitmap canvas(CreateCompatibleBitmap(paint.Dc(), width, height));
    if (!offscreen || !canvas)
        return;
    SelectedObject selected(offscreen.Get(), canvas.Get());
    SetViewportOrgEx(offscreen.Get(), -area.left, -area.top, nullptr);
    PatBlt(offscreen.Get(), area.left, area.top, width, height, WHITENESS);
    DrawTiles(record, offscreen.Get(), paint.Dc());
    SetViewportOrgEx(offscreen.Get(), 0, 0, nullptr);
    BitBlt(paint.Dc(), area.left, area.top, width, height, offscreen.Get(), 0, 0, SRCCOPY);
}

// The timers stop with the command, not only with the window: a box that is
// merely hidden (the modeless one) must not go on animating.
void OnClose(HWND dialog, int result)
{
    StopTimers(dialog);
    if (AboutWindow* record = RecordOf(dialog))
        StopAnimation(record->animation);
    EndDialog(dialog, result);
}

void OnDestroy(HWND dialog)
{
    StopTimers(dialog);
    AboutWindow* record = RecordOf(dialog);
    SetWindowLongPtrW(dialog, DWLP_USER, 0);
    delete record;
}

INT_PTR OnCtlColorStatic(HDC dc)
{
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
}

INT_PTR HandleAboutDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        return OnInitDialog(dialog, reinterpret_cast<const TickSource*>(lParam));
    switch (message) {
    case WM_TIMER:
        if (AboutWindow* record = RecordOf(dialog))
            OnTimer(*record, wParam);
        return FALSE;
    case WM_PAINT:
        if (AboutWindow* record = RecordOf(dialog))
            OnPaint(*record);
        return FALSE;
    case WM_ERASEBKGND:
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 1);  // the paint covers everything
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(reinterpret_cast<HDC>(wParam));
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
            OnClose(dialog, LOWORD(wParam));
        return TRUE;
    case WM_DESTROY:
        OnDestroy(dialog);
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return HandleWithoutEscaping([&] { return HandleAboutDialogMessage(dialog, message, wParam, lParam); }, INT_PTR{FALSE});
}

} // namespace

void ShowAboutBox(HINSTANCE resources, HWND owner)
{
    RunAboutBox(resources, owner, SystemTicks);
}

INT_PTR RunAboutBox(HINSTANCE resources, HWND owner, TickSource ticks)
{
    return DialogBoxParamW(resources, MAKEINTRESOURCEW(IDD_ABOUT), owner, AboutDialogProc,
                           reinterpret_cast<LPARAM>(&ticks));
}

HWND CreateAboutBox(HINSTANCE resources, HWND owner, TickSource ticks)
{
    return CreateDialogParamW(resources, MAKEINTRESOURCEW(IDD_ABOUT), owner, AboutDialogProc,
                              reinterpret_cast<LPARAM>(&ticks));
}

const AboutAnimation* AboutAnimationOf(HWND dialog)
{
    if (dialog == nullptr || reinterpret_cast<DLGPROC>(GetWindowLongPtrW(dialog, DWLP_DLGPROC)) != AboutDialogProc)
        return nullptr;
    const AboutWindow* record = RecordOf(dialog);
    return record == nullptr ? nullptr : &record->animation;
}

} // namespace trackkit
