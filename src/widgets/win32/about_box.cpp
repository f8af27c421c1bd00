#include "widgets/win32/about_box.h"

#include <memory>
#include <new>
#include <optional>
#include <string>

#include "common/win32/file_version_reader.h"
#include "common/win32/gdi_objects.h"
#include "common/win32/window_record.h"
#include "resources/resource_ids.h"
#include "tracking/win32/driver_version.h"
#include "widgets/about_version.h"

namespace trackkit {
namespace {

// The tiles' edges while they fly.
constexpr COLORREF kTileFrameColor = RGB(240, 240, 240);

// What the box is opened with: its init parameter.
struct AboutSetup {
    TickSource ticks = nullptr;  // null: GetTickCount
    CrtRandom* random = nullptr;  // where the scatters draw from
};

// The dialog's record, from WM_INITDIALOG to WM_NCDESTROY, with the picture.
struct AboutRecord {
    HWND dialog = nullptr;
    TickSource ticks = nullptr;
    CrtRandom* random = nullptr;
    UniqueBitmap picture;
    int pictureWidth = 0;
    int pictureHeight = 0;
    AboutAnimation animation;

    static std::unique_ptr<AboutRecord> Create(HWND dialog, LPARAM initParameter);
};

// The C runtime's rand() is one sequence per program, never seeded: each
// scatter goes on where the last one, in this About box or an earlier one,
// left off. Every box is handed this one.
CrtRandom& ProgramRandom()
{
    static CrtRandom random;
    return random;
}

std::uint32_t SystemTicks() { return GetTickCount(); }

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
void LoadPicture(AboutRecord& record, HINSTANCE resources)
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

std::unique_ptr<AboutRecord> AboutRecord::Create(HWND dialog, LPARAM initParameter)
{
    const auto* setup = reinterpret_cast<const AboutSetup*>(initParameter);
    if (setup == nullptr || setup->random == nullptr)
        return nullptr;
    std::unique_ptr<AboutRecord> record(new (std::nothrow) AboutRecord{});
    if (record == nullptr)
        return nullptr;
    record->dialog = dialog;
    record->ticks = setup->ticks != nullptr ? setup->ticks : SystemTicks;
    record->random = setup->random;
    LoadPicture(*record, reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE)));
    record->animation = CreateAboutAnimation(record->pictureWidth, record->pictureHeight);
    return record;
}

INT_PTR OnInitDialog(AboutRecord& record)
{
    if (const auto version = ProgramFileVersion())
        SetDlgItemTextW(record.dialog, IDC_ABOUT_VERSION, AboutVersionText(version).c_str());
    if (StartIdle(record.animation))
        SetTimer(record.dialog, kAboutIdleTimerId, kAboutIdlePeriod, nullptr);
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

void OnTimer(AboutRecord& record, UINT_PTR timer)
{
    AboutStep step;
    if (timer == kAboutIdleTimerId)
        step = OnIdleTimer(record.animation, record.ticks(), [&record] { return record.random->Next(); });
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
void DrawTiles(const AboutRecord& record, HDC target, HDC compatible)
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
void OnPaint(const AboutRecord& record)
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
void OnClose(AboutRecord& record, int result)
{
    StopTimers(record.dialog);
    StopAnimation(record.animation);
    EndDialog(record.dialog, result);
}

INT_PTR OnCtlColorStatic(HDC dc)
{
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
}

INT_PTR HandleAboutMessage(AboutRecord& record, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(record);
    case WM_TIMER:
        OnTimer(record, wParam);
        return FALSE;
    case WM_PAINT:
        OnPaint(record);
        return FALSE;
    case WM_ERASEBKGND:
        SetWindowLongPtrW(record.dialog, DWLP_MSGRESULT, 1);  // the paint covers everything
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(reinterpret_cast<HDC>(wParam));
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
            OnClose(record, LOWORD(wParam));
        return TRUE;
    case WM_DESTROY:
        StopTimers(record.dialog);
        return FALSE;
    default:
        return FALSE;
    }
}

constexpr DLGPROC kAboutProcedure = RecordDialogProc<AboutRecord, HandleAboutMessage>;

} // namespace

void ShowAboutBox(HINSTANCE resources, HWND owner)
{
    RunAboutBox(resources, owner, SystemTicks);
}

INT_PTR RunAboutBox(HINSTANCE resources, HWND owner, TickSource ticks)
{
    AboutSetup setup{ticks, &ProgramRandom()};
    return DialogBoxParamW(resources, MAKEINTRESOURCEW(IDD_ABOUT), owner, kAboutProcedure,
                           reinterpret_cast<LPARAM>(&setup));
}

HWND CreateAboutBox(HINSTANCE resources, HWND owner, TickSource ticks)
{
    AboutSetup setup{ticks, &ProgramRandom()};
    return CreateDialogParamW(resources, MAKEINTRESOURCEW(IDD_ABOUT), owner, kAboutProcedure,
                              reinterpret_cast<LPARAM>(&setup));
}

const AboutAnimation* AboutAnimationOf(HWND dialog)
{
    if (dialog == nullptr || reinterpret_cast<DLGPROC>(GetWindowLongPtrW(dialog, DWLP_DLGPROC)) != kAboutProcedure)
        return nullptr;
    const AboutRecord* record = DialogRecordOf<AboutRecord>(dialog);
    return record == nullptr ? nullptr : &record->animation;
}

} // namespace trackkit
