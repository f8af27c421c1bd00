#pragma once

// What TrackKitCmd is asked to do, read from its command line.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace trackkit {

// The process's exit codes, which scripts test.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // the command could not give its answer; the reason is on standard error
inline constexpr int kExitUsage = 2;    // the command line was wrong; the usage is on standard error

enum class ConsoleCommand : std::uint8_t { Volumes, Stats, ChangedFiles, TraceLog, Map };

// The pane's size when the command line gives none: a report's picture.
inline constexpr int kDefaultMapWidth = 1024;
inline constexpr int kDefaultMapHeight = 768;
inline constexpr int kMinMapSide = 16;
inline constexpr int kMaxMapSide = 16384;

// Texts are as the command line gave them, in UTF-8.
struct ConsoleRequest {
    ConsoleCommand command = ConsoleCommand::Volumes;
    std::string volume;   // stats, changed-files, map: a drive letter, mount path or volume name
    bool json = false;    // volumes, stats, changed-files
    std::string csvPath;  // changed-files, trace-log: empty for none
    std::string logPath;  // trace-log: empty for the driver's DebugLogPath
    std::string device = "*";  // trace-log filters, as the dialog's lists have them
    std::string thread = "*";
    std::string bmpPath;  // map
    std::optional<std::uint32_t> blockSize;  // map: empty for the stored setting
    int width = kDefaultMapWidth;
    int height = kDefaultMapHeight;
};

enum class ParseOutcome : std::uint8_t { Run, Help, UsageError };

struct ParsedArguments {
    ParseOutcome outcome = ParseOutcome::UsageError;
    ConsoleRequest request;  // Run only
    std::string text;        // Help: the help to print; UsageError: what was wrong, then the usage
};

// Reads the arguments after the program's name. "/?" asks for help as
// "--help" does, for the command it follows.
ParsedArguments ParseConsoleArguments(std::span<const std::string> arguments);

} // namespace trackkit
