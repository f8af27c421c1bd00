#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace trackkit {

// What became of the last load of the trace log.
enum class TraceLoadProblem {
    None,
    NoSuchFile,    // the path names no file
    NotATraceLog,  // empty, or not the driver's format
    Unreadable,    // the system refused to open or read it
    CannotMap,     // the file cannot be mapped into the address space
    Short,         // fewer whole records than the header promises: those there are listed
    Cancelled,     // the user stopped the load: the table kept what it showed
};

// The error an opening, a size query or a mapping gave, sorted by what the
// user is told: a missing file or path (NtOpenFile's NTSTATUS with bit 28
// set, or a Win32 code), an empty path, a file that is no trace log, or
// anything else, which the system's own text explains.
TraceLoadProblem ProblemOfOpenError(std::uint32_t error);

// The number of records the header's EndOffset promises (whether or not the
// file holds them); 0 for a file that is no trace log.
std::size_t PromisedTraceRecords(std::span<const std::uint8_t> file);

struct TraceStatus {
    TraceLoadProblem problem = TraceLoadProblem::None;
    std::wstring systemText;  // Unreadable, CannotMap: the system's words for the error
    std::size_t promised = 0; // Short: what the header promises
    std::size_t listed = 0;   // rows in the table
    std::size_t loaded = 0;   // records loaded
};

// The status line: "N of M records" after a load that gave records, led by
// what went wrong when something did; a load that gave none says only why.
std::wstring TraceStatusLine(const TraceStatus& status);

// The status line while a load runs.
std::wstring TraceLoadingLine(std::size_t done, std::size_t total);

// The status line while "Save As..." writes, and once it has written.
std::wstring TraceSavingLine(std::size_t done, std::size_t total);
std::wstring TraceSavedLine(std::size_t rows, std::wstring_view path);

} // namespace trackkit
