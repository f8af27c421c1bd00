#include "tracelog/win32/trace_log_loader.h"

#include <windows.h>
#include <winternl.h>

#include <cstring>
#include <new>
#include <utility>

#include "common/win32/system_message.h"
#include "tracelog/win32/trace_log_open.h"

namespace trackkit {
namespace {

constexpr DWORD kNtStatusErrorBit = 0x10000000;

// The system's words for a Windows error or for an NTSTATUS as the opening
// reports it (bit 28 set).
std::wstring ErrorText(std::uint32_t error)
{
    if ((error & kNtStatusErrorBit) != 0)
        error = RtlNtStatusToDosError(static_cast<NTSTATUS>(error & ~kNtStatusErrorBit));
    return SystemMessageText(error);
}

TraceLoadResult Failure(TraceLoadProblem problem, std::uint32_t error = 0)
{
    TraceLoadResult result;
    result.status.problem = problem;
    if (problem == TraceLoadProblem::Unreadable || problem == TraceLoadProblem::TooLarge)
        result.status.systemText = ErrorText(error);
    return result;
}

// The open file, read front to back with ReadFile.
class FileByteSource final : public TraceByteSource {
public:
    explicit FileByteSource(HANDLE file) : file_(file) {}
    std::uint64_t Size() override
    {
        LARGE_INTEGER size{};
        return GetFileSizeEx(file_, &size) && size.QuadPart > 0 ? static_cast<std::uint64_t>(size.QuadPart) : 0;
    }
    Read ReadNext(std::span<std::uint8_t> into) override
    {
        DWORD read = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(into.size(), 0x40000000));
        // Fresh memory that a read fills page by page is twice as slow under
        // Wine as memory the program touched itself first (940 MB: 1.0 s
        // against 0.5 s), so each piece is written once before it is read.
        std::memset(into.data(), 0, wanted);
        if (!ReadFile(file_, into.data(), wanted, &read, nullptr))
            return {0, GetLastError() != 0 ? GetLastError() : ERROR_READ_FAULT};
        return {read, 0};
    }

private:
    HANDLE file_;
};

// The snapshot of the file, the handle closed again before it is indexed.
std::optional<TraceSnapshot> ReadSnapshot(std::wstring_view path, const TraceLoadProgress& progress, DWORD& openError)
{
    const UniqueHandle file = OpenTraceLog(path);
    if (!file.Valid()) {
        openError = GetLastError() != 0 ? GetLastError() : ERROR_GEN_FAILURE;
        return TraceSnapshot{};
    }
    FileByteSource source(file.Get());
    return ReadTraceSnapshot(source, [&](std::size_t done, std::size_t total) {
        return !progress || progress(TraceWork::Reading, done, total);
    });
}

TraceLoadResult Load(std::wstring_view path, const TraceLoadProgress& progress)
{
    auto log = std::make_shared<LoadedTraceLog>();
    DWORD openError = 0;
    std::optional<TraceSnapshot> snapshot = ReadSnapshot(path, progress, openError);
    if (openError != 0)
        return Failure(ProblemOfOpenError(openError), openError);
    if (!snapshot)
        return Failure(TraceLoadProblem::Cancelled);
    log->snapshot = std::move(*snapshot);
    if (log->snapshot.tooLarge)
        return Failure(TraceLoadProblem::TooLarge, log->snapshot.error);
    if (log->snapshot.error == kErrorFileInvalid)
        return Failure(TraceLoadProblem::NotATraceLog);
    const TraceRecordArea area = LocateTraceRecords(log->snapshot.Bytes());
    if (area.error != 0)
        return Failure(log->snapshot.error != 0 ? TraceLoadProblem::Unreadable : TraceLoadProblem::NotATraceLog,
                       log->snapshot.error);
    std::optional<TraceLogIndex> index = TraceLogIndex::Build(area, [&](std::size_t done, std::size_t total) {
        return !progress || progress(TraceWork::Indexing, done, total);
    });
    if (!index)
        return Failure(TraceLoadProblem::Cancelled);
    log->index = std::move(*index);
    TraceLoadResult result;
    result.status.loaded = area.count;
    result.status.promised = PromisedTraceRecords(log->snapshot.Bytes());
    if (log->snapshot.error != 0) {
        result.status.problem = TraceLoadProblem::Unreadable;
        result.status.systemText = ErrorText(log->snapshot.error);
    } else if (result.status.promised > area.count) {
        result.status.problem = TraceLoadProblem::Short;
    }
    result.log = std::move(log);
    return result;
}

} // namespace

TraceLoadResult LoadTraceLogFile(std::wstring_view path, const TraceLoadProgress& progress)
{
    try {
        return Load(path, progress);
    } catch (const std::bad_alloc&) {
        return Failure(TraceLoadProblem::TooLarge, ERROR_NOT_ENOUGH_MEMORY);
    }
}

} // namespace trackkit
