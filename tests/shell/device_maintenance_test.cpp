#include "shell/device_maintenance.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support/recording_host.h"

namespace trackkit {
namespace {

using Log = std::vector<std::wstring>;
using Text = std::wstring_view;
using std::to_wstring;
constexpr std::uint32_t kVetoed = 23;  // CR_REMOVE_VETOED
const std::wstring kShadowCopy = L"Generic volume shadow copy";

ServiceValue Dword(std::uint32_t number) { return {true, kRegistryTypeDword, 4, number}; }

// A volume snapshot device as the device manager answers for it.
struct Device {
    std::optional<std::wstring> friendlyName, description;
    std::uint32_t status = kConfigNoSuchDevInst, uninstall = kConfigSuccess;
};

// The service key, the menu, the boxes and the device manager, each call one
// line of `log`, in order. Devices are numbered from 100.
struct Machine final : ServiceKey, MenuChecks, UserMessages, SystemErrorText, DeviceManager {
    Log log;
    bool canOpen = true;
    std::map<std::wstring, ServiceValue> values;  // a missing name fails its query
    std::uint32_t writeError = 0;
    std::map<int, bool> checked;
    bool listFails = false;
    std::vector<Device> devices;

    void Add(const std::wstring& line) { log.push_back(line); }
    const Device& At(DeviceNode device) { return devices.at(device - 100); }

    bool OpenForQuery() override { Add(L"open"); return canOpen; }
    ServiceValue Query(Text name) override { Add(L"query " + std::wstring(name)); return values[std::wstring(name)]; }
    void Close() override { Add(L"close"); }
    std::uint32_t WriteDword(Text name, std::uint32_t value) override
    {
        Add(std::wstring(name) + L"=" + to_wstring(value));
        return writeError;
    }
    bool IsChecked(int command) override { return checked[command]; }
    void Mark(const wchar_t* how, int command, bool on) { Add(how + to_wstring(command) + (on ? L" on" : L" off")); checked[command] = on; }
    void SetCheckMark(int command, bool on) override { Mark(L"mark ", command, on); }
    void ReplaceState(int command, bool on) override { Mark(L"state ", command, on); }

    void Show(Text caption, Text text, MessageIcon icon) override
    {
        Add(std::wstring(caption) + L"|" + std::wstring(text) + L"|" + (icon == MessageIcon::Error ? L"error" : L"information"));
    }
    void ShowUnowned(Text, Text, MessageIcon) override { ADD_FAILURE() << "unowned box"; }
    bool AskYesNo(Text, Text) override { ADD_FAILURE() << "question"; return false; }
    std::wstring Describe(std::uint32_t error) override { return L"system text " + to_wstring(error); }

