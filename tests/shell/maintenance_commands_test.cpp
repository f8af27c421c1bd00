// The maintenance commands: installing and removing the driver, the device
// exclusions and the clean-up of shadow copy devices.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "shell/device_maintenance.h"
#include "shell/driver_setup.h"
#include "support/recording_host.h"
#include "volumes/fake_volume_system.h"

namespace trackkit {
namespace {

using Log = std::vector<std::wstring>;
using Text = std::wstring_view;
using Bytes = std::span<std::uint8_t>;
using Handle = InstallerHandle;
using std::to_wstring;
constexpr std::uint32_t kAccessDenied = 0x80070005u;
const std::wstring kFirstCode = L"{5C2E7A10-3B94-4F61-8D27-A1E0B6C4F392}";
const std::wstring kFile = L"\\System Volume Information\\$QXCBT2";
const std::wstring kShadowCopy = L"Generic volume shadow copy";

std::wstring Join(Text separator, const auto&... parts)
{
    std::wstring line;
    ((line += parts, line += separator), ...);
    return line.substr(0, line.size() - separator.size());
}

// A volume snapshot device as the device manager answers for it.
struct Device {
    std::optional<std::wstring> friendlyName, description;
    std::uint32_t status = kConfigNoSuchDevInst, uninstall = kConfigSuccess;
};

// Everything the commands talk to but the volume search and the debug log.
// Each call and each box ("<caption>|<text>|<icon>") is one line of `log`, in
// order; a line listed in `failures` answers with that status, any other
// succeeds. Devices are numbered from 100.
struct Machine final : Installer, RebootMarker, FilterManager, TrackingDriver, FileDeleter, ServiceKey, MenuChecks,
                       DeviceManager, UserMessages, SystemErrorText {
    Log log;
    std::map<std::wstring, std::uint32_t> failures;
    std::map<std::wstring, std::wstring> products = {{kFirstCode, L"{P}"}};  // by upgrade code
    std::set<InstallerRunMode> runModes;
    std::uint32_t uiLevel = 5;
    bool answerYes = true;
    std::set<std::wstring> files;
    std::map<std::wstring, ServiceValue> values;  // a missing name fails its query
    std::map<int, bool> checked;
    std::vector<Device> devices;

    std::uint32_t Call(const auto&... parts)  // the parts joined by spaces
    {
        const std::wstring line = Join(L" ", parts...);
        log.push_back(line);
        return failures.contains(line) ? failures[line] : 0;
    }
    std::uint32_t Step(Handle product, const auto&... parts) { EXPECT_EQ(product, 7u); return Call(parts...); }
    std::int32_t Filter(const auto&... parts) { return static_cast<std::int32_t>(Call(parts...)); }
    void Box(const wchar_t* owner, Text caption, Text text, Text icon) { log.push_back(owner + Join(L"|", caption, text, icon)); }
    static Text Icon(MessageIcon icon) { return icon == MessageIcon::Error ? L"error" : L"information"; }
    const Device& At(DeviceNode device) const { return devices.at(device - 100); }

    std::uint32_t SetUiLevel(std::uint32_t to) override { Call(L"ui", to_wstring(to)); return std::exchange(uiLevel, to); }
    RelatedProduct FindRelatedProduct(Text code) override
    {
        Call(L"related", code);
        const auto it = products.find(std::wstring(code));
        return it == products.end() ? RelatedProduct{kInstallerNoMoreItems, {}} : RelatedProduct{0, it->second};
    }
    OpenedProduct OpenProduct(Text code) override { const auto error = Call(L"open", code); return {error, error ? 0u : 7u}; }
    std::uint32_t DoAction(Handle p, Text action) override { return Step(p, L"action", action); }
    std::uint32_t SetInstallLevel(Handle p, int level) override { return Step(p, L"level", to_wstring(level)); }
    std::uint32_t SetFeatureState(Handle p, Text f, std::int32_t s) override { return Step(p, L"feature", f, to_wstring(s)); }
    bool InRunMode(Handle p, InstallerRunMode m) override { Step(p, L"mode", to_wstring(int(m))); return runModes.contains(m); }
    void Close(Handle handle) override { Call(L"close", to_wstring(handle)); }
    void MarkRebootScheduled() override { Call(L"reboot marked"); }

    std::int32_t Load(Text f) override { return Filter(L"load", f); }
    std::int32_t Attach(Text f, Text path, Text instance) override { return Filter(L"attach", f, path, instance); }
    std::int32_t Detach(Text f, Text path) override { return Filter(L"detach", f, path); }
    std::int32_t Unload(Text f) override { return Filter(L"unload", f); }
    // A listed failure, else success for a file that is there, else ERROR_FILE_NOT_FOUND.
    std::uint32_t DeleteFileAt(Text path) override
    {
        const std::uint32_t status = Call(L"delete", path);
        return files.erase(std::wstring(path)) ? 0 : status ? status : 2;
    }

    bool OpenForQuery() override { return Call(L"open key") == 0; }
    ServiceValue Query(Text name) override { Call(L"query", name); return values[std::wstring(name)]; }
    void Close() override { Call(L"close key"); }
    std::uint32_t WriteDword(Text name, std::uint32_t value) override { return Call(Join(L"=", name, to_wstring(value))); }
    bool IsChecked(int command) override { return checked[command]; }
    void Mark(Text how, int command, bool on) { Call(how, to_wstring(command), on ? L"on" : L"off"); checked[command] = on; }
    void SetCheckMark(int command, bool on) override { Mark(L"mark", command, on); }
    void ReplaceState(int command, bool on) override { Mark(L"state", command, on); }

    struct List final : DeviceList {
        explicit List(Machine& owner) : machine(owner) {}
        ~List() override { machine.Call(L"release list"); }
        std::optional<DeviceNode> DeviceAt(std::uint32_t i) override
        {
            return i < machine.devices.size() ? std::optional(100 + i) : std::nullopt;
        }
        Machine& machine;
    };
    std::unique_ptr<DeviceList> ListVolumeSnapshotDevices() override
    {
        return Call(L"list") ? nullptr : std::make_unique<List>(*this);
    }
    std::optional<std::wstring> ReadName(DeviceNode device, DeviceNameProperty property) override
    {
        const bool friendly = property == DeviceNameProperty::FriendlyName;
        Call(friendly ? L"friendly name" : L"description", to_wstring(device));
        return friendly ? At(device).friendlyName : At(device).description;
    }
    std::uint32_t QueryStatus(DeviceNode device) override { Call(L"status", to_wstring(device)); return At(device).status; }
    std::uint32_t Uninstall(DeviceNode device) override { Call(L"uninstall", to_wstring(device)); return At(device).uninstall; }

    void Show(Text caption, Text text, MessageIcon icon) override { Box(L"", caption, text, Icon(icon)); }
    void ShowUnowned(Text caption, Text text, MessageIcon icon) override { Box(L"unowned ", caption, text, Icon(icon)); }
    bool AskYesNo(Text caption, Text question) override { Box(L"", caption, question, L"question"); return answerYes; }
    std::wstring Describe(std::uint32_t error) override { return L"system text " + to_wstring(error); }

    // A volume opened for the removal request, the only request it may get.
    struct Volume final : TrackedVolume {
        Volume(Machine& owner, Text volumePath) : machine(owner), path(volumePath) {}
        Machine& machine;
        std::wstring path;
        static DriverReply Unexpected() { ADD_FAILURE() << "only the removal request is sent"; return {}; }
        DriverReply QueryGeometry(Bytes) override { return Unexpected(); }
        DriverReply QueryStatistics(Bytes) override { return Unexpected(); }
        DriverReply QuerySessionBitmap(Bytes) override { return Unexpected(); }
        DriverReply LookupStreamsFromClusters(std::span<const std::uint8_t>, Bytes) override { return Unexpected(); }
        DriverReply RequestRemoval() override { machine.Call(L"removal", path); return DriverReply::Failure(50); }
    };
    OpenVolumeResult OpenVolume(Text path) override { return {std::make_unique<Volume>(*this, path), 0}; }
};

const std::wstring kDriver = L"Quillon Orvex Change Block Tracking driver";
const std::wstring kRemoveQuestion = L"Quillon TrackKit|Remove the " + kDriver + L"?\r\n\r\nThis deletes the tracking "
    L"file of every volume: the next backup of each volume will be a full backup.|question";
const std::wstring kRemoved = L"Quillon TrackKit|The " + kDriver + L" has been unregistered.\r\n\r\n"
                              L"You will need to restart your computer to complete the uninstallation.";

class MaintenanceCommandsTest : public ::testing::Test {
protected:
    Machine machine;
    testing::FakeVolumeSystem volumes;
    testing::RecordingDebugLog debug;
    DriverSetupSystem system{machine, machine, machine, volumes, machine, machine, machine, machine};
    DeviceExclusionHost host{machine, machine, debug, machine, machine};
};

TEST_F(MaintenanceCommandsTest, TheProductIsSoughtUnderBothUpgradeCodesAndWithoutItNothingRuns)
{
    const std::wstring secondCode = L"{9D41F0C8-6E25-4A73-B8C1-2F7D05E9A6B4}";
    const auto failed = [](const wchar_t* verb) {
        return Join(L"", L"Quillon TrackKit|Failed to ", verb, L" the ", kDriver, L".\r\n\r\nError 1605: system text 1605|error");
    };
    machine.products.clear();
    volumes.AddVolume(L"A", {L"C:\\"});

    InstallDriver(system);
    RemoveDriver(system);

    const std::wstring first = L"related " + kFirstCode, second = L"related " + secondCode;
    EXPECT_EQ(machine.log, (Log{L"ui 2", first, second, L"ui 5", failed(L"install"), kRemoveQuestion,
                                L"ui 2", first, second, L"ui 5", failed(L"uninstall")}))
        << "the search's end is reported as the product not being installed";
    EXPECT_EQ(volumes.searchesStarted, 0);
    EXPECT_EQ(machine.uiLevel, 5u);

    machine.products[secondCode] = L"{SECOND}";
    machine.log.clear();
    InstallDriver(system);
    EXPECT_EQ(machine.log[3], L"open {SECOND}");
    EXPECT_EQ(machine.log.back(), L"Quillon TrackKit|The " + kDriver + L" has been registered.\r\n\r\n"
                                  L"You will need to restart your computer to complete the installation.|information");
}

// Installing sets the feature local (3), removing absent (2); a restart the
// installer asks for leaves the marker and changes no result.
TEST_F(MaintenanceCommandsTest, TheFeatureIsSwitchedAndARestartAskedForLeavesTheMarker)
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
        machine.runModes = c.modes;
        machine.log.clear();
        EXPECT_EQ(RunDriverSetup(c.install, machine, machine), 0u);
        EXPECT_EQ(Log(machine.log.begin() + 7, machine.log.end()), c.tail) << "install " << c.install;
    }
}

