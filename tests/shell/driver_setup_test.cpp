#include "shell/driver_setup.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "volumes/fake_volume_system.h"

namespace trackkit {
namespace {

using Log = std::vector<std::wstring>;
using std::to_wstring;
using Text = std::wstring_view;
using Handle = InstallerHandle;
using Bytes = std::span<std::uint8_t>;
constexpr std::uint32_t kAccessDenied = 0x80070005u;
const std::wstring kFirstCode = L"{5C2E7A10-3B94-4F61-8D27-A1E0B6C4F392}";
const std::wstring kFile = L"\\System Volume Information\\$QXCBT2";

std::wstring Join(std::wstring_view separator, const auto&... parts)
{
    std::wstring line;
    ((line += parts, line += separator), ...);
    return line.substr(0, line.size() - separator.size());
}

// Everything but the volume search. Each call is one line of `log`, in order;
// a line listed in `failures` answers with that status, any other succeeds.
struct Platform final : Installer, RebootMarker, FilterManager, TrackingDriver, FileDeleter, UserMessages, SystemErrorText {
    Log log, boxes;  // boxes: "<caption>|<text>|<icon>", "unowned " first when without owner
    std::map<std::wstring, std::uint32_t> failures;
    std::map<std::wstring, std::wstring> products = {{kFirstCode, L"{P}"}};  // by upgrade code
    std::set<InstallerRunMode> runModes;
    std::set<std::wstring> files;
    std::uint32_t uiLevel = 5;
    bool answerYes = true;

    // One line of `log`: the parts joined by spaces.
    std::uint32_t Call(const auto&... parts)
    {
        const std::wstring line = Join(L" ", parts...);
        log.push_back(line);
        return failures.contains(line) ? failures[line] : 0;
    }
    std::uint32_t Step(Handle product, const auto&... parts) { EXPECT_EQ(product, 7u); return Call(parts...); }
    std::int32_t Filter(const auto&... parts) { return static_cast<std::int32_t>(Call(parts...)); }
    void Box(std::wstring owner, auto... parts) { boxes.push_back(owner + Join(L"|", parts...)); }
    static const wchar_t* Icon(MessageIcon icon) { return icon == MessageIcon::Error ? L"error" : L"information"; }

    std::uint32_t SetUiLevel(std::uint32_t level) override { Call(L"ui", to_wstring(level)); return std::exchange(uiLevel, level); }
    RelatedProduct FindRelatedProduct(Text code) override
    {
        Call(L"related", code);
        const auto it = products.find(std::wstring(code));
        return it == products.end() ? RelatedProduct{kInstallerNoMoreItems, {}} : RelatedProduct{0, it->second};
    }
    OpenedProduct OpenProduct(Text code) override { const auto status = Call(L"open", code); return {status, status ? 0u : 7u}; }
    std::uint32_t DoAction(Handle p, Text action) override { return Step(p, L"action", action); }
    std::uint32_t SetInstallLevel(Handle p, int level) override { return Step(p, L"level", to_wstring(level)); }
    std::uint32_t SetFeatureState(Handle p, Text f, std::int32_t s) override { return Step(p, L"feature", f, to_wstring(s)); }
    bool InRunMode(Handle p, InstallerRunMode m) override { Step(p, L"mode", to_wstring(int(m))); return runModes.contains(m); }
    void Close(Handle handle) override { Call(L"close", to_wstring(handle)); }
    void MarkRebootScheduled() override { Call(L"reboot marked"); }

    std::int32_t Load(Text f) override { return Filter(L"load", f); }
    std::int32_t Attach(Text f, Text path, Text i) override { return Filter(L"attach", f, path, i); }
    std::int32_t Detach(Text f, Text path) override { return Filter(L"detach", f, path); }
    std::int32_t Unload(Text f) override { return Filter(L"unload", f); }
    // A listed failure, else success for a file that is there, else file-not-found.
    std::uint32_t DeleteFileAt(Text path) override
    {
        const std::uint32_t status = Call(L"delete", path);
        return files.erase(std::wstring(path)) ? 0 : status ? status : kErrorFileNotFound;
    }

