#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/locale_text.h"

namespace trackkit {

// What became of the last load of the trace log.
enum class TraceLoadProblem {
    None,
    NoSuchFile,    // the path names no file
    NotATraceLog,  // empty, or not the driver's format
    Unreadable,    // the system refused to open or read it: the records read whole before a failed read are listed
    TooLarge,      // no memory for the file's bytes
    Short,         // fewer whole records than the header promises: those there are listed
    Cancelled,     // the user stopped the load: the table is empty
};

// The error an opening gave, sorted by what the user is told: a missing
// file or path (NtOpenFile's NTSTATUS with bit 28 set, or a Win32 code), an
// empty path, a file that is no trace log, or anything else, which the
// system's own text explains.
TraceLoadProblem ProblemOfOpenError(std::uint32_t error);

// The number of records the header's EndOffset promises (whether or not the
// file holds them); 0 for a file that is no trace log.
std::size_t PromisedTraceRecords(std::span<const std::uint8_t> file);

struct TraceStatus {
    TraceLoadProblem problem = TraceLoadProblem::None;
    std::wstring systemText;  // Unreadable, TooLarge: the system's words for the error
    std::size_t promised = 0; // Short: what the header promises
    std::size_t listed = 0;   // rows in the table
    std::size_t loaded = 0;   // records loaded
};

// The status line: "N of M records" after a load that gave records, led by
// what went wrong when something did; a load that gave none says only why.
// Counts are grouped as the user's locale groups digits.
std::wstring TraceStatusLine(const TraceStatus& status, LocaleText& locale);

// What the dialog is busy with, as its progress line says it.
enum class TraceWork : std::uint8_t {
    Reading,     // the file into memory: records
    Indexing,    // the records into time order: records
    Filtering,   // the records a filter passes: records
    SortingRows, // the rows by a column: rows
    Searching,   // the find bar's text in the rows
    Copying,     // the selected rows for the clipboard
    Saving,      // the rows to a CSV file
};

// "Loading... 1,000 of 5,000 records" and the like; "Loading..." while the
// total is not known yet.
std::wstring TraceProgressLine(TraceWork work, std::size_t done, std::size_t total, LocaleText& locale);

// The status line once "Save As..." has written the file.
std::wstring TraceSavedLine(std::size_t rows, std::wstring_view path, LocaleText& locale);

} // namespace trackkit
