// How long "Changed Files" takes on the demo's volume: from the command (a
// volume handle of the window's own, the bitmap copied) to the full table,
// beside the same work without a window (the file table's pass, the way the
// window goes for this many changed blocks) and beside the cluster lookup
// that the window used before.
//
//   trackkit_changed_files_timing [VOLUME_GB]   (default: the size of C:, as the demo sizes it)
//
// The volume is the demo's: a live simulated session four hours old.
// One line per figure, name=value_unit. Run it under Wine with a display
// (TRACKKIT_DISPLAY=xvfb tools/wine-run ...).
#include <windows.h>

#include <commctrl.h>

#include <array>
#include <chrono>
#include <optional>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "changes/changed_files.h"
#include "changes/changed_files_way.h"
#include "changes/win32/changed_files_dialog.h"
#include "resources/resource_ids.h"
#include "sim/live_volume_driver.h"
#include "sim/plain_locale_text.h"
#include "tracking/driver_contract.h"
#include "tracking/poller.h"
#include "tracking/session_bitmap.h"

namespace trackkit {
namespace {

constexpr wchar_t kVolume[] = L"\\\\.\\C:";

double MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The process's time in the kernel and in its own code: what a run costs
// besides the wall clock (a busy machine stretches the one, not the others).
struct ProcessCost {
    double kernelMs = 0;
    double userMs = 0;

    static ProcessCost Now()
    {
        FILETIME created{}, exited{}, kernel{}, user{};
        GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
        const auto ms = [](FILETIME t) {
            return static_cast<double>((std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime) / 10'000.0;
        };
        return {ms(kernel), ms(user)};
    }
    void PrintSince(const ProcessCost& before, const char* name) const
    {
        std::printf("%s_kernel=%.1f_ms\n%s_user=%.1f_ms\n", name, kernelMs - before.kernelMs, name,
                    userMs - before.userMs);
    }
};

struct NoOutline final : ChangedFilesHost {
    void OutlineBlocks(std::vector<std::uint32_t>) override {}
};

// The window, from its creation to the table filled, then closed.
struct Watch {
    std::chrono::steady_clock::time_point start;
    double fullTable = -1;
    std::size_t rows = 0;
    HWND dialog = nullptr;
    HHOOK hook = nullptr;
    static inline Watch* current = nullptr;

    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (code == HC_ACTION && call->message == WM_INITDIALOG && current->dialog == nullptr) {
            current->dialog = call->hwnd;
            SetTimer(nullptr, 0, 5, Tick);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD)
    {
        wchar_t text[16] = {};
        GetWindowTextW(GetDlgItem(current->dialog, IDCANCEL), text, 16);
        if (std::wstring(text) != L"Close")
            return;
        KillTimer(nullptr, timer);
        HWND table = GetDlgItem(current->dialog, IDC_CHANGED_FILES_TABLE);
        UpdateWindow(table);
        current->fullTable = MillisecondsSince(current->start);
        current->rows = static_cast<std::size_t>(SendMessageW(table, LVM_GETITEMCOUNT, 0, 0));
        PostMessageW(current->dialog, WM_CLOSE, 0, 0);
    }
};

} // namespace
} // namespace trackkit

int main(int argc, char** argv)
{
    using namespace trackkit;
    std::uint64_t volumeBytes = 0;
    if (argc > 1) {
        volumeBytes = std::strtoull(argv[1], nullptr, 10) << 30;
    } else {
        ULARGE_INTEGER total{};
        GetDiskFreeSpaceExW(L"C:\\", nullptr, &total, nullptr);
        volumeBytes = total.QuadPart;
    }
    constexpr std::chrono::hours kHistory{4};
    SteadyClock clock;
    LiveVolumeDriver driver([&](std::wstring_view) { return std::optional(volumeBytes); }, clock,
                            FileTimeFromSystemTime(std::chrono::system_clock::now() - kHistory), kHistory);
    OpenVolumeResult opened = driver.OpenVolume(kVolume);
    if (!opened.volume) {
        std::fprintf(stderr, "the simulated volume could not be opened\n");
        return 1;
    }
    std::array<std::uint8_t, kTrackingGeometryLength> record{};
    opened.volume->QueryGeometry(record);
    const std::optional<VolumeGeometry> geometry = GeometryFromRecord(DecodeTrackingGeometry(record).value_or(TrackingGeometry{}));
    if (!geometry) {
        std::fprintf(stderr, "the simulated volume has no geometry\n");
        return 1;
    }
    std::vector<std::uint8_t> bitmap(SessionBitmap::BufferSizeFor(geometry->blockCount));
    opened.volume->QuerySessionBitmap(bitmap);
    const ChangedFilesGeometry files{geometry->blockCount, geometry->bytesPerBlock, geometry->bytesPerCluster, volumeBytes};
    std::printf("volume_gb=%llu\nchanged_blocks=%llu\n", static_cast<unsigned long long>(volumeBytes >> 30),
                static_cast<unsigned long long>(CountChangedBlocks(bitmap, geometry->blockCount)));

    const ProcessCost beforeLookup = ProcessCost::Now();
    const auto lookup = std::chrono::steady_clock::now();
    const ChangedFilesReport report = FindChangedFiles(*opened.volume, files, bitmap, {});
    std::printf("baseline_lookup=%.1f_ms\nfiles=%zu\nrequests=%u\n", MillisecondsSince(lookup), report.files.size(),
                report.requests);
    ProcessCost::Now().PrintSince(beforeLookup, "baseline_lookup");
    const ProcessCost beforePass = ProcessCost::Now();
    const auto pass = std::chrono::steady_clock::now();
    const ChangedFilesReport read = FindChangedFilesEitherWay(*opened.volume, files, bitmap, {}, {});
    std::printf("baseline_pass=%.1f_ms\n# the pass read %llu records and found %zu files\n", MillisecondsSince(pass),
                static_cast<unsigned long long>(read.recordsRead), read.files.size());
    ProcessCost::Now().PrintSince(beforePass, "baseline_pass");

    NoOutline host;
    PlainLocaleText locale;
    Watch watch;
    Watch::current = &watch;
    watch.hook = SetWindowsHookExW(WH_CALLWNDPROCRET, Watch::Hook, nullptr, GetCurrentThreadId());
    watch.start = std::chrono::steady_clock::now();
    // What the frame does on the command, then the window.
    OpenVolumeResult own = driver.OpenVolume(kVolume);
    ChangedFilesContext context{host, locale, L"C:", std::move(own.volume), own.error, files, bitmap};
    ShowChangedFilesDialog(GetModuleHandleW(nullptr), nullptr, context);
    UnhookWindowsHookEx(watch.hook);
    std::printf("window_full_table=%.1f_ms\nwindow_rows=%zu\n", watch.fullTable, watch.rows);
    return watch.fullTable < 0 ? 1 : 0;
}
