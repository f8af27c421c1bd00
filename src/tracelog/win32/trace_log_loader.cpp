#include "tracelog/win32/trace_log_loader.h"

#include <winternl.h>

#include <chrono>
#include <new>
#include <utility>

namespace trackkit {
namespace {

constexpr DWORD kNtStatusErrorBit = 0x10000000;

TraceLoadResult Failure(TraceLoadProblem problem, std::uint32_t error = 0)
{
    TraceLoadResult result;
    result.status.problem = problem;
    if (problem == TraceLoadProblem::Unreadable || problem == TraceLoadProblem::CannotMap)
        result.status.systemText = SystemErrorText(error);
    return result;
}

TraceLoadResult Load(std::wstring_view path, const std::function<void(std::size_t)>& counted,
                     const TraceProgress& progress)
{
    auto log = std::make_unique<LoadedTraceLog>();
    log->file = MapTraceLog(path);
    if (log->file.error != 0)
        return Failure(log->file.mappingFailed ? TraceLoadProblem::CannotMap : ProblemOfOpenError(log->file.error),
                       log->file.error);
    const TraceRecordArea area = LocateTraceRecords(log->file.Bytes());
    if (area.error != 0)
        return Failure(TraceLoadProblem::NotATraceLog);
    if (counted)
        counted(area.count);
    std::optional<TraceLogIndex> index = TraceLogIndex::Build(area, progress);
    if (!index)
        return Failure(TraceLoadProblem::Cancelled);
    log->index = std::move(*index);
    TraceLoadResult result;
    result.status.promised = PromisedTraceRecords(log->file.Bytes());
    result.status.loaded = area.count;
    result.status.problem = result.status.promised > area.count ? TraceLoadProblem::Short : TraceLoadProblem::None;
    result.log = std::move(log);
    return result;
}

} // namespace

TraceLoadResult LoadTraceLogFile(std::wstring_view path, const std::function<void(std::size_t)>& counted,
                                 const TraceProgress& progress)
{
    try {
        return Load(path, counted, progress);
    } catch (const std::bad_alloc&) {
        return Failure(TraceLoadProblem::CannotMap, ERROR_NOT_ENOUGH_MEMORY);
    }
}

std::wstring SystemErrorText(std::uint32_t error)
{
    const DWORD code = (error & kNtStatusErrorBit) != 0 ? RtlNtStatusToDosError(static_cast<NTSTATUS>(error & ~kNtStatusErrorBit))
                                                        : error;
    wchar_t text[512] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                                  static_cast<DWORD>(std::size(text)), nullptr);
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' '))
        --length;
    if (length == 0)
        return L"error " + std::to_wstring(code) + L".";
    return std::wstring(text, length);
}

TraceLogLoader::TraceLogLoader(HWND dialog, std::wstring path, unsigned id)
    : dialog_(dialog), path_(std::move(path)), id_(id), thread_([this] { Run(); })
{
}

TraceLogLoader::~TraceLogLoader()
{
    cancelled_ = true;
    thread_.join();
}

void TraceLogLoader::Decide(bool done)
{
    {
        const std::lock_guard lock(mutex_);
        isDecided_ = true;
        done_ = done_ || done;
    }
    decided_.notify_all();
}

void TraceLogLoader::Run()
{
    TraceLoadResult result;
    try {
        const auto counted = [this](std::size_t count) {
            total_ = count;
            if (count > kInstantRecords)
                Decide(false);
        };
        const auto progress = [this](std::size_t done, std::size_t) {
            if (cancelled_)
                return false;
            if (done > 0)
                PostMessageW(dialog_, kTraceLoadProgressMessage, id_, static_cast<LPARAM>(done));
            return true;
        };
        result = LoadTraceLogFile(path_, counted, progress);
    } catch (...) {
        result = Failure(TraceLoadProblem::CannotMap, ERROR_NOT_ENOUGH_MEMORY);
    }
    {
        const std::lock_guard lock(mutex_);
        result_ = std::move(result);
    }
    Decide(true);
    PostMessageW(dialog_, kTraceLoadDoneMessage, id_, 0);
}

bool TraceLogLoader::WaitUntilDoneOrLong()
{
    std::unique_lock lock(mutex_);
    // An opening that hangs (a share that does not answer) leaves the wait
    // after a while; the load then goes on behind the progress line.
    decided_.wait_for(lock, std::chrono::seconds(2), [this] { return isDecided_; });
    return done_;
}

TraceLoadResult TraceLogLoader::TakeResult()
{
    const std::lock_guard lock(mutex_);
    return std::move(result_);
}

} // namespace trackkit
