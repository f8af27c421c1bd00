// How long the "CBT Trace Log" dialog takes to show large trace logs and to
// answer a filter change, each beside what the same work costs without a
// window, and how much memory the process holds once a log is shown.
//
//   trackkit_trace_log_timing [RECORDS...]      (default 100000 1000000 10000000)
//
// For each size, a sample log is written once to the temporary folder, then:
//   <n>_baseline_load        read the file into memory and build the index,
//                            no window
//   <n>_dialog_first_rows    a new dialog (modeless, the modal one's
//                            procedure) from its creation to its first
//                            painted rows, the load going through the worker
//   <n>_baseline_filter      the rows of one device from the index, no window
//   <n>_dialog_filter        the same device chosen in the dialog's list, to
//                            the repainted table
//   <n>_scroll_end           the table scrolled to its last row and painted
//   <n>_baseline_find_miss   a text no filtered row holds, looked for in all
//                            their texts, no window
//   <n>_dialog_find_miss     the same through the dialog's find bar, to the
//                            "Not found" the worker's answer gives
//   <n>_select_to_end        Shift+End from the first filtered row: every
//                            row selected and painted
//   <n>_copy_selected        Ctrl+C of those rows, to the clipboard (up to
//                            a million records)
//   <n>_working_set          the process's working set with the log shown
// One line per figure, name=value_unit (ms or mb). Run it under Wine with a display
// (TRACKKIT_DISPLAY=xvfb tools/wine-run ...).
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "sim/trace_log_writer.h"
#include "tracelog/trace_index.h"
#include "tracelog/win32/trace_log_dialog.h"
#include "tracelog/win32/trace_log_loader.h"
#include "tracelog/win32/windows_trace_time_text.h"

namespace trackkit {
namespace {

class Stopwatch {
public:
    Stopwatch() { QueryPerformanceCounter(&start_); }
    double Milliseconds() const
    {
        LARGE_INTEGER now{};
        LARGE_INTEGER frequency{};
        QueryPerformanceCounter(&now);
        QueryPerformanceFrequency(&frequency);
        return 1000.0 * static_cast<double>(now.QuadPart - start_.QuadPart) / static_cast<double>(frequency.QuadPart);
    }

private:
    LARGE_INTEGER start_{};
};

void Print(const char* name, std::size_t records, double value, const char* unit)
{
    std::printf("%zu_%s=%.1f_%s\n", records, name, value, unit);
    std::fflush(stdout);
}

bool WriteSample(const std::wstring& path, std::size_t records)
{
    SampleTraceLogOptions options;
    options.records = records;
    const std::vector<std::uint8_t> log = WriteSampleTraceLog(options);
    std::ofstream out(path.c_str(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(log.data()), static_cast<std::streamsize>(log.size()));
    return static_cast<bool>(out);
}

void PumpMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void AwaitWorker(HWND dialog)
{
    while (IsTraceLogBusy(dialog)) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        PumpMessages();
    }
}

// A key sent to the table with a modifier held, as the dialog reads it.
void PressWith(int modifier, HWND window, WPARAM key)
{
    BYTE keys[256] = {};
    keys[modifier] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(window, WM_KEYDOWN, key, 0);
    keys[modifier] = 0;
    SetKeyboardState(keys);
}

double WorkingSetMegabytes()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
}

// What the find bar looks for through every filtered row in vain.
constexpr wchar_t kMissingText[] = L"no record holds this";

// The device filtered on: HarddiskVolume2, which holds about two fifths of a
// sample log's records, else the first the list offers.
std::wstring SomeDevice(const TraceLogIndex& index)
{
    const std::vector<std::wstring>& devices = index.DeviceTexts();
    if (std::find(devices.begin(), devices.end(), L"HarddiskVolume2") != devices.end())
        return L"HarddiskVolume2";
    return devices.empty() ? std::wstring(L"*") : devices.front();
}

int Measure(std::size_t records)
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"trackkit-timing-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(records) + L".log";
    if (!WriteSample(path, records)) {
        std::fprintf(stderr, "the sample log could not be written\n");
        return 1;
    }

