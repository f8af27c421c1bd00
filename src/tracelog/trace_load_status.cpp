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

std::wstring Counts(const TraceStatus& status, LocaleText& locale)
{
    return locale.Count(status.listed) + L" of " + locale.Count(status.loaded) + L" records";
}

// What went wrong, then the counts when the table lists anything.
std::wstring WithCounts(std::wstring reason, const TraceStatus& status, LocaleText& locale)
{
    return status.loaded > 0 ? reason + L" " + Counts(status, locale) : reason;
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

std::wstring TraceStatusLine(const TraceStatus& status, LocaleText& locale)
{
    switch (status.problem) {
    case TraceLoadProblem::None:
        return Counts(status, locale);
    case TraceLoadProblem::NoSuchFile:
        return L"No such file.";
    case TraceLoadProblem::NotATraceLog:
        return L"The file is not a trace log.";
    case TraceLoadProblem::Unreadable:
        return WithCounts(L"The file cannot be read: " + status.systemText, status, locale);
    case TraceLoadProblem::TooLarge:
        return L"The file is too large to be held in memory: " + status.systemText;
    case TraceLoadProblem::Short:
        return L"The header promises " + locale.Count(status.promised) + L" records, the file holds " +
               locale.Count(status.loaded) + L". " + Counts(status, locale);
    case TraceLoadProblem::Cancelled:
        return WithCounts(L"Loading cancelled.", status, locale);
    }
    return Counts(status, locale);
}

std::wstring TraceProgressLine(TraceWork work, std::size_t done, std::size_t total, LocaleText& locale)
{
    struct Words {
        const wchar_t* doing;
        const wchar_t* units;
    };
    constexpr Words kWords[] = {{L"Loading", L"records"},  {L"Sorting", L"records"}, {L"Filtering", L"records"},
                                {L"Sorting", L"rows"},     {L"Searching", L"rows"},  {L"Copying", L"rows"},
                                {L"Saving", L"rows"}};
    const Words& words = kWords[static_cast<std::size_t>(work)];
    if (total == 0)
        return std::wstring(words.doing) + L"...";
    return std::wstring(words.doing) + L"... " + locale.Count(done) + L" of " + locale.Count(total) + L" " + words.units;
}

std::wstring TraceSavedLine(std::size_t rows, std::wstring_view path, LocaleText& locale)
{
    return locale.Count(rows) + (rows == 1 ? L" row" : L" rows") + L" saved to " + std::wstring(path);
}

} // namespace trackkit