TEST_F(MaintenanceCommandsTest, AFailingStepEndsTheSetupButTheProductIsClosedAndTheUiLevelRestored)
{
    // The calls when every step succeeds and no restart is asked for.
    const Log installed = {L"ui 2", L"related " + kFirstCode, L"open {P}", L"action CostInitialize", L"action FileCost",
                           L"action CostFinalize", L"level 0", L"feature CBT 3", L"action INSTALL", L"mode 18",
                           L"mode 19", L"close 7", L"ui 5"};
    // Each step from opening the product to the INSTALL action, by its index in the full log.
    for (std::size_t step = 2; step <= 8; ++step) {
        SCOPED_TRACE(::testing::Message() << "failing step " << step);
        machine.log.clear();
        machine.failures = {{installed[step], 1603}};

        EXPECT_EQ(RunDriverSetup(true, machine, machine), 1603u) << "the failing step's status";

        Log expected(installed.begin(), installed.begin() + static_cast<std::ptrdiff_t>(step) + 1);
        if (step > 2)
            expected.push_back(L"close 7");
        expected.push_back(L"ui 5");
        EXPECT_EQ(machine.log, expected);
        EXPECT_EQ(machine.uiLevel, 5u);
    }
}

TEST_F(MaintenanceCommandsTest, AnsweringNoToTheRemovalQuestionChangesNothing)
{
    volumes.AddVolume(L"A", {L"C:\\"});
    machine.answerYes = false;

    RemoveDriver(system);

    EXPECT_EQ(machine.log, Log{kRemoveQuestion});
    EXPECT_EQ(volumes.searchesStarted, 0);
}

