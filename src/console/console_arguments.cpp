#include "console/console_arguments.h"

#include <CLI/CLI.hpp>

#include <optional>
#include <vector>

#include "settings/settings.h"

namespace trackkit {
namespace {

constexpr const char* kProgram = "TrackKitCmd";

CLI::App* AddVolumeCommand(CLI::App& app, const char* name, const char* description, ConsoleRequest& request)
{
    CLI::App* command = app.add_subcommand(name, description);
    command->add_option("VOLUME", request.volume, "a drive letter (C:), a mount path or a volume name")->required();
    return command;
}

// The commands, their options and where each lands in the request.
void DescribeCommands(CLI::App& app, ConsoleRequest& request)
{
    app.require_subcommand(1, 1);
    app.fallthrough(false);

    CLI::App* volumes = app.add_subcommand("volumes", "every volume: name, mount paths, file system, size, free space, tracked");
    volumes->add_flag("--json", request.json, "JSON for scripts");
    volumes->callback([&request] { request.command = ConsoleCommand::Volumes; });

    CLI::App* stats = AddVolumeCommand(app, "stats", "the 18 statistics rows of a volume, as the window shows them", request);
    stats->add_flag("--json", request.json, "JSON with raw numbers (counts, bytes, times as ISO 8601)");
    stats->callback([&request] { request.command = ConsoleCommand::Stats; });

    CLI::App* changed = AddVolumeCommand(app, "changed-files", "which files own the session's changed blocks", request);
    changed->add_option("--csv", request.csvPath, "also save the rows as the window's Save As does")->type_name("FILE");
    changed->add_flag("--json", request.json, "JSON for scripts");
    changed->callback([&request] { request.command = ConsoleCommand::ChangedFiles; });

    CLI::App* trace = app.add_subcommand("trace-log", "the driver's trace log, filtered as the dialog filters it");
    trace->add_option("--log", request.logPath, "the log to read (default: the driver's DebugLogPath)")->type_name("FILE");
    trace->add_option("--device", request.device, "only this DeviceName (default: *, every device)")->type_name("TEXT");
    trace->add_option("--thread", request.thread, "only this ThreadId (default: *, every thread)")->type_name("TEXT");
    trace->add_option("--csv", request.csvPath, "save the rows as the dialog's Save As does, instead of printing them")
        ->type_name("FILE");
    trace->callback([&request] { request.command = ConsoleCommand::TraceLog; });

    CLI::App* map = AddVolumeCommand(app, "map", "the volume's block map as the pane paints it, as a BMP picture", request);
    map->add_option("--bmp", request.bmpPath, "the picture to write")->type_name("FILE")->required();
    map->add_option("--block-size", request.blockSize, "cell size in pixels (default: the window's setting)")
        ->check(CLI::IsMember(std::vector<std::uint32_t>(kBlockSizes.begin(), kBlockSizes.end())));
    map->add_option("--width", request.width, "picture width in pixels")->check(CLI::Range(kMinMapSide, kMaxMapSide))
        ->capture_default_str();
    map->add_option("--height", request.height, "picture height in pixels")->check(CLI::Range(kMinMapSide, kMaxMapSide))
        ->capture_default_str();
    map->callback([&request] { request.command = ConsoleCommand::Map; });
}

// The help of the command that was named, or of the program. A command's
// usage line names the program too, as it is typed.
std::string HelpOf(const CLI::App& app)
{
    for (const CLI::App* command : app.get_subcommands()) {
        std::string help = command->help();
        const std::string usage = "Usage: " + command->get_name();
        if (const std::size_t at = help.find(usage); at != std::string::npos)
            help.insert(at + 7, std::string(kProgram) + " ");
        return help;
    }
    return app.help();
}

// A first word that is no option and names no command is told as such:
// CLI11 alone would only say that a command is missing.
std::optional<std::string> UnknownCommand(CLI::App& app, std::span<const std::string> arguments)
{
    if (arguments.empty() || arguments.front().empty() || arguments.front()[0] == '-' || arguments.front()[0] == '/')
        return std::nullopt;
    for (const CLI::App* command : app.get_subcommands([](CLI::App*) { return true; }))
        if (command->get_name() == arguments.front())
            return std::nullopt;
    return "\"" + arguments.front() + "\" is not a command";
}

} // namespace

ParsedArguments ParseConsoleArguments(std::span<const std::string> arguments)
{
    ParsedArguments parsed;
    CLI::App app("TrackKit for scripts: what the window answers, as text, JSON or CSV.", kProgram);
    DescribeCommands(app, parsed.request);

    if (const std::optional<std::string> unknown = UnknownCommand(app, arguments)) {
        parsed.text = *unknown + "\n\n" + app.help();
        return parsed;
    }
    std::vector<std::string> reversed;  // CLI11 takes the arguments last first
    for (auto at = arguments.rbegin(); at != arguments.rend(); ++at)
        reversed.push_back(*at == "/?" ? std::string("--help") : *at);
    try {
        app.parse(reversed);
        parsed.outcome = ParseOutcome::Run;
    } catch (const CLI::CallForHelp&) {
        parsed.outcome = ParseOutcome::Help;
        parsed.text = HelpOf(app);
    } catch (const CLI::ParseError& error) {
        parsed.outcome = ParseOutcome::UsageError;
        parsed.text = std::string(error.what()) + "\n\n" + HelpOf(app);
    }
    return parsed;
}

} // namespace trackkit
