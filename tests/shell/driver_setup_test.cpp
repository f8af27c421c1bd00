#include "shell/driver_setup.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "volumes/fake_volume_system.h"

namespace trackkit {
namespace {

using testing::FakeVolumeSystem;
using testing::VolumeNameOf;

using Log = std::vector<std::wstring>;

constexpr wchar_t kFirstUpgradeCode[] = L"{5C2E7A10-3B94-4F61-8D27-A1E0B6C4F392}";
constexpr wchar_t kSecondUpgradeCode[] = L"{9D41F0C8-6E25-4A73-B8C1-2F7D05E9A6B4}";
constexpr wchar_t kProductCode[] = L"{11111111-2222-3333-4444-555555555555}";
constexpr InstallerHandle kProductHandle = 7;
constexpr std::uint32_t kUiLevelBefore = 5;  // INSTALLUILEVEL_FULL
constexpr std::uint32_t kNoMoreItems = 259;
constexpr std::int32_t kAccessDenied = static_cast<std::int32_t>(0x80070005u);

// Everything but the volume search, recording each call as one line of a
// shared log, in order. A call answers with the failure its line is mapped
// to, success otherwise.
class RecordingPlatform final : public Installer,
                                public RebootMarker,
                                public FilterManager,
                                public TrackingDriver,
                                public FileDeleter,
                                public UserMessages,
                                public SystemErrorText {
public:
    Log log;
    std::map<std::wstring, std::wstring> products;  // upgrade code -> product code
    std::map<std::wstring, std::uint32_t> installerFailures;
    std::set<InstallerRunMode> runModes;
    std::uint32_t uiLevel = kUiLevelBefore;
    std::map<std::wstring, std::int32_t> filterResults;
    std::set<std::wstring> files;
    std::map<std::wstring, std::uint32_t> deleteErrors;  // by file; absent files answer file-not-found
    Log boxes;  // "<caption>|<text>|<icon or question>", "unowned " first for error boxes without owner
    bool answerYes = true;

    std::uint32_t SetUiLevel(std::uint32_t level) override
    {
        log.push_back(L"ui " + std::to_wstring(level));
        return std::exchange(uiLevel, level);
    }
    RelatedProduct FindRelatedProduct(std::wstring_view upgradeCode) override
    {
        log.push_back(L"related " + std::wstring(upgradeCode));
        const auto it = products.find(std::wstring(upgradeCode));
        if (it == products.end())
            return {kNoMoreItems, {}};
        return {0, it->second};
    }
    OpenedProduct OpenProduct(std::wstring_view productCode) override
    {
        const std::uint32_t status = Step(L"open " + std::wstring(productCode));
        return {status, status == 0 ? kProductHandle : 0};
    }
    std::uint32_t DoAction(InstallerHandle product, std::wstring_view action) override
    {
        return Step(L"action " + std::wstring(action), product);
    }
    std::uint32_t SetInstallLevel(InstallerHandle product, int level) override
    {
        return Step(L"level " + std::to_wstring(level), product);
    }
    std::uint32_t SetFeatureState(InstallerHandle product, std::wstring_view feature, std::int32_t state) override
    {
        return Step(L"feature " + std::wstring(feature) + L" " + std::to_wstring(state), product);
    }
    bool InRunMode(InstallerHandle product, InstallerRunMode mode) override
    {
        Step(L"mode " + std::to_wstring(static_cast<std::uint32_t>(mode)), product);
        return runModes.count(mode) != 0;
    }
    void Close(InstallerHandle handle) override { log.push_back(L"close " + std::to_wstring(handle)); }

    void MarkRebootScheduled() override { log.push_back(L"reboot marked"); }

    std::int32_t Load(std::wstring_view filter) override { return Filter(L"load " + std::wstring(filter)); }
    std::int32_t Attach(std::wstring_view filter, std::wstring_view volumePath, std::wstring_view instance) override
    {
        return Filter(L"attach " + std::wstring(filter) + L" " + std::wstring(volumePath) + L" " +
                      std::wstring(instance));
    }
    std::int32_t Detach(std::wstring_view filter, std::wstring_view volumePath) override
    {
        return Filter(L"detach " + std::wstring(filter) + L" " + std::wstring(volumePath));
    }
    std::int32_t Unload(std::wstring_view filter) override { return Filter(L"unload " + std::wstring(filter)); }

    OpenVolumeResult OpenVolume(std::wstring_view path) override
    {
        return {std::make_unique<Volume>(log, std::wstring(path)), 0};
    }

    std::uint32_t DeleteFileAt(std::wstring_view path) override
    {
        log.push_back(L"delete " + std::wstring(path));
        if (files.erase(std::wstring(path)) != 0)
            return 0;
        const auto it = deleteErrors.find(std::wstring(path));
        return it == deleteErrors.end() ? kErrorFileNotFound : it->second;
    }

    void Show(std::wstring_view caption, std::wstring_view text, MessageIcon icon) override
    {
        boxes.push_back(Box(caption, text, icon));
    }
    void ShowUnowned(std::wstring_view caption, std::wstring_view text, MessageIcon icon) override
    {
        boxes.push_back(L"unowned " + Box(caption, text, icon));
    }
    bool AskYesNo(std::wstring_view caption, std::wstring_view question) override
    {
        boxes.push_back(std::wstring(caption) + L"|" + std::wstring(question) + L"|question");
        return answerYes;
    }

    std::wstring Describe(std::uint32_t error) override { return L"system text " + std::to_wstring(error); }

private:
    // A volume opened for the removal request, the only request sent here.
    class Volume final : public TrackedVolume {
    public:
        Volume(Log& log, std::wstring path) : log_(log), path_(std::move(path)) {}
        DriverReply QueryGeometry(std::span<std::uint8_t>) override { return Unexpected(); }
        DriverReply QueryStatistics(std::span<std::uint8_t>) override { return Unexpected(); }
        DriverReply QuerySessionBitmap(std::span<std::uint8_t>) override { return Unexpected(); }
        DriverReply LookupStreamsFromClusters(std::span<const std::uint8_t>, std::span<std::uint8_t>) override { return Unexpected(); }
        DriverReply RequestRemoval() override
        {
            log_.push_back(L"removal " + path_);
            return DriverReply::Failure(50);  // never examined
        }

    private:
        static DriverReply Unexpected()
        {
            ADD_FAILURE() << "only the removal request is sent";
            return DriverReply::Failure(1);
        }
        Log& log_;
        std::wstring path_;
    };

    std::uint32_t Step(std::wstring line, InstallerHandle product = kProductHandle)
    {
        EXPECT_EQ(product, kProductHandle) << "the opened product's handle";
        log.push_back(line);
        const auto it = installerFailures.find(line);
        return it == installerFailures.end() ? 0 : it->second;
    }
    std::int32_t Filter(std::wstring line)
    {
        log.push_back(line);
        const auto it = filterResults.find(line);
        return it == filterResults.end() ? 0 : it->second;
    }
    static std::wstring Box(std::wstring_view caption, std::wstring_view text, MessageIcon icon)
    {
        return std::wstring(caption) + L"|" + std::wstring(text) + L"|" +
               (icon == MessageIcon::Error ? L"error" : L"information");
    }
};

const std::wstring kInstalledBox =
    L"Quillon TrackKit|The Quillon Orvex Change Block Tracking driver has been registered.\r\n\r\n"
    L"You will need to restart your computer to complete the installation.|information";
const std::wstring kInstallFailedBox =
    L"Quillon TrackKit|Failed to install the Quillon Orvex Change Block Tracking driver.\r\n\r\n"
    L"Error 1605: system text 1605|error";
const std::wstring kRemoveQuestion =
    L"Quillon TrackKit|Remove the Quillon Orvex Change Block Tracking driver?\r\n\r\n"
    L"This deletes the tracking file of every volume: the next backup of each volume will be a full backup."
    L"|question";
const std::wstring kRemovedBox =
    L"Quillon TrackKit|The Quillon Orvex Change Block Tracking driver has been unregistered.\r\n\r\n"
    L"You will need to restart your computer to complete the uninstallation.|information";
const std::wstring kRemoveFailedBox =
    L"Quillon TrackKit|Failed to uninstall the Quillon Orvex Change Block Tracking driver.\r\n\r\n"
    L"Error 1605: system text 1605|error";

// The installer's calls from finding the product to the last reboot query,
// when every step succeeds and no restart is asked for.
Log SuccessfulSetup(int featureState)
{
    return {L"ui 2",
            std::wstring(L"related ") + kFirstUpgradeCode,
            std::wstring(L"open ") + kProductCode,
            L"action CostInitialize",
            L"action FileCost",
            L"action CostFinalize",
            L"level 0",
            L"feature CBT " + std::to_wstring(featureState),
            L"action INSTALL",
            L"mode 18",
            L"mode 19",
            L"close 7",
            L"ui 5"};
}

Log Lines(const Log& log, const std::wstring& prefix)
{
    Log lines;
    for (const std::wstring& line : log)
        if (line.rfind(prefix, 0) == 0)
            lines.push_back(line);
    return lines;
}

class DriverSetupTest : public ::testing::Test {
protected:
    RecordingPlatform platform;
    FakeVolumeSystem volumes;
    DriverSetupSystem system{platform, platform, platform, volumes, platform, platform, platform, platform};

