#include "changes/changed_files_table.h"

#include <algorithm>
#include <array>
#include <unordered_set>

#include "common/text.h"

namespace trackkit {
namespace {

constexpr std::size_t kNumberChars = 64;

constexpr std::array<std::wstring_view, kChangedFileColumnCount> kTitles{L"Path", L"Changed Bytes",
                                                                          L"Changed Blocks", L"Share"};

std::wstring Number(std::uint64_t value)
{
    return FormatBounded(kNumberChars, L"%llu", static_cast<unsigned long long>(value));
}

std::wstring SizeText(std::uint64_t bytes, LocaleText& locale)
{
    return locale.ByteSize(static_cast<std::int64_t>(std::min<std::uint64_t>(bytes, INT64_MAX)));
}

// "N of M changed blocks", the counts grouped as the user's locale groups digits.
std::wstring BlocksOf(std::uint64_t done, std::uint64_t total, LocaleText& locale)
{
    return locale.Count(done) + L" of " + locale.Count(total) + L" changed blocks";
}

std::vector<std::wstring_view> TitleFields()
{
    return {kTitles.begin(), kTitles.end()};
}

// A key to sort by: the column's number, or the path.
std::uint64_t NumberOf(const ChangedFile& file, ChangedFileColumn column)
{
    return column == ChangedFileColumn::ChangedBlocks ? file.ChangedBlocks() : file.changedBytes;
}

} // namespace

std::wstring_view ChangedFileColumnTitle(ChangedFileColumn column)
{
    return kTitles[static_cast<std::size_t>(column)];
}

bool SortsDescendingFirst(ChangedFileColumn column)
{
    return column != ChangedFileColumn::Path;
}

void SortChangedFiles(std::vector<ChangedFile>& files, ChangedFileColumn column, bool descending)
{
    std::stable_sort(files.begin(), files.end(), [&](const ChangedFile& a, const ChangedFile& b) {
        const ChangedFile& first = descending ? b : a;
        const ChangedFile& second = descending ? a : b;
        if (column != ChangedFileColumn::Path && NumberOf(first, column) != NumberOf(second, column))
            return NumberOf(first, column) < NumberOf(second, column);
        if (a.path != b.path)
            return column == ChangedFileColumn::Path ? first.path < second.path : a.path < b.path;
        return a.changedBytes > b.changedBytes;
    });
}

std::wstring ShareText(std::uint64_t bytes, std::uint64_t ofBytes)
{
    const double share = ofBytes == 0 ? 0.0 : 100.0 * static_cast<double>(bytes) / static_cast<double>(ofBytes);
    return FormatBounded(kNumberChars, L"%.1f%%", share);
}

std::wstring ChangedFileText(const ChangedFile& file, ChangedFileColumn column, std::uint64_t answeredBytes,
                             LocaleText& locale)
{
    switch (column) {
    case ChangedFileColumn::Path: return file.path;
    case ChangedFileColumn::ChangedBytes: return SizeText(file.changedBytes, locale);
    case ChangedFileColumn::ChangedBlocks: return Number(file.ChangedBlocks());
    case ChangedFileColumn::Share: return ShareText(file.changedBytes, answeredBytes);
    }
    return {};
}

std::size_t CountFilesOf(std::span<const ChangedFile> streams)
{
    std::unordered_set<std::wstring_view> files;
    for (const ChangedFile& stream : streams) {
        const std::wstring_view path = stream.path;
        const std::size_t lastSlash = path.rfind(L'\\');
        files.insert(path.substr(0, path.find(L':', lastSlash == std::wstring_view::npos ? 0 : lastSlash)));
    }
    return files.size();
}

std::wstring ChangedFilesSummary(const ChangedFilesReport& report, LocaleText& locale)
{
    const std::size_t streams = report.files.size();
    const std::size_t files = CountFilesOf(report.files);
    const std::uint64_t elsewhere = report.answeredBytes - std::min(report.fileBytes, report.answeredBytes);
    const std::wstring owners = streams == files ? locale.Count(files) + (files == 1 ? L" file holds " : L" files hold ")
                                                 : locale.Count(streams) + L" streams of " + locale.Count(files) +
                                                       (files == 1 ? L" file hold " : L" files hold ");
    return owners + SizeText(report.fileBytes, locale) + L" of the " + SizeText(report.answeredBytes, locale) +
           L" changed bytes; " + SizeText(elsewhere, locale) + L" lie in free space or file system metadata.";
}

std::wstring LookupProgressText(std::uint64_t blocksDone, std::uint64_t blocksTotal, LocaleText& locale)
{
    return BlocksOf(blocksDone, blocksTotal, locale) + L" looked up";
}

std::wstring FileTableProgressText(std::uint64_t recordsDone, std::uint64_t recordsTotal, LocaleText& locale)
{
    return L"Reading the file table: " + locale.Count(recordsDone) + L" of " + locale.Count(recordsTotal) + L" records";
}

namespace {

std::wstring Seconds(std::uint64_t milliseconds)
{
    return FormatBounded(kNumberChars, L"%.1f s", static_cast<double>(milliseconds) / 1000.0);
}

// How a complete run went, the way it went.
std::wstring CompleteText(const ChangedFilesReport& report, LocaleText& locale)
{
    if (report.way == ChangedFilesWay::FileTable) {
        std::wstring text = L"Read the file table: " + locale.Count(report.recordsRead) + L" records in " +
                            Seconds(report.elapsedMilliseconds) + L".";
        if (report.recordsUnsound + report.recordsUnreadable > 0)
            text += L" " + locale.Count(report.recordsUnsound + report.recordsUnreadable) +
                    L" of them could not be read soundly; the files they hold are not listed.";
        return text;
    }
    std::wstring text = L"All " + locale.Count(report.changedBlocks) + L" changed blocks looked up, in " +
                        locale.Count(report.requests) + (report.requests == 1 ? L" request" : L" requests") + L", in " +
                        Seconds(report.elapsedMilliseconds) + L".";
    if (report.unansweredClusters > 0)
        text += L" The file system did not answer for " + locale.Count(report.unansweredClusters) +
                (report.unansweredClusters == 1 ? L" cluster" : L" clusters") + L"; their bytes count as free space.";
    return text;
}

} // namespace

std::wstring ChangedFilesStatus(const ChangedFilesReport& report, const SystemTextOf& systemText, LocaleText& locale)
{
    const std::wstring progress = BlocksOf(report.blocksDone, report.changedBlocks, locale);
    std::wstring status;
    switch (report.end) {
    case ChangedFilesEnd::Complete:
        status = CompleteText(report, locale);
        break;
    case ChangedFilesEnd::Cancelled:
        status = report.way == ChangedFilesWay::FileTable ? std::wstring(L"Cancelled while reading the file table.")
                                                           : L"Cancelled after " + progress + L".";
        status += L" The table lists the files found so far.";
        break;
    case ChangedFilesEnd::NoDriver:
        status = L"The tracking driver does not answer for this volume, so it has no changed blocks to look up.";
        break;
    case ChangedFilesEnd::NoBitmap:
        status = L"The driver has no session bitmap for this volume, so there are no changed blocks to look up.";
        break;
    case ChangedFilesEnd::NoClusterSize:
        status = L"The driver reports no cluster size for this volume, so its blocks cannot be matched to files.";
        break;
    case ChangedFilesEnd::Refused:
        status = L"The file system does not say which files own this volume's clusters: " + systemText(report.error);
        break;
    case ChangedFilesEnd::Stopped:
        status = (report.way == ChangedFilesWay::FileTable ? std::wstring(L"The reading of the file table stopped: ")
                                                            : L"The lookup stopped after " + progress + L": ") +
                 systemText(report.error) + L" The table lists the files found so far.";
        break;
    }
    if (report.lookupFailure != 0)
        status += L" The file system refused its cluster lookup (" + systemText(report.lookupFailure) + L"), so its file table was read.";
    if (report.fileTableFailure != 0) {
        status += report.fileTableFailure == kErrorFileTableNotNtfs
                      ? std::wstring(L" The volume is not NTFS, so the file system was asked cluster by cluster.")
                      : L" The file table could not be read (" + systemText(report.fileTableFailure) +
                            L"), so the file system was asked cluster by cluster.";
    }
    if (report.malformedReplies > 0) {
        status += L' ' + locale.Count(report.malformedReplies) + L" of " + locale.Count(report.requests) +
                  L" answers of the file system were malformed; only what could be read soundly is counted.";
    }
    return status;
}

std::wstring ChangedFilesSavedText(std::size_t rows, std::wstring_view path, LocaleText& locale)
{
    return locale.Count(rows) + (rows == 1 ? L" file saved to " : L" files saved to ") + std::wstring(path);
}

std::wstring ChangedFilesTabText(std::span<const ChangedFile* const> rows, std::uint64_t answeredBytes,
                                 LocaleText& locale)
{
    std::wstring text = TabSeparatedLine(TitleFields());
    std::array<std::wstring, kChangedFileColumnCount> texts;
    for (const ChangedFile* file : rows) {
        for (std::size_t column = 0; column < kChangedFileColumnCount; ++column)
            texts[column] = ChangedFileText(*file, static_cast<ChangedFileColumn>(column), answeredBytes, locale);
        text += TabSeparatedLine({texts.begin(), texts.end()});
    }
    return text;
}

CsvWriteResult WriteChangedFilesCsv(std::span<const ChangedFile> files, std::uint64_t answeredBytes,
                                    const ByteSink& sink)
{
    CsvPieces pieces(sink);
    if (!pieces.Add(CsvLine(TitleFields())))
        return CsvWriteResult::SinkFailed;
    for (const ChangedFile& file : files) {
        const std::wstring bytes = Number(file.changedBytes);
        const std::wstring blocks = Number(file.ChangedBlocks());
        const std::wstring share = ShareText(file.changedBytes, answeredBytes);
        if (!pieces.Add(CsvLine({file.path, bytes, blocks, share})))
            return CsvWriteResult::SinkFailed;
    }
    return pieces.Finish();
}

} // namespace trackkit