// A filter that will not load stops before the search; a search that will not
// start stops the walk, unloading only a filter this run loaded.
TEST_F(MaintenanceCommandsTest, AFilterOrSearchThatCannotStartIsReportedAndNoVolumeIsTouched)
{
    volumes.AddVolume(L"A", {L"C:\\"});
    volumes.startError = 5;
    const std::wstring noSearch = L"unowned TrackKit|FindFirstVolume failed with error 5|error";
    const struct {
        std::uint32_t loadResult;
        Log log;
    } cases[] = {
        {kAccessDenied, {L"load zkvolacc", L"unowned TrackKit|Error 80070005 loading filter|error"}},
        {0, {L"load zkvolacc", noSearch, L"unload zkvolacc"}},
        {1, {L"load zkvolacc", noSearch, L"unload zkvolacc"}},
        {static_cast<std::uint32_t>(kFilterAlreadyRunning), {L"load zkvolacc", noSearch}},
    };
    for (const auto& c : cases) {
        machine.log.clear();
        machine.failures = {{L"load zkvolacc", c.loadResult}};

        EXPECT_FALSE(ClearTrackingFiles(system).walked);

        EXPECT_EQ(machine.log, c.log) << c.loadResult;
    }
}

// Mount paths are tried in order until a deletion works, the filter attached
// for one attempt at a time. A volume whose file may have stayed is named in
// the closing message and the walk goes on: its mount paths could not be
// listed (A), the filter would not attach (B: said once, its other path not
// tried) or every deletion failed for a reason other than the file's absence
// (C). A missing file or folder is no failure (D, E, G), a path too long for
// the file's is not tried (D) and a volume mounted nowhere only gets the request (F).
TEST_F(MaintenanceCommandsTest, VolumesWhoseFilesStayAreNamedAndTheWalkGoesOn)
{
    const std::wstring tooLong = L"C:\\" + std::wstring(230, L'x') + L"\\";
    volumes.AddVolume(L"A", {L"C:\\"});
    volumes.mountPathErrors[testing::VolumeNameOf(L"A")] = kErrorMoreData;
    volumes.AddVolume(L"B", {L"D:\\", L"C:\\b\\"});
    volumes.AddVolume(L"C", {L"E:\\", L"C:\\c\\"});
    volumes.AddVolume(L"D", {tooLong, L"F:\\", L"C:\\d\\", L"G:\\"});
    volumes.AddVolume(L"E", {L"H:\\"});
    volumes.AddVolume(L"F", {});
    volumes.AddVolume(L"G", {L"I:\\"});
    machine.failures = {{L"attach zkvolacc D:\\ UpperInstance", kAccessDenied}, {L"delete E:\\" + kFile, 5},
                        {L"delete C:\\c\\" + kFile, 5}, {L"delete I:\\" + kFile, 3 /* ERROR_PATH_NOT_FOUND */}};
    machine.files = {L"C:\\d\\" + kFile, L"G:\\" + kFile};

    RemoveDriver(system);

    // After the question and the installer's 13 calls, volume by volume:
    EXPECT_EQ(Log(machine.log.begin() + 14, machine.log.end()), (Log{
        L"load zkvolacc", L"removal \\\\?\\Volume{A}",
        L"removal \\\\?\\Volume{B}", L"attach zkvolacc D:\\ UpperInstance",
        L"unowned TrackKit|Error 80070005 attaching filter to \"D:\\\"|error",
        L"removal \\\\?\\Volume{C}", L"attach zkvolacc E:\\ UpperInstance", L"delete E:\\" + kFile, L"detach zkvolacc E:\\",
        L"attach zkvolacc C:\\c\\ UpperInstance", L"delete C:\\c\\" + kFile, L"detach zkvolacc C:\\c\\",
        L"removal \\\\?\\Volume{D}", L"attach zkvolacc " + tooLong + L" UpperInstance", L"detach zkvolacc " + tooLong,
        L"attach zkvolacc F:\\ UpperInstance", L"delete F:\\" + kFile, L"detach zkvolacc F:\\",
        L"attach zkvolacc C:\\d\\ UpperInstance", L"delete C:\\d\\" + kFile, L"detach zkvolacc C:\\d\\",
        L"removal \\\\?\\Volume{E}", L"attach zkvolacc H:\\ UpperInstance", L"delete H:\\" + kFile, L"detach zkvolacc H:\\",
        L"removal \\\\?\\Volume{F}",
        L"removal \\\\?\\Volume{G}", L"attach zkvolacc I:\\ UpperInstance", L"delete I:\\" + kFile, L"detach zkvolacc I:\\",
        L"unload zkvolacc",
        kRemoved + L"\r\n\r\nThe tracking files of these volumes could not be deleted and remain:\r\n"
                   L"\\\\?\\Volume{A}\\\r\nD:\\\r\nE:\\|information"}));
    EXPECT_EQ(machine.files, (std::set<std::wstring>{L"G:\\" + kFile}));
    EXPECT_EQ(volumes.mountBufferSizes, std::vector<std::size_t>(7, 1040));
    EXPECT_EQ(volumes.searchesOpen, 0) << "the volume search is closed";
}

