#include "tracelog/trace_load_status.h"

#include <array>

#include "common/byte_reader.h"
#include "tracelog/trace_log_format.h"

namespace trackkit {
namespace {

constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorPathNotFound = 3;
constexpr std::uint32_t kErrorInvalidParameter = 87;  // OpenTraceLog's answer to an empty or too long path
// NTSTATUS values as OpenTraceLog reports them (bit 28 set).
constexpr std::uint32_t kObjectNameNotFound = 0xD0000034;
constexpr std::uint32_t kObjectPathNotFound = 0xD000003A;
constexpr std::uint32_t kObjectPathSyntaxBad = 0xD000003B;
constexpr std::uint32_t kObjectNameInvalid = 0xD0000033;

std::wstring Counts(const TraceStatus& status)
{
    return std::to_wstring(status.listed) + L" of " + std::to_wstring(status.loaded) + L" records";
}

} // namespace

TraceLoadProblem ProblemOfOpenError(std::uint32_t error)
{
    constexpr std::array kMissing{kErrorFileNotFound, kErrorPathNotFound, kErrorInvalidParameter, kObjectNameNotFound,
                                  kObjectPathNotFound, kObjectPathSyntaxBad, kObjectNameInvalid};
    if (error == kErrorFileInvalid)
        return TraceLoadProblem::NotATraceLog;
    for (const std::uint32_t missing : kMissing)
        if (error == missing)
            return TraceLoadProblem::NoSuchFile;
    return TraceLoadProblem::Unreadable;
}

std::size_t PromisedTraceRecords(std::span<const std::uint8_t> file)
{
    ByteReader header(file);
    const std::size_t endOffset = header.U32At(kTraceLogEndOffsetAt);
    if (!header.Ok() || header.U32At(0) != kTraceLogMagic || endOffset <= kTraceLogHeaderBytes)
        return 0;
    // As the reader counts them: every record that starts below EndOffset.
    return (endOffset - kTraceLogHeaderBytes + kTraceRecordBytes - 1) / kTraceRecordBytes;
}

std::wstring TraceStatusLine(const TraceStatus& status)
{
    switch (status.problem) {
    case TraceLoadProblem::None:
        return Counts(status);
    case TraceLoadProblem::NoSuchFile:
        return L"No such file.";
    case TraceLoadProblem::NotATraceLog:
        return L"The file is not a trace log.";
    case TraceLoadProblem::Unreadable:
        return L"The file cannot be read: " + status.systemText;
    case TraceLoadProblem::CannotMap:
        return L"The file is too large to be held in memory: " + status.systemText;
    case TraceLoadProblem::Short:
        return L"The header promises " + std::to_wstring(status.promised) + L" records, the file holds " +
               std::to_wstring(status.loaded) + L". " + Counts(status);
    case TraceLoadProblem::Cancelled:
        return L"Loading cancelled. " + Counts(status);
    }
    return Counts(status);
}

std::wstring TraceLoadingLine(std::size_t done, std::size_t total)
{
    return L"Loading... " + std::to_wstring(done) + L" of " + std::to_wstring(total) + L" records";
}

std::wstring TraceSavingLine(std::size_t done, std::size_t total)
{
    return L"Saving... " + std::to_wstring(done) + L" of " + std::to_wstring(total) + L" rows";
}

std::wstring TraceSavedLine(std::size_t rows, std::wstring_view path)
{
    return std::to_wstring(rows) + (rows == 1 ? L" row" : L" rows") + L" saved to " + std::wstring(path);
}

} // namespace trackkit
