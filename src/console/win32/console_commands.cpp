#include "console/win32/console_commands.h"

#include <chrono>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "blockmap/view_state.h"
#include "changes/changed_files_table.h"
#include "changes/changed_files_way.h"
#include "common/bmp_file.h"
#include "common/utf8.h"
#include "common/win32/csv_file.h"
#include "common/win32/file_version_reader.h"
#include "common/win32/locale_text.h"
#include "common/win32/system_message.h"
#include "console/console_reports.h"
#include "console/volume_match.h"
#include "settings/win32/registry_store.h"
#include "tracelog/trace_export.h"
#include "tracelog/win32/trace_log_export.h"
#include "tracelog/win32/trace_log_loader.h"
#include "tracelog/win32/trace_log_location.h"
#include "tracelog/win32/windows_trace_time_text.h"
#include "tracking/win32/driver_version.h"
#include "volumes/volume_enumeration.h"
#include "volumes/win32/windows_volume_system.h"

namespace trackkit {
namespace {

// A command that cannot give its answer: what the user reads on standard error.
class CommandFailure : public std::runtime_error {
public:
    explicit CommandFailure(const std::wstring& reason) : std::runtime_error("command failure"), reason_(reason) {}
    const std::wstring& Reason() const { return reason_; }

private:
    std::wstring reason_;
};

// Lines of progress, on standard error when it is a console, rewritten in
// place a few times a second; gone once the command ends.
class ProgressLine {
public:
    explicit ProgressLine(ConsoleOutput& err) : err_(err) {}
    ~ProgressLine() { Clear(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void Show(const std::wstring& text)
    {
        const auto now = std::chrono::steady_clock::now();
        if (!err_.IsConsole() || now - shown_ < std::chrono::milliseconds(200))
            return;
        shown_ = now;
        Clear();
        err_.Write(text + L"\r");
        width_ = text.size();
    }

private:
    void Clear()
    {
        if (width_ > 0)
            err_.Write(std::wstring(width_, L' ') + L"\r");
        width_ = 0;
    }

    ConsoleOutput& err_;
    std::chrono::steady_clock::time_point shown_{};
    std::size_t width_ = 0;
};

struct NoTimer final : PollTimer {
    void Start(std::uint32_t) override {}
    void Stop() override {}
};

struct NoPane final : PaneRepaint {
    void Invalidate(bool) override {}
};

struct NoListHost final : VolumeListHost {
    void OpenTrackedVolume(std::wstring_view) override {}
};

VolumeList ListVolumes(LocaleText& locale)
{
    VolumeList list;
    WindowsVolumeSystem system;
    NoListHost host;
    if (!RefreshVolumes(list, system, locale, false, host))
        throw CommandFailure(L"The system's volumes cannot be listed: " + SystemMessageText(GetLastError()));
    return list;
}

const VolumeEntry& NamedVolume(const VolumeList& list, const std::string& name)
{
    const VolumeEntry* entry = FindVolume(list, WideFromUtf8(name));
    if (entry == nullptr)
        throw CommandFailure(L"No volume is named \"" + WideFromUtf8(name) +
                             L"\": give a drive letter (C:), a mount path or a volume name that \"TrackKitCmd volumes\" lists.");
    return *entry;
}

std::wstring ShortName(const VolumeEntry& entry) { return std::wstring(DeviceNameOf(entry.devicePath).value_or(entry.devicePath)); }

// Opens the volume for tracking as the block map does, polling once. The
// report's statistics say whether the driver answered for it.
PollReport OpenTracking(TrackingSession& session, const VolumeEntry& entry, TrackingDriver& driver)
{
    NoTimer timer;
    NoPane pane;
    PollerHost host{driver, timer, pane};
    return OpenTrackedVolume(&session, entry.devicePath, host);
}

// The driver answers for the volume, or the command fails saying so.
void RequireTracking(const PollReport& report, const VolumeEntry& entry)
{
    if (report.statistics != StatisticsUpdate::Values)
        throw CommandFailure(L"The tracking driver does not answer for " + ShortName(entry) +
                             L", so it has no statistics, session or block map for it.");
}

void WriteFileWhole(const std::wstring& path, const CsvWriter& write)
{
    const CsvFileOutcome outcome = WriteCsvFile(path, write);
    if (outcome.result == CsvWriteResult::Cancelled)
        throw CommandFailure(L"Cancelled: " + path + L" was not written.");
    if (outcome.result != CsvWriteResult::Written)
        throw CommandFailure(outcome.failure);
}

int Volumes(const ConsoleRequest& request, ConsoleContext& context)
{
    WindowsLocaleText locale;
    const VolumeList list = ListVolumes(locale);
    std::vector<VolumeStatus> volumes;
    for (const VolumeEntry& entry : list.entries) {
        TrackingSession session;
        volumes.push_back({&entry, OpenTracking(session, entry, context.driver).statistics == StatisticsUpdate::Values});
    }
    if (request.json)
        context.out.WriteUtf8(VolumesJson(volumes));
    else
        context.out.Write(VolumesText(volumes));
    return kExitSuccess;
}

int Stats(const ConsoleRequest& request, ConsoleContext& context)
{
    WindowsLocaleText locale;
    const VolumeList list = ListVolumes(locale);
    const VolumeEntry& entry = NamedVolume(list, request.volume);
    TrackingSession session;
    const PollReport report = OpenTracking(session, entry, context.driver);
    RequireTracking(report, entry);
    const std::wstring version = DriverVersionText(SystemDirectory());
    const StatisticsAnswer answer =
        AnswerStatistics(ShortName(entry), version == kUnknownText ? std::nullopt : std::optional(version), report.info, locale);
    if (request.json)
        context.out.WriteUtf8(StatisticsJson(answer));
    else
        context.out.Write(StatisticsText(answer));
    return kExitSuccess;
}

// The run the "Changed Files" window makes for the volume, with its progress
// on standard error and Ctrl+C as its Cancel.
ChangedFilesReport FindChangedFilesOf(const VolumeEntry& entry, ConsoleContext& context, LocaleText& locale)
{
    TrackingSession session;
    RequireTracking(OpenTracking(session, entry, context.driver), entry);
    ChangedFilesGeometry geometry{session.geometry.blockCount, session.geometry.bytesPerBlock, session.geometry.bytesPerCluster,
                                  entry.TotalBytes()};
    std::vector<std::uint8_t> bitmap;
    if (!session.bitmap.Empty()) {
        const std::span<const std::uint8_t> bytes = session.bitmap.Bytes();
        bitmap.assign(bytes.begin(), bytes.end());
    }
    ChangedFilesReport report;
    report.end = CheckLookupInputs(geometry, bitmap);
    if (report.end != ChangedFilesEnd::Complete)
        return report;
    OpenVolumeResult opened = context.driver.OpenVolume(entry.devicePath);
    if (!opened.volume)
        throw CommandFailure(L"The volume cannot be opened for the lookup: " + SystemMessageText(opened.error));

    ProgressLine progress(context.err);
    report = RunChangedFiles(
        *opened.volume, geometry, bitmap,
        [&](std::uint64_t done, std::uint64_t total) {
            progress.Show(FileTableProgressText(done, total, locale));
            return !context.cancel.Requested();
        },
        [&](std::uint64_t done, std::uint64_t total) {
            progress.Show(LookupProgressText(done, total, locale));
            return !context.cancel.Requested();
        },
        [&] { return context.cancel.Requested(); });
    SortChangedFiles(report.files, ChangedFileColumn::ChangedBytes, SortsDescendingFirst(ChangedFileColumn::ChangedBytes));
    return report;
}

int ChangedFiles(const ConsoleRequest& request, ConsoleContext& context)
{
    WindowsLocaleText locale;
    const VolumeList list = ListVolumes(locale);
    const VolumeEntry& entry = NamedVolume(list, request.volume);
    const ChangedFilesReport report = FindChangedFilesOf(entry, context, locale);
    const ChangedFilesAnswer answer{ShortName(entry), ChangedFilesSummary(report, locale),
                                    ChangedFilesStatus(report, [](std::uint32_t error) { return SystemMessageText(error); }, locale),
                                    &report};
    // Only a whole answer is given: a run cut short would read as fewer changed files.
    if (report.end != ChangedFilesEnd::Complete)
        throw CommandFailure(answer.status);
    if (!request.csvPath.empty())
        WriteFileWhole(WideFromUtf8(request.csvPath),
                       [&](const ByteSink& sink) { return WriteChangedFilesCsv(report.files, report.answeredBytes, sink); });
    if (request.json)
        context.out.WriteUtf8(ChangedFilesJson(answer));
    else if (request.csvPath.empty())
        context.out.Write(ChangedFilesText(answer, locale));
    else
        context.out.Write(ChangedFilesSavedText(report.files.size(), WideFromUtf8(request.csvPath), locale) + L"\r\n");
    return kExitSuccess;
}

std::wstring TraceLogPath(const ConsoleRequest& request)
{
    if (!request.logPath.empty())
        return WideFromUtf8(request.logPath);
    if (const std::optional<std::wstring> path = ReadDebugLogPath())
        return *path;
    throw CommandFailure(L"The tracking driver names no trace log (its DebugLogPath value); give one with --log FILE.");
}

int TraceLog(const ConsoleRequest& request, ConsoleContext& context)
{
    WindowsLocaleText locale;
    const std::wstring path = TraceLogPath(request);
    ProgressLine progress(context.err);
    const auto cancellable = [&](TraceWork work, std::size_t done, std::size_t total) {
        progress.Show(TraceProgressLine(work, done, total, locale));
        return !context.cancel.Requested();
    };
    const TraceLoadResult loaded = LoadTraceLogFile(path, cancellable);
    const TraceLoadProblem problem = loaded.status.problem;
    if (!loaded.log || (problem != TraceLoadProblem::None && problem != TraceLoadProblem::Short))
        throw CommandFailure(path + L": " + TraceStatusLine(loaded.status, locale));
    const TraceFilters filters{WideFromUtf8(request.device), WideFromUtf8(request.thread)};
    const auto working = [&](TraceWork work) {
        return [&, work](std::size_t done, std::size_t total) { return cancellable(work, done, total); };
    };
    const SharedTraceRows rows = SelectRows(loaded.log->index, filters, working(TraceWork::Filtering));
    if (!rows || context.cancel.Requested())
        throw CommandFailure(L"Cancelled.");
    std::vector<TraceColumn> columns;
    for (std::size_t column = 0; column < kTraceColumnCount; ++column)
        columns.push_back(static_cast<TraceColumn>(column));
    WindowsTraceTimeText timeText(true);
    if (!request.csvPath.empty()) {
        const std::wstring csvPath = WideFromUtf8(request.csvPath);
        WriteFileWhole(csvPath, [&](const ByteSink& sink) {
            return WriteCsvRows(loaded.log->index, *rows, columns, timeText, sink, working(TraceWork::Saving));
        });
        context.out.Write(TraceSavedLine(rows->size(), csvPath, locale) + L"\r\n");
    } else {
        const std::optional<std::wstring> text = TabSeparatedRows(loaded.log->index, *rows, columns, timeText, working(TraceWork::Copying));
        if (!text)
            throw CommandFailure(L"Cancelled.");
        context.out.Write(*text);
    }
    if (problem == TraceLoadProblem::Short)
        context.err.Write(TraceStatusLine(loaded.status, locale) + L"\r\n");
    return kExitSuccess;
}

int Map(const ConsoleRequest& request, ConsoleContext& context)
{
    WindowsLocaleText locale;
    const VolumeList list = ListVolumes(locale);
    const VolumeEntry& entry = NamedVolume(list, request.volume);
    const AppSettings settings = LoadProgramSettings();
    TrackViewState view;
    RequireTracking(OpenTracking(view.session, entry, context.driver), entry);
    view.blockSize = request.blockSize.value_or(settings.blockSize);
    view.blockColor = settings.blockColor;
    view.faceColor = GetSysColor(COLOR_3DFACE);
    if (HDC screen = GetDC(nullptr)) {
        view.dpiX = GetDeviceCaps(screen, LOGPIXELSX);
        view.dpiY = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    std::vector<Pixel> pixels(static_cast<std::size_t>(request.width) * static_cast<std::size_t>(request.height));
    const PixelBuffer target{pixels.data(), request.width, request.height, request.width};
    PaintBlockMap(PictureOf(view, request.width, request.height, GetSysColor(COLOR_WINDOW)), target);
    const std::vector<std::uint8_t> bmp = EncodeBmp(pixels.data(), request.width, request.height, request.width);
    const std::wstring path = WideFromUtf8(request.bmpPath);
    WriteFileWhole(path, [&](const ByteSink& sink) {
        return sink(std::string_view(reinterpret_cast<const char*>(bmp.data()), bmp.size())) ? CsvWriteResult::Written
                                                                                              : CsvWriteResult::SinkFailed;
    });
    return kExitSuccess;
}

void WriteFailure(ConsoleOutput& err, const std::wstring& reason) { err.Write(L"TrackKitCmd: " + reason + L"\r\n"); }

} // namespace

int RunConsoleCommand(const ConsoleRequest& request, ConsoleContext& context)
{
    try {
        switch (request.command) {
        case ConsoleCommand::Volumes: return Volumes(request, context);
        case ConsoleCommand::Stats: return Stats(request, context);
        case ConsoleCommand::ChangedFiles: return ChangedFiles(request, context);
        case ConsoleCommand::TraceLog: return TraceLog(request, context);
        case ConsoleCommand::Map: return Map(request, context);
        }
    } catch (const CommandFailure& failure) {
        WriteFailure(context.err, failure.Reason());
    } catch (const std::bad_alloc&) {
        WriteFailure(context.err, SystemMessageText(ERROR_NOT_ENOUGH_MEMORY));
    } catch (const std::exception& error) {
        WriteFailure(context.err, WideFromUtf8(error.what()));
    }
    return kExitFailure;
}

int RunConsoleProgram(int argc, wchar_t** argv, TrackingDriver& driver)
{
    ConsoleOutput out(STD_OUTPUT_HANDLE);
    ConsoleOutput err(STD_ERROR_HANDLE);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(Utf8(argv[i]));
    const ParsedArguments parsed = ParseConsoleArguments(arguments);
    if (parsed.outcome == ParseOutcome::Help) {
        out.WriteUtf8(parsed.text);
        return kExitSuccess;
    }
    if (parsed.outcome == ParseOutcome::UsageError) {
        err.WriteUtf8(parsed.text);
        return kExitUsage;
    }
    const ConsoleCancel cancel;
    ConsoleContext context{driver, out, err, cancel};
    return RunConsoleCommand(parsed.request, context);
}

} // namespace trackkit