    void InstallProductUnderFirstCode() { platform.products[kFirstUpgradeCode] = kProductCode; }
    std::uint32_t Setup(bool install) { return RunDriverSetup(install, platform, platform); }
    void AddTrackingFile(const std::wstring& mountPath) { platform.files.insert(*TrackingFilePath(mountPath)); }
};

TEST_F(DriverSetupTest, WithoutARelatedProductBothCodesAreAskedAndNothingElseRuns)
{
    volumes.AddVolume(L"A", {L"C:\\"});

    InstallDriver(system);
    EXPECT_EQ(platform.log, (Log{L"ui 2", std::wstring(L"related ") + kFirstUpgradeCode,
                                 std::wstring(L"related ") + kSecondUpgradeCode, L"ui 5"}));
    platform.log.clear();
    RemoveDriver(system);

    EXPECT_EQ(platform.log.size(), 4u) << "no product opened, no filter operation";
    EXPECT_EQ(volumes.searchesStarted, 0);
    EXPECT_EQ(platform.boxes, (Log{kInstallFailedBox, kRemoveQuestion, kRemoveFailedBox}))
        << "the search's end is reported as the product not being installed";
    EXPECT_EQ(platform.uiLevel, kUiLevelBefore);
}

TEST_F(DriverSetupTest, TheFeatureIsSetLocalToInstallAndAbsentToRemove)
{
    InstallProductUnderFirstCode();

    InstallDriver(system);
    EXPECT_EQ(platform.log, SuccessfulSetup(3));
    EXPECT_EQ(platform.boxes, (Log{kInstalledBox}));

    platform.log.clear();
    EXPECT_EQ(Setup(false), 0u);
    EXPECT_EQ(platform.log, SuccessfulSetup(2));
}

TEST_F(DriverSetupTest, TheSecondUpgradeCodeFindsTheProductWhenTheFirstFindsNone)
{
    platform.products[kSecondUpgradeCode] = L"{SECOND}";

    EXPECT_EQ(Setup(true), 0u);

    EXPECT_EQ(Lines(platform.log, L"related ").size(), 2u);
    EXPECT_EQ(Lines(platform.log, L"open "), (Log{L"open {SECOND}"}));
}

TEST_F(DriverSetupTest, AFailingStepEndsTheSetupButTheProductIsClosedAndTheUiLevelRestored)
{
    InstallProductUnderFirstCode();
    const Log full = SuccessfulSetup(3);
    // Each step from opening the product to the INSTALL action, by its index
    // in the full log.
    for (std::size_t step = 2; step <= 8; ++step) {
        SCOPED_TRACE(::testing::Message() << "failing step " << step);
        platform.log.clear();
        platform.installerFailures = {{full[step], 1603}};

        EXPECT_EQ(Setup(true), 1603u) << "the failing step's status";

        Log expected(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(step) + 1);
        if (step > 2)
            expected.push_back(L"close 7");
        expected.push_back(L"ui 5");
        EXPECT_EQ(platform.log, expected);
        EXPECT_EQ(platform.uiLevel, kUiLevelBefore);
    }
}

TEST_F(DriverSetupTest, ARestartTheInstallerAsksForLeavesTheMarkerWithoutChangingTheResult)
{
    InstallProductUnderFirstCode();
    const struct {
        std::set<InstallerRunMode> modes;
        Log expectedTail;
    } cases[] = {
        {{}, {L"mode 18", L"mode 19", L"close 7"}},
        {{InstallerRunMode::RebootAtEnd}, {L"mode 18", L"reboot marked", L"close 7"}},
        {{InstallerRunMode::RebootNow}, {L"mode 18", L"mode 19", L"reboot marked", L"close 7"}},
    };
    for (const auto& c : cases) {
        platform.runModes = c.modes;
        platform.log.clear();
        EXPECT_EQ(Setup(false), 0u);
        const Log tail(platform.log.end() - static_cast<std::ptrdiff_t>(c.expectedTail.size()) - 1,
                       platform.log.end() - 1);
        EXPECT_EQ(tail, c.expectedTail);
    }
}

TEST_F(DriverSetupTest, RemovalClearsEachVolumeThroughTheFilterAndThenReportsSuccess)
{
    InstallProductUnderFirstCode();
    volumes.AddVolume(L"A", {L"C:\\"});
    volumes.AddVolume(L"B", {L"D:\\"});
    AddTrackingFile(L"C:\\");
    AddTrackingFile(L"D:\\");

    RemoveDriver(system);

    const Log setup = SuccessfulSetup(2);
    const Log walk(platform.log.begin() + static_cast<std::ptrdiff_t>(setup.size()), platform.log.end());
    EXPECT_EQ(walk, (Log{L"load zkvolacc",
                         L"removal \\\\?\\Volume{A}",
                         L"attach zkvolacc C:\\ UpperInstance",
                         L"delete C:\\\\System Volume Information\\$QXCBT2",
                         L"detach zkvolacc C:\\",
                         L"removal \\\\?\\Volume{B}",
                         L"attach zkvolacc D:\\ UpperInstance",
                         L"delete D:\\\\System Volume Information\\$QXCBT2",
                         L"detach zkvolacc D:\\",
                         L"unload zkvolacc"}));
    EXPECT_TRUE(platform.files.empty());
    EXPECT_EQ(volumes.mountBufferSizes, (std::vector<std::size_t>{1040, 1040}));
    EXPECT_EQ(volumes.searchesOpen, 0) << "the volume search is closed";
    EXPECT_EQ(platform.boxes, (Log{kRemoveQuestion, kRemovedBox}));
}

TEST_F(DriverSetupTest, AnsweringNoToTheRemovalQuestionChangesNothing)
{
    InstallProductUnderFirstCode();
    volumes.AddVolume(L"A", {L"C:\\"});
    platform.answerYes = false;

    RemoveDriver(system);

    EXPECT_TRUE(platform.log.empty());
    EXPECT_EQ(volumes.searchesStarted, 0);
    EXPECT_EQ(platform.boxes, (Log{kRemoveQuestion}));
}

TEST_F(DriverSetupTest, AFilterThatCannotLoadIsReportedAndNoVolumeIsTouched)
{
    InstallProductUnderFirstCode();
    volumes.AddVolume(L"A", {L"C:\\"});
    platform.filterResults[L"load zkvolacc"] = kAccessDenied;

    RemoveDriver(system);

    EXPECT_EQ(platform.log.back(), L"load zkvolacc");
    EXPECT_EQ(volumes.searchesStarted, 0);
    EXPECT_EQ(platform.boxes,
              (Log{kRemoveQuestion, L"unowned TrackKit|Error 80070005 loading filter|error", kRemovedBox}))
        << "the removal still ends with its own message";
}

TEST_F(DriverSetupTest, AVolumeSearchThatCannotStartIsReportedAndUnloadsOnlyAFilterItLoaded)
{
    volumes.startError = 5;
    const struct {
        std::int32_t loadResult;
        std::size_t unloads;
    } cases[] = {{0, 1}, {1, 1}, {kFilterAlreadyRunning, 0}};
    for (const auto& c : cases) {
        platform.log.clear();
        platform.boxes.clear();
        platform.filterResults[L"load zkvolacc"] = c.loadResult;

        EXPECT_FALSE(ClearTrackingFiles(system).walked);

        EXPECT_EQ(platform.boxes, (Log{L"unowned TrackKit|FindFirstVolume failed with error 5|error"}));
        EXPECT_EQ(Lines(platform.log, L"unload").size(), c.unloads) << "load result " << c.loadResult;
    }
}

TEST_F(DriverSetupTest, AnAttachFailureIsReportedOnceAndTheWalkGoesOnWithTheNextVolume)
{
    volumes.AddVolume(L"A", {L"E:\\", L"C:\\mnt\\e\\"});
    volumes.AddVolume(L"B", {L"D:\\"});
    AddTrackingFile(L"E:\\");
    AddTrackingFile(L"D:\\");
    platform.filterResults[L"attach zkvolacc E:\\ UpperInstance"] = kAccessDenied;

    EXPECT_TRUE(ClearTrackingFiles(system).walked);

    EXPECT_EQ(platform.boxes, (Log{L"unowned TrackKit|Error 80070005 attaching filter to \"E:\\\"|error"}));
    EXPECT_EQ(Lines(platform.log, L"attach"),
              (Log{L"attach zkvolacc E:\\ UpperInstance", L"attach zkvolacc D:\\ UpperInstance"}))
        << "the volume's other mount path is not tried";
    EXPECT_EQ(Lines(platform.log, L"detach"), (Log{L"detach zkvolacc D:\\"}));
    EXPECT_EQ(platform.files, (std::set<std::wstring>{*TrackingFilePath(L"E:\\")}));
}

TEST_F(DriverSetupTest, MountPathsAreTriedInOrderUntilADeletionSucceeds)
{
    // The first path is too long for the tracking file's path, the second has
    // no file, the third has it; the fourth is never tried.
    const std::wstring tooLong = L"C:\\" + std::wstring(230, L'x') + L"\\";
    volumes.AddVolume(L"A", {tooLong, L"F:\\", L"C:\\mnt\\a\\", L"G:\\"});
    AddTrackingFile(L"C:\\mnt\\a\\");
    AddTrackingFile(L"G:\\");

    EXPECT_TRUE(ClearTrackingFiles(system).walked);

    EXPECT_EQ(Lines(platform.log, L"attach").size(), 3u);
    EXPECT_EQ(Lines(platform.log, L"detach").size(), 3u) << "detached after each attempt";
    EXPECT_EQ(Lines(platform.log, L"delete"), (Log{L"delete F:\\\\System Volume Information\\$QXCBT2",
                                                   L"delete C:\\mnt\\a\\\\System Volume Information\\$QXCBT2"}))
        << "a path that does not fit is never handed to the deletion";
    EXPECT_EQ(platform.files.count(*TrackingFilePath(L"G:\\")), 1u);
    EXPECT_TRUE(platform.boxes.empty()) << "failed deletions are silent";
}

TEST_F(DriverSetupTest, AVolumeWithoutMountPathsOnlyGetsTheRemovalRequest)
{
    volumes.AddVolume(L"A", {});

    EXPECT_TRUE(ClearTrackingFiles(system).remaining.empty()) << "and is not reported";

    EXPECT_EQ(platform.log, (Log{L"load zkvolacc", L"removal \\\\?\\Volume{A}", L"unload zkvolacc"}));
}

// A volume whose file may have stayed is passed over and named in the
// closing message: its mount paths could not be listed, the filter would not
// attach, or every deletion failed for a reason other than the file's absence.
TEST_F(DriverSetupTest, VolumesWhoseFilesStayAreNamedAndTheWalkGoesOn)
{
    InstallProductUnderFirstCode();
    volumes.AddVolume(L"A", {L"C:\\"});
    volumes.mountPathErrors[VolumeNameOf(L"A")] = kErrorMoreData;
    volumes.AddVolume(L"B", {L"D:\\"});
    platform.filterResults[L"attach zkvolacc D:\\ UpperInstance"] = kAccessDenied;
    volumes.AddVolume(L"C", {L"E:\\", L"C:\\mnt\\e\\"});
    platform.deleteErrors[*TrackingFilePath(L"E:\\")] = 5;
    platform.deleteErrors[*TrackingFilePath(L"C:\\mnt\\e\\")] = 5;
    volumes.AddVolume(L"D", {L"F:\\"});  // never tracked: no file
    volumes.AddVolume(L"E", {L"G:\\"});
    AddTrackingFile(L"G:\\");

    RemoveDriver(system);

    EXPECT_EQ(Lines(platform.log, L"removal").size(), 5u);
    EXPECT_TRUE(platform.files.empty()) << "the last volume is still cleared";
    EXPECT_EQ(platform.boxes.back(),
              L"Quillon TrackKit|The Quillon Orvex Change Block Tracking driver has been unregistered.\r\n\r\n"
              L"You will need to restart your computer to complete the uninstallation.\r\n\r\n"
              L"The tracking files of these volumes could not be deleted and remain:\r\n"
              L"\\\\?\\Volume{A}\\\r\nD:\\\r\nE:\\|information");
}

TEST(TrackingFilePathTest, KeepsTheMountPathsBackslashAndRefusesWhatDoesNotFit)
{
    const std::wstring tail = L"\\System Volume Information\\$QXCBT2";
    const auto mountPathOfTotal = [&](std::size_t total) {
        return L"C:\\" + std::wstring(total - tail.size() - 3, L'm');
    };
    EXPECT_EQ(TrackingFilePath(L"C:\\"), L"C:\\\\System Volume Information\\$QXCBT2");
    EXPECT_EQ(TrackingFilePath(L"C:\\mnt\\data\\"), L"C:\\mnt\\data\\\\System Volume Information\\$QXCBT2");
    EXPECT_EQ(TrackingFilePath(mountPathOfTotal(259))->size(), 259u);
    EXPECT_EQ(TrackingFilePath(mountPathOfTotal(260))->size(), 260u) << "exactly fills 261 characters";
    EXPECT_FALSE(TrackingFilePath(mountPathOfTotal(261)).has_value()) << "one too long";
}

} // namespace
} // namespace trackkit