TEST_F(MaintenanceCommandsTest, ARemovalThatLeavesNoFileSaysSoWithoutAList)
{
    volumes.AddVolume(L"A", {L"C:\\"});
    machine.files = {L"C:\\" + kFile};

    RemoveDriver(system);

    EXPECT_TRUE(machine.files.empty());
    EXPECT_EQ(machine.log.back(), kRemoved + L"|information");
}

TEST(TrackingFilePathTest, RefusesAPathThatDoesNotFit)
{
    // "C:\" and the 34 characters of kFile around the m's.
    const auto mountPathOfTotal = [](std::size_t total) { return L"C:\\" + std::wstring(total - 37, L'm'); };
    EXPECT_EQ(TrackingFilePath(mountPathOfTotal(260))->size(), 260u) << "exactly fills 261 characters";
    EXPECT_FALSE(TrackingFilePath(mountPathOfTotal(261)).has_value()) << "one too long";
}

// Only a readable, non-zero, four-byte REG_DWORD checks the item; anything
// else leaves a debug line first. Both values are read before either mark is set.
TEST_F(MaintenanceCommandsTest, StartUpChecksAnExclusionOnlyForANonZeroFourByteDword)
{
    const struct {
        const char* what;
        ServiceValue vhd;
        bool checked, failure;
    } cases[] = {
        {"0", {true, kRegistryTypeDword, 4, 0}, false, false},
        {"5", {true, kRegistryTypeDword, 4, 5}, true, false},
        {"query failed (missing, or longer than four bytes)", {false, kRegistryTypeDword, 8, 0}, false, true},
        {"REG_SZ of four bytes", {true, 1, 4, 0x31}, false, true},
        {"REG_DWORD of three bytes", {true, kRegistryTypeDword, 3, 1}, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        machine.log.clear();
        debug.lines.clear();
        machine.values = {{L"ExcludeUSB", {true, kRegistryTypeDword, 4, 1}}, {L"ExcludeVHD", c.vhd}};

        ReadDeviceExclusions(host);

        EXPECT_EQ(machine.log, (Log{L"open key", L"query ExcludeUSB", L"query ExcludeVHD", L"close key", L"mark 40029 on",
                                    c.checked ? L"mark 40030 on" : L"mark 40030 off"}));
        Log expected = {L"ExcludeUSB=TRUE\n", c.checked ? L"ExcludeVHD=TRUE\n" : L"ExcludeVHD=FALSE\n"};
        if (c.failure)
            expected.insert(expected.begin(), L"*** Failed to query ExcludeVHD\n");
        EXPECT_EQ(debug.lines, expected);
    }
}

TEST_F(MaintenanceCommandsTest, AServiceKeyThatCannotBeOpenedClearsBothCheckMarks)
{
    machine.failures = {{L"open key", 2}};
    machine.checked = {{40029, true}, {40030, true}};

    ReadDeviceExclusions(host);

    EXPECT_EQ(machine.log, (Log{L"open key", L"mark 40029 off", L"mark 40030 off"}));
    EXPECT_EQ(debug.lines, (Log{L"*** Failed to open key\n", L"ExcludeUSB=FALSE\n", L"ExcludeVHD=FALSE\n"}));
}

// Commands 40029 and 40030 store the opposite of the check mark and say so;
// when it cannot be stored, an error box says that and the mark stays.
TEST_F(MaintenanceCommandsTest, AnExclusionToggleStoresTheOppositeOfTheCheckMarkOrSaysWhyNot)
{
    const std::wstring set = L"TrackKit|Quillon Change Block Tracker is set to ";
    const std::wstring restart = L" devices.\nThe changes will take effect the next time you restart Windows.|information";
    const std::wstring failed = L"TrackKit|Could not store the exclusion setting for ";
    const struct {
        int command;
        bool wasChecked;
        std::uint32_t error;
        Log log;
    } cases[] = {
        {40029, false, 0, {L"ExcludeUSB=1", L"state 40029 on", set + L"exclude USB" + restart}},
        {40029, true, 0, {L"ExcludeUSB=0", L"state 40029 off", set + L"include USB" + restart}},
        {40030, false, 0, {L"ExcludeVHD=1", L"state 40030 on", set + L"exclude VHD/VHDX" + restart}},
        {40029, false, 2, {L"ExcludeUSB=1", failed + L"USB devices.\n\nsystem text 2|error"}},
        {40030, true, 5, {L"ExcludeVHD=0", failed + L"VHD/VHDX devices.\n\nsystem text 5|error"}},
    };
    for (const auto& c : cases) {
        machine.log.clear();
        machine.checked = {{c.command, c.wasChecked}};
        machine.failures = {{c.log.front(), c.error}};

        ToggleDeviceExclusion(host, c.command);

        EXPECT_EQ(machine.log, c.log);
        EXPECT_EQ(machine.checked[c.command], c.error ? c.wasChecked : !c.wasChecked) << "changed only when stored";
    }
    machine.log.clear();
    for (const int command : {0, 40027, 40028, 40031})
        ToggleDeviceExclusion(host, command);
    EXPECT_TRUE(machine.log.empty()) << "other commands do nothing";
}

TEST_F(MaintenanceCommandsTest, OnlyRemovedDevicesWithTheShadowCopyNameAreUninstalled)
{
    machine.devices = {
        {kShadowCopy, std::nullopt, kConfigNoSuchDevInst},                      // 100: uninstalled
        {kShadowCopy, std::nullopt, kConfigSuccess},                            // 101: present
        {L"GENERIC VOLUME SHADOW COPY", std::nullopt, kConfigNoSuchValue},      // 102: uninstalled
        {L"Generic volume shadow copy 2", std::nullopt, kConfigNoSuchDevInst},  // 103: another name
        {std::nullopt, L"generic Volume Shadow COPY", kConfigNoSuchDevInst},    // 104: by its description
        {std::nullopt, std::nullopt, kConfigNoSuchDevInst},                     // 105: no name
        {kShadowCopy, std::nullopt, 5},                                         // 106: not a removal answer
        {kShadowCopy, kShadowCopy, kConfigNoSuchDevInst, 23},                   // 107: uninstall vetoed
        {L"", kShadowCopy, kConfigNoSuchValue},                                 // 108: an empty friendly name is a name
    };

    UninstallRemovedShadowCopyDevices(machine, machine);

    EXPECT_EQ(machine.log.back(), L"Quillon TrackKit|Quillon TrackKit found 3 volume shadow copy devices that were "
                                  L"not in use and has uninstalled them.|information");
    std::erase_if(machine.log, [](const std::wstring& line) { return !line.starts_with(L"uninstall"); });
    EXPECT_EQ(machine.log, (Log{L"uninstall 100", L"uninstall 102", L"uninstall 104", L"uninstall 107"}));
}

// Each device is named (its description only without a friendly name), then
// asked for, and the list goes before the message.
TEST_F(MaintenanceCommandsTest, WithNoShadowCopyUninstalledTheUserIsToldNoneWasFound)
{
    const std::wstring none = L"Quillon TrackKit|Could not find any volume shadow copy devices that are not in use.|"
                              L"information";
    const struct {
        std::uint32_t listError;
        std::vector<Device> devices;
        Log log;
    } cases[] = {
        {13, {}, {L"list", none}},
        {0, {}, {L"list", L"release list", none}},
        {0, {{std::nullopt, kShadowCopy, kConfigNoSuchDevInst, 23}, {L"Disk", std::nullopt, kConfigSuccess}},
         {L"list", L"friendly name 100", L"description 100", L"status 100", L"uninstall 100", L"friendly name 101",
          L"status 101", L"release list", none}},
    };
    for (const auto& c : cases) {
        machine.log.clear();
        machine.failures = {{L"list", c.listError}};
        machine.devices = c.devices;

        UninstallRemovedShadowCopyDevices(machine, machine);

        EXPECT_EQ(machine.log, c.log);
    }
}

} // namespace
} // namespace trackkit
