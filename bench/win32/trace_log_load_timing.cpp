// How long the "CBT Trace Log" dialog takes to show a large trace log, timed
// against what reading and decoding the same file costs without the list.
//
//   trackkit_trace_log_timing [RECORDS] [ROUNDS]      (default 100000 records, 3 rounds)
//
// Writes a sample log to the temporary folder, opens the dialog on the
// screen (modeless, same procedure as the modal one), and per round times:
//   baseline  read the file in one piece and walk every record through the
//             reader's core: filters, the nine column texts, the time-order
//             sort; no window involved;
//   dialog    LoadTraceLog into a new dialog's empty table and its first
//             paint; then a reload into the full table (which first empties it).
// Prints the median of each and their ratio. Run it under Wine with a
// display (tools/wine-run with TRACKKIT_DISPLAY=xvfb).
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "sim/trace_log_writer.h"
#include "tracelog/trace_selection.h"
#include "tracelog/trace_texts.h"
#include "tracelog/win32/trace_log_dialog.h"
#include "tracelog/win32/trace_log_snapshot.h"
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

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct NoLists final : FilterListSink {
    void AddText(TraceFilterList, std::wstring_view) override {}
};

// Everything a load does except the list: returns the records listed.
std::size_t DecodeWithoutList(const std::wstring& path)
{
    const TraceLogSnapshot snapshot = ReadTraceLogSnapshot(path);
    const TraceRecordArea area = LocateTraceRecords(snapshot.Bytes());
    TraceFilterState filters;
    filters.selected = {L"*", L"*"};
    NoLists lists;
    const std::vector<ListedRecord> listed = SelectTraceRecords(area, filters, lists);
    WindowsTraceTimeText timeText;
    std::size_t characters = 0;
    for (const ListedRecord& record : listed) {
        TraceColumnTexts texts;
        const TraceRecord decoded = ReadTraceRecord(area, record.recordIndex);
        FormatDeviceName(decoded.deviceNumber, decoded.flags, texts.deviceName);
        FormatHex32(decoded.threadId, texts.threadId);
        FormatRemainingTexts(decoded, timeText, texts);
        characters += texts.date[0] != 0 ? 1 : 0;
    }
    return characters == listed.size() ? listed.size() : 0;
}

void PumpMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

int Run(std::size_t records, int rounds)
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"trackkit-timing-" + std::to_wstring(GetCurrentProcessId()) + L".log";
    SampleTraceLogOptions options;
    options.records = records;
    const std::vector<std::uint8_t> log = WriteSampleTraceLog(options);
    {
        std::ofstream out(path.c_str(), std::ios::binary);
        out.write(reinterpret_cast<const char*>(log.data()), static_cast<std::streamsize>(log.size()));
    }

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    std::vector<double> baseline;
    std::vector<double> firstLoads;
    std::vector<double> reloads;
    std::size_t listed = 0;
    LRESULT rows = 0;
    // The dialogs' log path, set once each round's dialog is open.
    std::wstring logPath;
    TraceLogDialogContext context{false, &logPath};
    for (int round = 0; round < rounds; ++round) {
        const Stopwatch decode;
        listed = DecodeWithoutList(path);
        baseline.push_back(decode.Milliseconds());

        // A new dialog each round, so the first load finds an empty table
        // (in a prefix without a DebugLogPath value). Dialogs stay open: a
        // shown window costs Wine seconds to destroy.
        logPath.clear();
        HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TRACE_LOG), nullptr,
                                         TraceLogDialogProc, reinterpret_cast<LPARAM>(&context));
        if (dialog == nullptr) {
            std::fprintf(stderr, "the dialog could not be created\n");
            return 1;
        }
        ShowWindow(dialog, SW_SHOW);
        PumpMessages();
        logPath = path;
        HWND table = GetDlgItem(dialog, IDC_TRACE_LOG_TABLE);

        const Stopwatch first;
        std::uint32_t result = LoadTraceLog(dialog);
        UpdateWindow(table);
        firstLoads.push_back(first.Milliseconds());
        PumpMessages();

        const Stopwatch again;
        result |= LoadTraceLog(dialog);
        UpdateWindow(table);
        reloads.push_back(again.Milliseconds());
        PumpMessages();
        if (result != 0) {
            std::fprintf(stderr, "LoadTraceLog failed with %u\n", result);
            return 1;
        }
        rows = SendMessageW(table, LVM_GETITEMCOUNT, 0, 0);
    }
    DeleteFileW(path.c_str());

    const double base = Median(baseline);
    const double shown = Median(firstLoads);
    const double reloaded = Median(reloads);
    std::printf("records in file:             %zu (%zu bytes)\n", records, log.size());
    std::printf("rows listed:                 %lld (decoded without list: %zu)\n", static_cast<long long>(rows), listed);
    std::printf("baseline, no list:           %.1f ms (median of %d)\n", base, rounds);
    std::printf("dialog, first load + paint:  %.1f ms (median of %d)\n", shown, rounds);
    std::printf("dialog, reload + paint:      %.1f ms (median of %d)\n", reloaded, rounds);
    std::printf("ratio first load/baseline:   %.2f\n", base > 0 ? shown / base : 0.0);
    std::printf("ratio reload/baseline:       %.2f\n", base > 0 ? reloaded / base : 0.0);
    return 0;
}

} // namespace
} // namespace trackkit

int main(int argc, char** argv)
{
    const std::size_t records = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 100000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    return trackkit::Run(records, rounds);
}