    struct List final : DeviceList {
        explicit List(Machine& owner) : machine(owner) {}
        ~List() override { machine.Add(L"release list"); }
        std::optional<DeviceNode> DeviceAt(std::uint32_t i) override
        {
            return i < machine.devices.size() ? std::optional(100 + i) : std::nullopt;
        }
        Machine& machine;
    };
    std::unique_ptr<DeviceList> ListVolumeSnapshotDevices() override
    {
        Add(L"list");
        return listFails ? nullptr : std::make_unique<List>(*this);
    }
    std::optional<std::wstring> ReadName(DeviceNode device, DeviceNameProperty property) override
    {
        const bool friendly = property == DeviceNameProperty::FriendlyName;
        Add((friendly ? L"friendly name " : L"description ") + to_wstring(device));
        return friendly ? At(device).friendlyName : At(device).description;
    }
    std::uint32_t QueryStatus(DeviceNode device) override { Add(L"status " + to_wstring(device)); return At(device).status; }
    std::uint32_t Uninstall(DeviceNode device) override { Add(L"uninstall " + to_wstring(device)); return At(device).uninstall; }
};

class DeviceMaintenanceTest : public ::testing::Test {
protected:
    Machine machine;
    testing::RecordingDebugLog debug;
    DeviceExclusionHost host{machine, machine, debug, machine, machine};
};

// Only a readable, non-zero, four-byte REG_DWORD checks the item; anything
// else leaves a debug line first. Both values are read before either mark is set.
TEST_F(DeviceMaintenanceTest, StartUpChecksAnItemOnlyForANonZeroFourByteDword)
{
    const struct {
        const char* what;
        ServiceValue vhd;
        bool checked, failure;
    } cases[] = {
        {"0", Dword(0), false, false},
        {"5", Dword(5), true, false},
        {"query failed (missing, or longer than four bytes)", {false, kRegistryTypeDword, 8, 0}, false, true},
        {"REG_SZ of four bytes", {true, 1, 4, 0x31}, false, true},
        {"REG_DWORD of three bytes", {true, kRegistryTypeDword, 3, 1}, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        machine.log.clear();
        debug.lines.clear();
        machine.values = {{L"ExcludeUSB", Dword(1)}, {L"ExcludeVHD", c.vhd}};

        ReadDeviceExclusions(host);

        EXPECT_EQ(machine.log, (Log{L"open", L"query ExcludeUSB", L"query ExcludeVHD", L"close", L"mark 40029 on",
                                    c.checked ? L"mark 40030 on" : L"mark 40030 off"}));
        Log expected = {L"ExcludeUSB=TRUE\n", c.checked ? L"ExcludeVHD=TRUE\n" : L"ExcludeVHD=FALSE\n"};
        if (c.failure)
            expected.insert(expected.begin(), L"*** Failed to query ExcludeVHD\n");
        EXPECT_EQ(debug.lines, expected);
    }
}

TEST_F(DeviceMaintenanceTest, AKeyThatCannotBeOpenedClearsBothCheckMarks)
{
    machine.canOpen = false;
    machine.checked = {{40029, true}, {40030, true}};

    ReadDeviceExclusions(host);

    EXPECT_EQ(machine.log, (Log{L"open", L"mark 40029 off", L"mark 40030 off"}));
    EXPECT_EQ(debug.lines, (Log{L"*** Failed to open key\n", L"ExcludeUSB=FALSE\n", L"ExcludeVHD=FALSE\n"}));
}

// Commands 40029 and 40030 store the opposite of the check mark and say so;
// when it cannot be stored, an error box says that and the mark stays.
TEST_F(DeviceMaintenanceTest, ToggleStoresTheOppositeOfTheCheckMarkOrSaysWhyNot)
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
        machine.writeError = c.error;

        ToggleDeviceExclusion(host, c.command);

        EXPECT_EQ(machine.log, c.log);
        EXPECT_EQ(machine.checked[c.command], c.wasChecked == (c.error != 0)) << "changed only when stored";
    }
    machine.log.clear();
    for (const int command : {0, 40027, 40028, 40031})
        ToggleDeviceExclusion(host, command);
    EXPECT_TRUE(machine.log.empty()) << "other commands do nothing";
}

TEST_F(DeviceMaintenanceTest, OnlyRemovedDevicesWithTheShadowCopyNameAreUninstalled)
{
    machine.devices = {
        {kShadowCopy, std::nullopt, kConfigNoSuchDevInst},                      // 100: uninstalled
        {kShadowCopy, std::nullopt, kConfigSuccess},                            // 101: present
        {L"GENERIC VOLUME SHADOW COPY", std::nullopt, kConfigNoSuchValue},      // 102: uninstalled
        {L"Generic volume shadow copy 2", std::nullopt, kConfigNoSuchDevInst},  // 103: another name
        {std::nullopt, L"generic Volume Shadow COPY", kConfigNoSuchDevInst},    // 104: by its description
        {std::nullopt, std::nullopt, kConfigNoSuchDevInst},                     // 105: no name
        {kShadowCopy, std::nullopt, 5},                                         // 106: not a removal answer
        {kShadowCopy, kShadowCopy, kConfigNoSuchDevInst, kVetoed},              // 107: uninstall refused
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
TEST_F(DeviceMaintenanceTest, WithNothingUninstalledTheUserIsToldNoneWasFound)
{
    const std::wstring none = L"Quillon TrackKit|Could not find any volume shadow copy devices that are not in use.|information";
    const struct {
        bool listFails;
        std::vector<Device> devices;
        Log log;
    } cases[] = {
        {true, {}, {L"list", none}},
        {false, {}, {L"list", L"release list", none}},
        {false, {{std::nullopt, kShadowCopy, kConfigNoSuchDevInst, kVetoed}, {L"Disk", std::nullopt, kConfigSuccess}},
         {L"list", L"friendly name 100", L"description 100", L"status 100", L"uninstall 100", L"friendly name 101",
          L"status 101", L"release list", none}},
    };
    for (const auto& c : cases) {
        machine.log.clear();
        machine.listFails = c.listFails;
        machine.devices = c.devices;

        UninstallRemovedShadowCopyDevices(machine, machine);

        EXPECT_EQ(machine.log, c.log);
    }
}

} // namespace
} // namespace trackkit
