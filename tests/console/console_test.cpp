#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "console/console_arguments.h"
#include "console/console_reports.h"
#include "console/volume_match.h"
#include "sim/plain_locale_text.h"

namespace trackkit {
namespace {

std::vector<std::string> Words(const std::string& line)
{
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t end = line.find(' ', at);
        words.push_back(line.substr(at, end - at));
        at = end == std::string::npos ? line.size() : end + 1;
    }
    return words;
}

// What a command line asks for, or why it is refused; "" for what the request leaves as it is.
TEST(ConsoleArgumentsTest, ReadsEachCommandAndRefusesWhatItDoesNotKnow)
{
    const struct {
        std::string line;
        ParseOutcome outcome;
        std::string request;  // command volume json csv log device thread bmp block width height
        std::string text;     // a piece of the help or of the reason
    } cases[] = {
        {"volumes", ParseOutcome::Run, "0 - 0 - - * * - - 1024 768", ""},
        {"volumes --json", ParseOutcome::Run, "0 - 1 - - * * - - 1024 768", ""},
        {"stats C: --json", ParseOutcome::Run, "1 C: 1 - - * * - - 1024 768", ""},
        {"changed-files \\\\?\\Volume{1}\\ --csv out.csv", ParseOutcome::Run, "2 \\\\?\\Volume{1}\\ 0 out.csv - * * - - 1024 768", ""},
        {"trace-log --log a.log --device HarddiskVolume2 --thread 0x0000001A --csv t.csv", ParseOutcome::Run,
         "3 - 0 t.csv a.log HarddiskVolume2 0x0000001A - - 1024 768", ""},
        {"map D: --bmp m.bmp --block-size 4 --width 300 --height 200", ParseOutcome::Run, "4 D: 0 - - * * m.bmp 4 300 200", ""},
        {"/?", ParseOutcome::Help, "", "changed-files"},
        {"--help", ParseOutcome::Help, "", "trace-log"},
        {"map /?", ParseOutcome::Help, "", "--block-size"},
        {"stats --help", ParseOutcome::Help, "", "Usage: TrackKitCmd stats [OPTIONS] VOLUME"},
        {"", ParseOutcome::UsageError, "", "subcommand"},
        {"status C:", ParseOutcome::UsageError, "", "status"},
        {"stats", ParseOutcome::UsageError, "", "VOLUME"},
        {"stats C: D:", ParseOutcome::UsageError, "", "D:"},
        {"volumes --csv v.csv", ParseOutcome::UsageError, "", "--csv"},
        {"map C:", ParseOutcome::UsageError, "", "--bmp"},
        {"map C: --bmp m.bmp --block-size 5", ParseOutcome::UsageError, "", "--block-size"},
        {"map C: --bmp m.bmp --width 15", ParseOutcome::UsageError, "", "--width"},
        {"map C: --bmp m.bmp --height 20000", ParseOutcome::UsageError, "", "--height"},
        {"map C: --bmp m.bmp --width wide", ParseOutcome::UsageError, "", "--width"},
        {"volumes stats C:", ParseOutcome::UsageError, "", "stats"},
    };
    for (const auto& c : cases) {
        const std::vector<std::string> words = c.line.empty() ? std::vector<std::string>{} : Words(c.line);
        const ParsedArguments parsed = ParseConsoleArguments(words);
        EXPECT_EQ(parsed.outcome, c.outcome) << c.line << "\n" << parsed.text;
        EXPECT_NE(parsed.text.find(c.text), std::string::npos) << c.line << "\n" << parsed.text;
        if (c.outcome == ParseOutcome::UsageError) {
            EXPECT_NE(parsed.text.find("Usage:"), std::string::npos) << c.line << ": the usage follows the reason";
        }
        if (c.outcome != ParseOutcome::Run)
            continue;
        const ConsoleRequest& r = parsed.request;
        const auto or_dash = [](const std::string& s) { return s.empty() ? std::string("-") : s; };
        const std::string got = std::to_string(static_cast<int>(r.command)) + " " + or_dash(r.volume) + " " +
                                std::to_string(r.json) + " " + or_dash(r.csvPath) + " " + or_dash(r.logPath) + " " + r.device +
                                " " + r.thread + " " + or_dash(r.bmpPath) + " " +
                                (r.blockSize ? std::to_string(*r.blockSize) : "-") + " " + std::to_string(r.width) + " " +
                                std::to_string(r.height);
        EXPECT_EQ(got, c.request) << c.line;
    }
}

TEST(ConsoleVolumeTest, ANameFindsItsVolumeAsTheListKnowsIt)
{
    VolumeList list;
    list.entries.resize(3);
    list.entries[0].devicePath = L"\\\\.\\C:", list.entries[0].volumeName = L"\\\\?\\Volume{aaa}\\";
    list.entries[0].mountPaths = {L"C:\\"};
    list.entries[1].devicePath = L"\\\\.\\D:", list.entries[1].volumeName = L"\\\\?\\Volume{bbb}\\";
    list.entries[1].mountPaths = {L"D:\\", L"C:\\mnt\\data\\"};
    list.entries[2].devicePath = L"\\\\.\\C:", list.entries[2].volumeName = L"\\\\?\\Volume{ccc}\\";
    list.entries[2].mountPaths = {L"C:\\mnt\\logs\\"};
    const struct {
        std::wstring name;
        int entry;  // -1: none
    } cases[] = {
        {L"C:", 0}, {L"c", 0}, {L"C:\\", 0}, {L"\\\\.\\c:", 0}, {L"\\\\?\\Volume{AAA}\\", 0}, {L"\\\\?\\Volume{aaa}", 0},
        {L"d:", 1}, {L"C:\\mnt\\data", 1}, {L"c:\\MNT\\DATA\\", 1}, {L"C:\\mnt\\logs", 2}, {L"\\\\?\\Volume{ccc}", 2},
        {L"E:", -1}, {L"", -1}, {L"C:\\mnt", -1}, {L"CD", -1}, {L"\\", -1},
    };
    for (const auto& c : cases) {
        const VolumeEntry* found = FindVolume(list, c.name);
        EXPECT_EQ(found == nullptr ? -1 : static_cast<int>(found - list.entries.data()), c.entry) << c.name.size();
    }
}

TEST(ConsoleReportsTest, StatisticsInJsonCarryTheRowsTextsAndTheirRawNumbers)
{
    EXPECT_EQ(Iso8601FromFileTime(0), std::nullopt);
    EXPECT_EQ(Iso8601FromFileTime(116444736000000000ull), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(Iso8601FromFileTime(133459380123456789ull), "2023-12-01T21:00:12.345Z");
    EXPECT_EQ(Iso8601FromFileTime(1), "1601-01-01T00:00:00.000Z");
    EXPECT_EQ(Iso8601Duration(12345678), "PT12.345678S");

    TrackingInfo info;
    info.writesSeen = 1234567, info.pagedWrites = 3, info.writesConsidered = 900, info.excludedWrites = 100;
    info.trackingMicroseconds = 2500000, info.changedBlocks = 42, info.changedBytes = 42 * 65536;
    info.clusterFactor1 = 8, info.clusterFactor2 = 512, info.bytesPerBlock = 65536;
    info.sessionStartFileTime = 133459380123456789ull;
    PlainLocaleText locale;
    const StatisticsAnswer answer = AnswerStatistics(L"C:", L"1.2.3", info, locale);
    const nlohmann::json json = nlohmann::json::parse(StatisticsJson(answer));
    EXPECT_EQ(json["rows"].size(), 18u);
    EXPECT_EQ(json["rows"][0]["label"], "QXCBT Driver Version");
    EXPECT_EQ(json["rows"][0]["value"], "1.2.3");
    EXPECT_EQ(json["rows"][2]["value"], "1234567");
    EXPECT_EQ(json["rows"][9]["value"], "3ms") << "2.5 ms of tracking over 800 tracked writes";
    EXPECT_EQ(std::tuple(json["writes"], json["trackedWrites"], json["averageNanosecondsPerTrackedWrite"], json["bytesPerCluster"],
                         json["sessionStart"], json["trackingTime"]),
              std::tuple(nlohmann::json(1234567), nlohmann::json(800), nlohmann::json(3125000), nlohmann::json(4096),
                         nlohmann::json("2023-12-01T21:00:12.345Z"), nlohmann::json("PT2.500000S")));
    EXPECT_TRUE(StatisticsText(answer).starts_with(L"QXCBT Driver Version              1.2.3\r\n"));

    const StatisticsAnswer none = AnswerStatistics(L"C:", std::nullopt, TrackingInfo{}, locale);
    const nlohmann::json empty = nlohmann::json::parse(StatisticsJson(none));
    EXPECT_EQ(std::tuple(empty["driverVersion"], empty["sessionStart"], empty["averageNanosecondsPerTrackedWrite"], empty["rows"][9]["value"]),
              std::tuple(nlohmann::json(nullptr), nlohmann::json(nullptr), nlohmann::json(nullptr), nlohmann::json("Unknown")));
}

} // namespace
} // namespace trackkit
