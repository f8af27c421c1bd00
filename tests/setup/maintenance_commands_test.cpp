#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "setup/device_maintenance.h"
#include "setup/driver_setup.h"
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

std::wstring Lines(const Log& log, std::size_t from = 0)
{
    std::wstring joined;
    for (std::size_t i = from; i < log.size(); ++i)
        joined += (i == from ? L"" : L"; ") + log[i];
    return joined;
}

std::wstring Join(Text separator, const auto&... parts)
{
    std::wstring line;
    ((line += parts, line += separator), ...);
    return line.substr(0, line.size() - separator.size());
}

struct Device {
    std::optional<std::wstring> friendlyName, description;
    std::uint32_t status = kConfigNoSuchDevInst, uninstall = kConfigSuccess;
};

// Everything the commands talk to but the volume search. Each call, each box ("<caption>|<text>|<icon>") and each
// debug line is one line of `log`, in order, its parts joined by spaces; a line listed in `failures` answers with
// that status, any other succeeds. Products are found by any upgrade code; devices are numbered from 100.
struct Machine final : Installer, RebootMarker, FilterManager, TrackingDriver, FileDeleter, ServiceKey, MenuChecks,
                       DeviceManager, UserMessages, SystemErrorText, DebugLog {
    Log log;
    std::map<std::wstring, std::uint32_t> failures;
    std::map<std::wstring, std::wstring> products = {{kFirstCode, L"{P}"}};  // by upgrade code
    std::set<InstallerRunMode> runModes;
    std::uint32_t uiLevel = 5;
    bool answerYes = true;
    std::map<std::wstring, ServiceValue> values;  // a missing name fails its query
    std::map<int, bool> checked;
    std::vector<Device> devices;

    std::uint32_t Call(const auto&... parts) { log.push_back(Join(L" ", parts...)); return failures[log.back()]; }
    std::uint32_t Step(Handle product, const auto&... parts) { EXPECT_EQ(product, 7u); return Call(parts...); }
    std::int32_t Filter(const auto&... parts) { return static_cast<std::int32_t>(Call(parts...)); }
    void Box(const wchar_t* owner, Text caption, Text text, Text icon) { log.push_back(owner + Join(L"|", caption, text, icon)); }
    static Text Icon(MessageIcon icon) { return icon == MessageIcon::Error ? L"error" : L"information"; }
    const Device& At(DeviceNode device) const { return devices.at(device - 100); }

    std::uint32_t SetUiLevel(std::uint32_t to) override { Call(L"ui", to_wstring(to)); return std::exchange(uiLevel, to); }
    RelatedProduct FindRelatedProduct(Text code) override { return {Call(L"related", code), products[std::wstring(code)]}; }
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
    std::uint32_t DeleteFileAt(Text path) override { return Call(L"delete", path); }

    bool OpenForQuery() override { return Call(L"open key") == 0; }
    ServiceValue Query(Text name) override { Call(L"query", name); return values[std::wstring(name)]; }
    void Close() override { Call(L"close key"); }
    std::uint32_t WriteDword(Text name, std::uint32_t value) override { return Call(Join(L"=", name, to_wstring(value))); }
    bool IsChecked(int command) override { return checked[command]; }
    void SetCheckMark(int command, bool on) override { Call(L"mark", to_wstring(command), on ? L"on" : L"off"); }
    void ReplaceState(int command, bool on) override { Call(L"state", to_wstring(command), on ? L"on" : L"off"); }

    struct List final : DeviceList {
        Machine& m;
        explicit List(Machine& owner) : m(owner) {}
        ~List() override { m.Call(L"release list"); }
        std::optional<DeviceNode> DeviceAt(std::uint32_t i) override
        {
            return i < m.devices.size() ? std::optional(100 + i) : std::nullopt;
        }
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
    void Write(Text line) override { log.emplace_back(line); }

    // A volume opened for the removal request, the only request it may get: any other fails the test.
    struct Volume final : TrackedVolume {
        Machine& machine;
        std::wstring path;
        Volume(Machine& owner, Text volumePath) : machine(owner), path(volumePath) {}
        DriverReply QueryGeometry(Bytes) override { ADD_FAILURE(); return {}; }
        DriverReply QueryStatistics(Bytes) override { ADD_FAILURE(); return {}; }
        DriverReply QuerySessionBitmap(Bytes) override { ADD_FAILURE(); return {}; }
        DriverReply LookupStreamsFromClusters(std::span<const std::uint8_t>, Bytes) override { ADD_FAILURE(); return {}; }
        DriverReply RequestRemoval() override { machine.Call(L"removal", path); return DriverReply::Failure(50); }
    };
    OpenVolumeResult OpenVolume(Text path) override { return {std::make_unique<Volume>(*this, path), 0}; }
};

const std::wstring kDriver = L"Quillon Orvex Change Block Tracking driver";
const std::wstring kRemoveQuestion = L"Quillon TrackKit|Remove the " + kDriver + L"?\r\n\r\nThis deletes the tracking "
    L"file of every volume: the next backup of each volume will be a full backup.|question";
const std::wstring kRemoved = L"Quillon TrackKit|The " + kDriver + L" has been unregistered.\r\n\r\n"
                              L"You will need to restart your computer to complete the uninstallation.";

struct MaintenanceCommandsTest : ::testing::Test {
    Machine machine;
    testing::FakeVolumeSystem volumes;
    DriverSetupSystem system{machine, machine, machine, volumes, machine, machine, machine, machine};
    DeviceExclusionHost host{machine, machine, machine, machine, machine};
};

// The search's end under both upgrade codes is reported as the product not being installed, and nothing runs;
// answering No changes nothing; a removal that leaves no file names no volume.
TEST_F(MaintenanceCommandsTest, TheProductIsSoughtUnderBothUpgradeCodesAndWithoutItNothingRuns)
{
    const std::wstring first = L"related " + kFirstCode, second = L"related {9D41F0C8-6E25-4A73-B8C1-2F7D05E9A6B4}";
    const auto failed = [](const wchar_t* verb) {
        return Join(L"", L"Quillon TrackKit|Failed to ", verb, L" the ", kDriver, L".\r\n\r\nError 1605: system text 1605|error");
    };
    machine.failures = {{first, kInstallerNoMoreItems}, {second, kInstallerNoMoreItems}};
    volumes.AddVolume(L"A", {L"C:\\"});

    InstallDriver(system);
    RemoveDriver(system);
    machine.answerYes = false;
    RemoveDriver(system);

    EXPECT_EQ(machine.log, (Log{L"ui 2", first, second, L"ui 5", failed(L"install"), kRemoveQuestion, L"ui 2", first,
                                second, L"ui 5", failed(L"uninstall"), kRemoveQuestion}));
    EXPECT_EQ(volumes.searchesStarted, 0);

    machine.failures.erase(second);
    machine.products[second.substr(8)] = L"{SECOND}";
    machine.log.clear();
    InstallDriver(system);
    EXPECT_EQ(machine.log[3], L"open {SECOND}");
    EXPECT_EQ(machine.log.back(), L"Quillon TrackKit|The " + kDriver + L" has been registered.\r\n\r\n"
                                  L"You will need to restart your computer to complete the installation.|information");
    machine.answerYes = true;
    RemoveDriver(system);
    EXPECT_EQ(machine.log.back(), kRemoved + L"|information");
}

// Every step from opening the product to the INSTALL action ends the setup with its status, the product closed and
// the UI level restored. Removing sets the feature absent (2); a restart the installer asks for leaves the marker and
// changes no result.
TEST_F(MaintenanceCommandsTest, TheSetupRunsItsStepsInOrderAndAFailingOneEndsIt)
{
    const Log installed = {L"ui 2", L"related " + kFirstCode, L"open {P}", L"action CostInitialize", L"action FileCost",
                           L"action CostFinalize", L"level 0", L"feature CBT 3", L"action INSTALL", L"mode 18",
                           L"mode 19", L"close 7", L"ui 5"};
    EXPECT_EQ(RunDriverSetup(true, machine, machine), 0u);
    EXPECT_EQ(machine.log, installed);
    for (std::size_t step = 2; step <= 8; ++step) {
        machine.log.clear();
        machine.failures = {{installed[step], 1603}};
        EXPECT_EQ(RunDriverSetup(true, machine, machine), 1603u) << step;
        EXPECT_EQ(Lines(machine.log), Lines({installed.begin(), installed.begin() + static_cast<std::ptrdiff_t>(step) + 1}) +
                                          (step > 2 ? L"; close 7; ui 5" : L"; ui 5"));
    }
    machine.failures.clear();
    for (const auto& [mode, tail] : {std::pair{InstallerRunMode::RebootAtEnd, L"mode 18; reboot marked; close 7; ui 5"},
                                     {InstallerRunMode::RebootNow, L"mode 18; mode 19; reboot marked; close 7; ui 5"}}) {
        machine.runModes = {mode};
        machine.log.clear();
        EXPECT_EQ(RunDriverSetup(false, machine, machine), 0u);
        EXPECT_EQ(Lines(machine.log, 7), L"feature CBT 2; action INSTALL; " + std::wstring(tail));
    }
}

// A filter that will not load stops before the search; a search that will not
// start stops the walk, unloading only a filter this run loaded.
TEST_F(MaintenanceCommandsTest, AFilterOrSearchThatCannotStartIsReportedAndNoVolumeIsTouched)
{
    volumes.startError = 5;
    const std::wstring noSearch = L"unowned TrackKit|FindFirstVolume failed with error 5|error";
    const std::pair<std::uint32_t, Log> cases[] = {
        {kAccessDenied, {L"load zkvolacc", L"unowned TrackKit|Error 80070005 loading filter|error"}},
        {0, {L"load zkvolacc", noSearch, L"unload zkvolacc"}},
        {1, {L"load zkvolacc", noSearch, L"unload zkvolacc"}},
        {static_cast<std::uint32_t>(kFilterAlreadyRunning), {L"load zkvolacc", noSearch}},
    };
    for (const auto& [loadResult, log] : cases) {
        machine.log.clear();
        machine.failures = {{L"load zkvolacc", loadResult}};
        EXPECT_FALSE(ClearTrackingFiles(system).walked);
        EXPECT_EQ(machine.log, log) << loadResult;
    }
}

// Mount paths are tried in order until a deletion works, the filter attached for one attempt at a time. A volume whose
// file may have stayed is named in the closing message and the walk goes on: its mount paths could not be listed (A),
// the filter would not attach (B: said once, its other path not tried) or every deletion failed for a reason other
// than the file's absence (C). A missing file or folder is no failure (D, E, G); a mount path that would make the
// file's path 261 characters is not tried (D), one that makes it 260 is (E); a volume mounted nowhere only gets the
// request (F).
TEST_F(MaintenanceCommandsTest, VolumesWhoseFilesStayAreNamedAndTheWalkGoesOn)
{
    const std::wstring tooLong = L"C:\\" + std::wstring(223, L'x') + L"\\", fits = L"C:\\" + std::wstring(222, L'f') + L"\\";
    volumes.AddVolume(L"A", {L"C:\\"});
    volumes.mountPathErrors[testing::VolumeNameOf(L"A")] = kErrorMoreData;
    volumes.AddVolume(L"B", {L"D:\\", L"C:\\b\\"});
    volumes.AddVolume(L"C", {L"E:\\", L"C:\\c\\"});
    volumes.AddVolume(L"D", {tooLong, L"F:\\", L"C:\\d\\", L"G:\\"});
    volumes.AddVolume(L"E", {fits});
    volumes.AddVolume(L"F", {});
    volumes.AddVolume(L"G", {L"I:\\"});
    machine.failures = {{L"attach zkvolacc D:\\ UpperInstance", kAccessDenied}, {L"delete E:\\" + kFile, 5},
                        {L"delete C:\\c\\" + kFile, 5}, {L"delete F:\\" + kFile, 2 /* ERROR_FILE_NOT_FOUND */},
                        {L"delete " + fits + kFile, 2}, {L"delete I:\\" + kFile, 3 /* ERROR_PATH_NOT_FOUND */}};

    RemoveDriver(system);

    const auto removal = [](Text guid) { return Join(L"", L"removal \\\\?\\Volume{", guid, L"}; "); };
    const auto tried = [](Text path) {
        return Join(L"", L"attach zkvolacc ", path, L" UpperInstance; delete ", path, kFile, L"; detach zkvolacc ", path, L"; ");
    };
    EXPECT_EQ(Lines(machine.log, 14),  // after the question and the installer's calls
              L"load zkvolacc; " + removal(L"A") + removal(L"B") +
              L"attach zkvolacc D:\\ UpperInstance; unowned TrackKit|Error 80070005 attaching filter to \"D:\\\"|error; " +
              removal(L"C") + tried(L"E:\\") + tried(L"C:\\c\\") +
              removal(L"D") + Join(L"", L"attach zkvolacc ", tooLong, L" UpperInstance; detach zkvolacc ", tooLong, L"; ") +
              tried(L"F:\\") + tried(L"C:\\d\\") +
              removal(L"E") + tried(fits) + removal(L"F") + removal(L"G") + tried(L"I:\\") + L"unload zkvolacc; " + kRemoved +
                  L"\r\n\r\nThe tracking files of these volumes could not be deleted and remain:\r\n"
                  L"\\\\?\\Volume{A}\\\r\nD:\\\r\nE:\\|information");
    EXPECT_EQ(volumes.mountBufferSizes, std::vector<std::size_t>(7, 1040));
    EXPECT_EQ(volumes.searchesOpen, 0) << "the volume search is closed";
}

// Only a readable, non-zero, four-byte REG_DWORD checks the item; anything else leaves a debug line. Both values
// are read and logged before either mark is set; a service key that cannot be opened clears both marks.
TEST_F(MaintenanceCommandsTest, StartUpChecksAnExclusionOnlyForANonZeroFourByteDword)
{
    const std::wstring read = L"open key; query ExcludeUSB; query ExcludeVHD; ", failed = L"*** Failed to query ExcludeVHD\n; ";
    const std::wstring usbOn = L"close key; ExcludeUSB=TRUE\n; ", off = L"ExcludeVHD=FALSE\n; mark 40029 on; mark 40030 off";
    const struct { const char* what; ServiceValue vhd; std::wstring log; } cases[] = {
        {"0", {true, kRegistryTypeDword, 4, 0}, read + usbOn + off},
        {"5", {true, kRegistryTypeDword, 4, 5}, read + usbOn + L"ExcludeVHD=TRUE\n; mark 40029 on; mark 40030 on"},
        {"missing, or longer than four bytes", {false, kRegistryTypeDword, 8, 0}, read + failed + usbOn + off},
        {"REG_SZ of four bytes", {true, 1, 4, 0x31}, read + failed + usbOn + off},
        {"REG_DWORD of three bytes", {true, kRegistryTypeDword, 3, 1}, read + failed + usbOn + off},
    };
    for (const auto& c : cases) {
        machine.log.clear();
        machine.values = {{L"ExcludeUSB", {true, kRegistryTypeDword, 4, 1}}, {L"ExcludeVHD", c.vhd}};
        ReadDeviceExclusions(host);
        EXPECT_EQ(Lines(machine.log), c.log) << c.what;
    }
    machine.log.clear();
    machine.failures = {{L"open key", 2}};
    ReadDeviceExclusions(host);
    EXPECT_EQ(Lines(machine.log),
              L"open key; *** Failed to open key\n; ExcludeUSB=FALSE\n; ExcludeVHD=FALSE\n; mark 40029 off; mark 40030 off");
}

// Commands 40029 and 40030 store the opposite of the check mark and say so;
// when it cannot be stored, an error box says that and the mark stays.
TEST_F(MaintenanceCommandsTest, AnExclusionToggleStoresTheOppositeOfTheCheckMarkOrSaysWhyNot)
{
    const std::wstring set = L"TrackKit|Quillon Change Block Tracker is set to ";
    const std::wstring failed = L"TrackKit|Could not store the exclusion setting for ";
    const std::wstring restart = L" devices.\nThe changes will take effect the next time you restart Windows.|information";
    const struct { int command; bool wasChecked; std::uint32_t error; Log log; } cases[] = {
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
    }
    machine.log.clear();
    for (const int command : {0, 40027, 40028, 40031})
        ToggleDeviceExclusion(host, command);
    EXPECT_TRUE(machine.log.empty()) << "other commands do nothing";
}

// Only removed devices named "Generic volume shadow copy", in any letter case, are uninstalled and counted. Each
// device is named (its description only without a friendly name), then asked for; the list goes before the message.
TEST_F(MaintenanceCommandsTest, OnlyRemovedDevicesWithTheShadowCopyNameAreUninstalled)
{
    const std::wstring none = L"Quillon TrackKit|Could not find any volume shadow copy devices that are not in use.|information";
    const struct { std::uint32_t listError; std::vector<Device> devices; std::wstring log; } cases[] = {
        {13, {}, L"list; " + none},
        {0, {}, L"list; release list; " + none},
        {0,
         {{kShadowCopy, std::nullopt, kConfigNoSuchDevInst},                      // 100: uninstalled
          {kShadowCopy, std::nullopt, kConfigSuccess},                            // 101: present
          {L"GENERIC VOLUME SHADOW COPY", std::nullopt, kConfigNoSuchValue},      // 102: uninstalled
          {L"Generic volume shadow copy 2", std::nullopt, kConfigNoSuchDevInst},  // 103: another name
          {std::nullopt, L"generic Volume Shadow COPY", kConfigNoSuchDevInst},    // 104: by its description
          {std::nullopt, std::nullopt, kConfigNoSuchDevInst},                     // 105: no name
          {kShadowCopy, std::nullopt, 5},                                         // 106: not a removal answer
          {kShadowCopy, kShadowCopy, kConfigNoSuchDevInst, 23},                   // 107: uninstall vetoed
          {L"", kShadowCopy, kConfigNoSuchValue}},                                // 108: an empty friendly name is a name
         L"list; friendly name 100; status 100; uninstall 100; friendly name 101; status 101; friendly name 102; status 102; "
         L"uninstall 102; friendly name 103; status 103; friendly name 104; description 104; status 104; uninstall 104; "
         L"friendly name 105; description 105; status 105; friendly name 106; status 106; friendly name 107; status 107; "
         L"uninstall 107; friendly name 108; status 108; release list; Quillon TrackKit|Quillon TrackKit found 3 volume "
         L"shadow copy devices that were not in use and has uninstalled them.|information"},
    };
    for (const auto& c : cases) {
        machine.log.clear();
        machine.failures = {{L"list", c.listError}};
        machine.devices = c.devices;
        UninstallRemovedShadowCopyDevices(machine, machine);
        EXPECT_EQ(Lines(machine.log), c.log);
    }
}

} // namespace
} // namespace trackkit