    void Show(Text caption, Text text, MessageIcon icon) override { Box(L"", caption, text, Icon(icon)); }
    void ShowUnowned(Text caption, Text text, MessageIcon icon) override { Box(L"unowned ", caption, text, Icon(icon)); }
    bool AskYesNo(Text caption, Text question) override { Box(L"", caption, question, L"question"); return answerYes; }
    std::wstring Describe(std::uint32_t error) override { return L"system text " + to_wstring(error); }

    // A volume opened for the removal request, the only request it may get.
    struct Volume final : TrackedVolume {
        Volume(Platform& owner, Text volumePath) : platform(owner), path(volumePath) {}
        Platform& platform;
        std::wstring path;
        static DriverReply Unexpected() { ADD_FAILURE() << "only the removal request is sent"; return {}; }
        DriverReply QueryGeometry(Bytes) override { return Unexpected(); }
        DriverReply QueryStatistics(Bytes) override { return Unexpected(); }
        DriverReply QuerySessionBitmap(Bytes) override { return Unexpected(); }
        DriverReply LookupStreamsFromClusters(std::span<const std::uint8_t>, Bytes) override { return Unexpected(); }
        DriverReply RequestRemoval() override { platform.Call(L"removal", path); return DriverReply::Failure(50); }
    };
    OpenVolumeResult OpenVolume(Text path) override { return {std::make_unique<Volume>(*this, path), 0}; }
};

const std::wstring kDriver = L"Quillon Orvex Change Block Tracking driver";
const std::wstring kRemoveQuestion = L"Quillon TrackKit|Remove the " + kDriver + L"?\r\n\r\nThis deletes the tracking "
    L"file of every volume: the next backup of each volume will be a full backup.|question";
const std::wstring kRemoved = L"Quillon TrackKit|The " + kDriver + L" has been unregistered.\r\n\r\n"
                              L"You will need to restart your computer to complete the uninstallation.";

class DriverSetupTest : public ::testing::Test {
protected:
    Platform platform;
    testing::FakeVolumeSystem volumes;
    DriverSetupSystem system{platform, platform, platform, volumes, platform, platform, platform, platform};
    // The installer's calls when every step of an installation succeeds and no restart is asked for.
    const Log installed = {L"ui 2", L"related " + kFirstCode, L"open {P}", L"action CostInitialize", L"action FileCost",
                           L"action CostFinalize", L"level 0", L"feature CBT 3", L"action INSTALL", L"mode 18",
                           L"mode 19", L"close 7", L"ui 5"};