    std::wstring device;
    {
        const Stopwatch load;
        const TraceLoadResult loaded = LoadTraceLogFile(path, {});
        Print("baseline_load", records, load.Milliseconds(), "ms");
        if (!loaded.log)
            return 1;
        const TraceLogIndex& index = loaded.log->index;
        device = SomeDevice(index);
        const Stopwatch filter;
        const SharedTraceRows filtered = SelectRows(index, {device, L"*"});
        Print("baseline_filter", records, filter.Milliseconds(), "ms");
        std::printf("# %zu records: the filter on %ls lists %zu rows\n", records, device.c_str(), filtered->size());
        WindowsTraceTimeText timeText;
        const Stopwatch find;
        const bool found = FindRow(index, *filtered, filtered->size(), true, kMissingText, false, timeText, {}).has_value();
        Print("baseline_find_miss", records, find.Milliseconds(), "ms");
        if (found)
            return 1;
    }

    // The dialog stays open: destroying a shown window costs Wine seconds.
    static std::vector<std::wstring> logPaths;  // outlive their dialogs
    logPaths.reserve(8);
    logPaths.push_back(path);
    // The tool's own log, whatever DebugLogPath the machine has registered.
    TraceLogDialogContext context{false, &logPaths.back(), nullptr, false};
    const Stopwatch shown;
    HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TRACE_LOG), nullptr,
                                     TraceLogDialogProc, reinterpret_cast<LPARAM>(&context));
    if (dialog == nullptr) {
        std::fprintf(stderr, "the dialog could not be created\n");
        return 1;
    }
    ShowWindow(dialog, SW_SHOW);
    AwaitWorker(dialog);
    HWND table = GetDlgItem(dialog, IDC_TRACE_LOG_TABLE);
    UpdateWindow(table);
    Print("dialog_first_rows", records, shown.Milliseconds(), "ms");
    if (static_cast<std::size_t>(SendMessageW(table, LVM_GETITEMCOUNT, 0, 0)) != records) {
        std::fprintf(stderr, "the table does not list every record\n");
        return 1;
    }
    PumpMessages();
    Print("working_set", records, WorkingSetMegabytes(), "mb");

    const Stopwatch scroll;
    SendMessageW(table, LVM_ENSUREVISIBLE, static_cast<WPARAM>(records - 1), FALSE);
    UpdateWindow(table);
    Print("scroll_end", records, scroll.Milliseconds(), "ms");

    HWND deviceFilter = GetDlgItem(dialog, IDC_TRACE_LOG_DEVICE_FILTER);
    const Stopwatch filter;
    SendMessageW(deviceFilter, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(device.c_str()));
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_TRACE_LOG_DEVICE_FILTER, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(deviceFilter));
    AwaitWorker(dialog);
    UpdateWindow(table);
    Print("dialog_filter", records, filter.Milliseconds(), "ms");
    PumpMessages();

    HWND bar = FindWindowExW(dialog, nullptr, L"#32770", nullptr);  // the find bar
    SetDlgItemTextW(bar, IDC_FIND_BAR_TEXT, kMissingText);
    const Stopwatch find;
    SendMessageW(GetDlgItem(bar, IDC_FIND_BAR_TEXT), WM_KEYDOWN, VK_RETURN, 0);
    AwaitWorker(dialog);
    Print("dialog_find_miss", records, find.Milliseconds(), "ms");
    PumpMessages();

    LVITEMW first{};
    first.state = first.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(table, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&first));
    SendMessageW(table, LVM_SETSELECTIONMARK, 0, 0);
    const Stopwatch select;
    PressWith(VK_SHIFT, table, VK_END);
    UpdateWindow(table);
    Print("select_to_end", records, select.Milliseconds(), "ms");
    std::printf("# %zu records: %lld rows selected\n", records,
                static_cast<long long>(SendMessageW(table, LVM_GETSELECTEDCOUNT, 0, 0)));
    if (records <= 1000000) {
        const Stopwatch copy;
        PressWith(VK_CONTROL, table, 'C');
        AwaitWorker(dialog);
        Print("copy_selected", records, copy.Milliseconds(), "ms");
    }
    PumpMessages();
    return 0;
}

} // namespace
} // namespace trackkit

int main(int argc, char** argv)
{
    std::vector<std::size_t> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::strtoull(argv[i], nullptr, 10));
    if (sizes.empty())
        sizes = {100000, 1000000, 10000000};
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    for (const std::size_t records : sizes)
        if (trackkit::Measure(records) != 0)
            return 1;
    return 0;
}
