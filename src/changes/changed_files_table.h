#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "changes/changed_files.h"
#include "common/csv.h"
#include "common/locale_text.h"

namespace trackkit {

// The changed files as the window shows them, copies and exports them.

enum class ChangedFileColumn : std::uint8_t { Path, ChangedBytes, ChangedBlocks, Share };
inline constexpr std::size_t kChangedFileColumnCount = 4;

std::wstring_view ChangedFileColumnTitle(ChangedFileColumn column);

// A column's first click sorts numbers largest first and paths A to Z; ties
// are broken by path, then by size.
bool SortsDescendingFirst(ChangedFileColumn column);
void SortChangedFiles(std::vector<ChangedFile>& files, ChangedFileColumn column, bool descending);

// "12.3%": the file's share of the answered changed bytes, one decimal.
std::wstring ShareText(std::uint64_t bytes, std::uint64_t ofBytes);

// A cell as the table shows it: the path, the size in the user's words
// ("1.50 GB"), the block count, the share.
std::wstring ChangedFileText(const ChangedFile& file, ChangedFileColumn column, std::uint64_t answeredBytes,
                             LocaleText& locale);

// "N files hold X of the Y changed bytes; Z lie in free space or file system
// metadata." over the blocks the file system answered for; "N streams of M
// files hold ..." when some file has more than one stream listed.
std::wstring ChangedFilesSummary(const ChangedFilesReport& report, LocaleText& locale);

// "N of M changed blocks looked up": the status line while the run goes on.
// Counts are grouped as the user's locale groups digits, here and below.
std::wstring LookupProgressText(std::uint64_t blocksDone, std::uint64_t blocksTotal, LocaleText& locale);
// "Reading the file table: N of M records": while the pass reads.
std::wstring FileTableProgressText(std::uint64_t recordsDone, std::uint64_t recordsTotal, LocaleText& locale);

// The system's words for one of its error codes.
using SystemTextOf = std::function<std::wstring(std::uint32_t error)>;

// What the status line says of how the run ended, the way it went and how
// long it took, with the system's words for the errors it names.
std::wstring ChangedFilesStatus(const ChangedFilesReport& report, const SystemTextOf& systemText, LocaleText& locale);

// "N files saved to <path>", "1 file saved to <path>".
std::wstring ChangedFilesSavedText(std::size_t rows, std::wstring_view path, LocaleText& locale);

// The rows for the clipboard: the titles, then each row as shown.
std::wstring ChangedFilesTabText(std::span<const ChangedFile* const> rows, std::uint64_t answeredBytes,
                                 LocaleText& locale);

// The CSV file: the byte order mark, the titles, then each file with its
// exact byte count.
CsvWriteResult WriteChangedFilesCsv(std::span<const ChangedFile> files, std::uint64_t answeredBytes,
                                    const ByteSink& sink);

} // namespace trackkit