    Log Walk() const { return Log(platform.log.begin() + 13, platform.log.end()); }  // after the installer's part
};

TEST_F(DriverSetupTest, TheProductIsSoughtUnderBothUpgradeCodesAndWithoutItNothingRuns)
{
    const std::wstring secondCode = L"{9D41F0C8-6E25-4A73-B8C1-2F7D05E9A6B4}";
    platform.products.clear();
    volumes.AddVolume(L"A", {L"C:\\"});

    InstallDriver(system);
    EXPECT_EQ(platform.log, (Log{L"ui 2", L"related " + kFirstCode, L"related " + secondCode, L"ui 5"}));
    RemoveDriver(system);
    EXPECT_EQ(platform.log.size(), 8u) << "no product opened, no filter operation";
    EXPECT_EQ(volumes.searchesStarted, 0);
    EXPECT_EQ(platform.uiLevel, 5u);

    platform.products[secondCode] = L"{SECOND}";
    platform.log.clear();
    InstallDriver(system);
    EXPECT_EQ(platform.log[3], L"open {SECOND}");

    const auto failed = [](const wchar_t* verb) {
        return Join(L"", L"Quillon TrackKit|Failed to ", verb, L" the ", kDriver, L".\r\n\r\nError 1605: system text 1605|error");
    };
    EXPECT_EQ(platform.boxes, (Log{failed(L"install"), kRemoveQuestion, failed(L"uninstall"),
                                   L"Quillon TrackKit|The " + kDriver + L" has been registered.\r\n\r\n"
                                   L"You will need to restart your computer to complete the installation.|information"}))
        << "the search's end is reported as the product not being installed";
}

// Installing sets the feature local (3), removing absent (2); a restart the
// installer asks for leaves the marker and changes no result.
TEST_F(DriverSetupTest, TheFeatureIsSwitchedAndARestartAskedForLeavesTheMarker)
{
    const struct {
        bool install;
        std::set<InstallerRunMode> modes;
        Log tail;  // from the feature state on
    } cases[] = {
        {true, {}, {L"feature CBT 3", L"action INSTALL", L"mode 18", L"mode 19", L"close 7", L"ui 5"}},
        {false, {InstallerRunMode::RebootAtEnd},
         {L"feature CBT 2", L"action INSTALL", L"mode 18", L"reboot marked", L"close 7", L"ui 5"}},
        {false, {InstallerRunMode::RebootNow},
         {L"feature CBT 2", L"action INSTALL", L"mode 18", L"mode 19", L"reboot marked", L"close 7", L"ui 5"}},
    };
    for (const auto& c : cases) {
        platform.runModes = c.modes;
        platform.log.clear();
        EXPECT_EQ(RunDriverSetup(c.install, platform, platform), 0u);
        EXPECT_EQ(Log(platform.log.begin() + 7, platform.log.end()), c.tail) << "install " << c.install;
    }
}

TEST_F(DriverSetupTest, AFailingStepEndsTheSetupButTheProductIsClosedAndTheUiLevelRestored)
{
    // Each step from opening the product to the INSTALL action, by its index in the full log.
    for (std::size_t step = 2; step <= 8; ++step) {
        SCOPED_TRACE(::testing::Message() << "failing step " << step);
        platform.log.clear();
        platform.failures = {{installed[step], 1603}};

        EXPECT_EQ(RunDriverSetup(true, platform, platform), 1603u) << "the failing step's status";

        Log expected(installed.begin(), installed.begin() + static_cast<std::ptrdiff_t>(step) + 1);
        if (step > 2)
            expected.push_back(L"close 7");
        expected.push_back(L"ui 5");
        EXPECT_EQ(platform.log, expected);
        EXPECT_EQ(platform.uiLevel, 5u);
    }
}

TEST_F(DriverSetupTest, ARemovalThatLeavesNoFileSaysSoWithoutAList)
{
    volumes.AddVolume(L"A", {L"C:\\"});
    platform.files = {L"C:\\" + kFile};

    RemoveDriver(system);

    EXPECT_TRUE(platform.files.empty());
    EXPECT_EQ(platform.boxes, (Log{kRemoveQuestion, kRemoved + L"|information"}));
}

TEST_F(DriverSetupTest, AnsweringNoToTheRemovalQuestionChangesNothing)
{
    volumes.AddVolume(L"A", {L"C:\\"});
    platform.answerYes = false;

    RemoveDriver(system);

    EXPECT_TRUE(platform.log.empty());
    EXPECT_EQ(volumes.searchesStarted, 0);
    EXPECT_EQ(platform.boxes, (Log{kRemoveQuestion}));
}

// A filter that will not load stops before the search; a search that will not
// start stops the walk, unloading only a filter this run loaded.
TEST_F(DriverSetupTest, AFilterOrSearchThatCannotStartIsReportedAndNoVolumeIsTouched)
{
    volumes.AddVolume(L"A", {L"C:\\"});
    volumes.startError = 5;
    const std::wstring noSearch = L"unowned TrackKit|FindFirstVolume failed with error 5|error";
    const struct {
        std::uint32_t loadResult;
        std::wstring box;
        std::size_t calls;  // the load, and the unload it needs
    } cases[] = {
        {kAccessDenied, L"unowned TrackKit|Error 80070005 loading filter|error", 1},
        {0, noSearch, 2},
        {1, noSearch, 2},
        {static_cast<std::uint32_t>(kFilterAlreadyRunning), noSearch, 1},
    };
    for (const auto& c : cases) {
        platform = {};
        platform.failures = {{L"load zkvolacc", c.loadResult}};

        EXPECT_FALSE(ClearTrackingFiles(system).walked);

        EXPECT_EQ(platform.boxes, Log{c.box}) << c.loadResult;
        EXPECT_EQ(platform.log.size(), c.calls) << c.loadResult;
    }
}

// Mount paths are tried in order until a deletion works, the filter attached
// for one attempt at a time. A volume whose file may have stayed is named in
// the closing message and the walk goes on: its mount paths could not be
// listed (A), the filter would not attach (B: said once, its other path not
// tried) or every deletion failed for a reason other than the file's absence
// (C). A file that is not there is no failure (D, E), a path too long for the
// file's is not tried (D) and a volume mounted nowhere only gets the request (F).
TEST_F(DriverSetupTest, VolumesWhoseFilesStayAreNamedAndTheWalkGoesOn)
{
    const std::wstring tooLong = L"C:\\" + std::wstring(230, L'x') + L"\\";
    volumes.AddVolume(L"A", {L"C:\\"});
    volumes.mountPathErrors[testing::VolumeNameOf(L"A")] = kErrorMoreData;
    volumes.AddVolume(L"B", {L"D:\\", L"C:\\b\\"});
    volumes.AddVolume(L"C", {L"E:\\", L"C:\\c\\"});
    volumes.AddVolume(L"D", {tooLong, L"F:\\", L"C:\\d\\", L"G:\\"});
    volumes.AddVolume(L"E", {L"H:\\"});
    volumes.AddVolume(L"F", {});
    platform.failures = {{L"attach zkvolacc D:\\ UpperInstance", kAccessDenied}, {L"delete E:\\" + kFile, 5},
                         {L"delete C:\\c\\" + kFile, 5}};
    platform.files = {L"C:\\d\\" + kFile, L"G:\\" + kFile};

    RemoveDriver(system);

    EXPECT_EQ(Walk(), (Log{L"load zkvolacc", L"removal \\\\?\\Volume{A}", L"removal \\\\?\\Volume{B}",
                           L"attach zkvolacc D:\\ UpperInstance", L"removal \\\\?\\Volume{C}",
                           L"attach zkvolacc E:\\ UpperInstance", L"delete E:\\" + kFile, L"detach zkvolacc E:\\",
                           L"attach zkvolacc C:\\c\\ UpperInstance", L"delete C:\\c\\" + kFile, L"detach zkvolacc C:\\c\\",
                           L"removal \\\\?\\Volume{D}", L"attach zkvolacc " + tooLong + L" UpperInstance",
                           L"detach zkvolacc " + tooLong, L"attach zkvolacc F:\\ UpperInstance", L"delete F:\\" + kFile,
                           L"detach zkvolacc F:\\", L"attach zkvolacc C:\\d\\ UpperInstance", L"delete C:\\d\\" + kFile,
                           L"detach zkvolacc C:\\d\\", L"removal \\\\?\\Volume{E}", L"attach zkvolacc H:\\ UpperInstance",
                           L"delete H:\\" + kFile, L"detach zkvolacc H:\\", L"removal \\\\?\\Volume{F}", L"unload zkvolacc"}));
    EXPECT_EQ(platform.files, (std::set<std::wstring>{L"G:\\" + kFile}));
    EXPECT_EQ(volumes.mountBufferSizes, std::vector<std::size_t>(6, 1040));
    EXPECT_EQ(volumes.searchesOpen, 0) << "the volume search is closed";
    EXPECT_EQ(platform.boxes, (Log{kRemoveQuestion, L"unowned TrackKit|Error 80070005 attaching filter to \"D:\\\"|error",
                                   kRemoved + L"\r\n\r\nThe tracking files of these volumes could not be deleted and "
                                              L"remain:\r\n\\\\?\\Volume{A}\\\r\nD:\\\r\nE:\\|information"}));
}

TEST(TrackingFilePathTest, RefusesAPathThatDoesNotFit)
{
    // "C:\" and the 34 characters of kFile around the m's.
    const auto mountPathOfTotal = [](std::size_t total) { return L"C:\\" + std::wstring(total - 37, L'm'); };
    EXPECT_EQ(TrackingFilePath(mountPathOfTotal(260))->size(), 260u) << "exactly fills 261 characters";
    EXPECT_FALSE(TrackingFilePath(mountPathOfTotal(261)).has_value()) << "one too long";
}

} // namespace
} // namespace trackkit
