#include "shell/device_maintenance.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support/recording_host.h"

namespace trackkit {
namespace {

constexpr int kUsb = 40029;
constexpr int kVhd = 40030;
constexpr std::uint32_t kRegistryTypeString = 1;  // REG_SZ

// Every fake writes what it is asked into one shared list, so that tests can
// check the order across registry, menu, device manager and message boxes.
using CallLog = std::vector<std::wstring>;

ServiceValue Dword(std::uint32_t number) { return {true, kRegistryTypeDword, 4, number}; }

struct ScriptedServiceKey final : ServiceKey {
    explicit ScriptedServiceKey(CallLog& log) : calls(log) {}
    CallLog& calls;
    bool canOpen = true;
    std::map<std::wstring, ServiceValue> values;  // a missing name fails its query
    std::uint32_t writeError = 0;

    bool OpenForQuery() override
    {
        calls.push_back(L"open");
        return canOpen;
    }
    ServiceValue Query(std::wstring_view name) override
    {
        calls.push_back(L"query " + std::wstring(name));
        const auto it = values.find(std::wstring(name));
        return it == values.end() ? ServiceValue{} : it->second;
    }
    void Close() override { calls.push_back(L"close"); }
    std::uint32_t WriteDword(std::wstring_view name, std::uint32_t value) override
    {
        calls.push_back(L"write " + std::wstring(name) + L"=" + std::to_wstring(value));
        if (writeError == 0)
            values[std::wstring(name)] = Dword(value);
        return writeError;
    }
};

struct RecordingMenu final : MenuChecks {
    explicit RecordingMenu(CallLog& log) : calls(log) {}
    CallLog& calls;
    std::map<int, bool> checked;

    bool IsChecked(int command) override { return checked[command]; }
    void SetCheckMark(int command, bool on) override
    {
        calls.push_back(L"check mark " + std::to_wstring(command) + (on ? L" on" : L" off"));
        checked[command] = on;
    }
    void ReplaceState(int command, bool on) override
    {
        calls.push_back(L"state " + std::to_wstring(command) + (on ? L" checked" : L" none"));
        checked[command] = on;
    }
};

struct Message {
    std::wstring caption, text;
    MessageIcon icon;
};

struct RecordingMessages final : UserMessages {
    explicit RecordingMessages(CallLog& log) : calls(log) {}
    CallLog& calls;
    std::vector<Message> shown;

    void Show(std::wstring_view caption, std::wstring_view text, MessageIcon icon) override
    {
        calls.push_back(L"message");
        shown.push_back({std::wstring(caption), std::wstring(text), icon});
    }
    void ShowUnowned(std::wstring_view, std::wstring_view, MessageIcon) override { ADD_FAILURE() << "unowned box"; }
    bool AskYesNo(std::wstring_view, std::wstring_view) override { ADD_FAILURE() << "question"; return false; }
};

struct NumberedErrorText final : SystemErrorText {
    std::wstring Describe(std::uint32_t error) override { return L"system text " + std::to_wstring(error); }
};

class DeviceExclusionTest : public ::testing::Test {
protected:
    CallLog calls;
    ScriptedServiceKey key{calls};
    RecordingMenu menu{calls};
    testing::RecordingDebugLog debug;
    RecordingMessages messages{calls};
    NumberedErrorText errorText;
    DeviceExclusionHost host{key, menu, debug, messages, errorText};
};

TEST_F(DeviceExclusionTest, StartUpReadsBothValuesThenSetsTheCheckMarks)
{
    key.values = {{L"ExcludeUSB", Dword(1)}, {L"ExcludeVHD", Dword(0)}};
    menu.checked[kVhd] = true;

    ReadDeviceExclusions(host);

    EXPECT_EQ(calls, (CallLog{L"open", L"query ExcludeUSB", L"query ExcludeVHD", L"close", L"check mark 40029 on",
                              L"check mark 40030 off"}));
    EXPECT_EQ(debug.lines, (CallLog{L"ExcludeUSB=TRUE\n", L"ExcludeVHD=FALSE\n"}));
}

TEST_F(DeviceExclusionTest, OnlyANonZeroFourByteDwordChecksTheItem)
{
    const struct {
        const char* what;
        ServiceValue value;
        bool checked;
        bool failure;
    } cases[] = {
        {"1", Dword(1), true, false},
        {"5", Dword(5), true, false},
        {"0", Dword(0), false, false},
        {"query failed (missing, or longer than four bytes)", ServiceValue{false, kRegistryTypeDword, 8, 0}, false, true},
        {"REG_SZ of four bytes", {true, kRegistryTypeString, 4, 0x31}, false, true},
        {"REG_DWORD of three bytes", {true, kRegistryTypeDword, 3, 1}, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        debug.lines.clear();
        menu.checked.clear();
        key.values = {{L"ExcludeUSB", Dword(0)}, {L"ExcludeVHD", c.value}};

        ReadDeviceExclusions(host);

        EXPECT_EQ(menu.checked[kVhd], c.checked);
        EXPECT_FALSE(menu.checked[kUsb]);
        CallLog expected;
        if (c.failure)
            expected.push_back(L"*** Failed to query ExcludeVHD\n");
        expected.push_back(L"ExcludeUSB=FALSE\n");
        expected.push_back(c.checked ? L"ExcludeVHD=TRUE\n" : L"ExcludeVHD=FALSE\n");
        EXPECT_EQ(debug.lines, expected);
    }
}

TEST_F(DeviceExclusionTest, AKeyThatCannotBeOpenedClearsBothCheckMarks)
{
    key.canOpen = false;
    menu.checked = {{kUsb, true}, {kVhd, true}};

    ReadDeviceExclusions(host);

    EXPECT_EQ(calls, (CallLog{L"open", L"check mark 40029 off", L"check mark 40030 off"}));
    EXPECT_EQ(debug.lines, (CallLog{L"*** Failed to open key\n", L"ExcludeUSB=FALSE\n", L"ExcludeVHD=FALSE\n"}));
}

TEST_F(DeviceExclusionTest, TogglingUsbTwiceWritesOneThenZeroAndSaysSo)
{
    ToggleDeviceExclusion(host, kUsb);
    ToggleDeviceExclusion(host, kUsb);

    EXPECT_EQ(calls, (CallLog{L"write ExcludeUSB=1", L"state 40029 checked", L"message", L"write ExcludeUSB=0",
                              L"state 40029 none", L"message"}));
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].caption, L"TrackKit");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(messages.shown[0].text, L"Quillon Change Block Tracker is set to exclude USB devices.\n"
                                      L"The changes will take effect the next time you restart Windows.");
    EXPECT_EQ(messages.shown[1].text, L"Quillon Change Block Tracker is set to include USB devices.\n"
                                      L"The changes will take effect the next time you restart Windows.");
}

TEST_F(DeviceExclusionTest, ASettingThatCannotBeStoredIsReportedAndTheCheckMarkStays)
{
    const struct {
        int command;
        bool wasChecked;
        std::uint32_t error;
        const wchar_t* text;
    } cases[] = {
        {kUsb, false, 2, L"Could not store the exclusion setting for USB devices.\n\nsystem text 2"},
        {kVhd, true, 5, L"Could not store the exclusion setting for VHD/VHDX devices.\n\nsystem text 5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        calls.clear();
        messages.shown.clear();
        menu.checked = {{c.command, c.wasChecked}};
        key.writeError = c.error;

        ToggleDeviceExclusion(host, c.command);

        EXPECT_EQ(calls.size(), 2u) << "a write and the box, no change of the item";
        EXPECT_EQ(menu.checked[c.command], c.wasChecked);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].caption, L"TrackKit");
        EXPECT_EQ(messages.shown[0].icon, MessageIcon::Error);
        EXPECT_EQ(messages.shown[0].text, c.text);
    }
}

TEST_F(DeviceExclusionTest, OtherCommandsTouchNothing)
{
    for (const int command : {0, 40027, 40028, 40031})
        ToggleDeviceExclusion(host, command);
    EXPECT_TRUE(calls.empty());
}

// A device of the volume snapshot class as the device manager would answer
// for it.
struct ScriptedDevice {
    std::optional<std::wstring> friendlyName;
    std::optional<std::wstring> description;
    std::uint32_t statusAnswer = kConfigNoSuchDevInst;
    std::uint32_t uninstallAnswer = kConfigSuccess;
};

struct ScriptedDeviceManager final : DeviceManager {
    struct List final : DeviceList {
        List(CallLog& log, std::size_t devices) : calls(log), count(devices) {}
        ~List() override { calls.push_back(L"release list"); }
        std::optional<DeviceNode> DeviceAt(std::uint32_t index) override
        {
            if (index >= count)
                return std::nullopt;
            return 100 + index;
        }
        CallLog& calls;
        std::size_t count;
    };

    explicit ScriptedDeviceManager(CallLog& log) : calls(log) {}
    CallLog& calls;
    bool listFails = false;
    std::vector<ScriptedDevice> devices;

    std::unique_ptr<DeviceList> ListVolumeSnapshotDevices() override
    {
        calls.push_back(L"list");
        if (listFails)
            return nullptr;
        return std::make_unique<List>(calls, devices.size());
    }
    std::optional<std::wstring> ReadName(DeviceNode device, DeviceNameProperty property) override
    {
        const bool friendly = property == DeviceNameProperty::FriendlyName;
        calls.push_back((friendly ? L"friendly name " : L"description ") + std::to_wstring(device));
        const ScriptedDevice& d = At(device);
        return friendly ? d.friendlyName : d.description;
    }
    std::uint32_t QueryStatus(DeviceNode device) override
    {
        calls.push_back(L"status " + std::to_wstring(device));
        return At(device).statusAnswer;
    }
    std::uint32_t Uninstall(DeviceNode device) override
    {
        calls.push_back(L"uninstall " + std::to_wstring(device));
        return At(device).uninstallAnswer;
    }
    const ScriptedDevice& At(DeviceNode device) const { return devices.at(device - 100); }
};

constexpr std::uint32_t kConfigRemoveVetoed = 23;
constexpr std::uint32_t kConfigInvalidDevNode = 5;
constexpr wchar_t kNotFoundText[] = L"Could not find any volume shadow copy devices that are not in use.";

class ShadowCopyTest : public ::testing::Test {
protected:
    std::vector<std::wstring> Uninstalled() const
    {
        std::vector<std::wstring> out;
        for (const std::wstring& call : calls) {
            if (call.starts_with(L"uninstall"))
                out.push_back(call);
        }
        return out;
    }
    const Message& OnlyMessage() const
    {
        EXPECT_EQ(messages.shown.size(), 1u);
        return messages.shown.front();
    }

    CallLog calls;
    ScriptedDeviceManager devices{calls};
    RecordingMessages messages{calls};
};

TEST_F(ShadowCopyTest, OnlyRemovedDevicesWithTheShadowCopyNameAreUninstalled)
{
    const std::wstring name = L"Generic volume shadow copy";
    devices.devices = {
        {name, std::nullopt, kConfigNoSuchDevInst},                          // 100: uninstalled
        {name, std::nullopt, kConfigSuccess},                                // 101: present
        {L"GENERIC VOLUME SHADOW COPY", std::nullopt, kConfigNoSuchValue},   // 102: uninstalled
        {L"Generic volume shadow copy 2", std::nullopt, kConfigNoSuchDevInst},  // 103: another name
        {std::nullopt, L"generic Volume Shadow COPY", kConfigNoSuchDevInst},  // 104: by its description
        {std::nullopt, std::nullopt, kConfigNoSuchDevInst},                  // 105: no name
        {name, std::nullopt, kConfigInvalidDevNode},                         // 106: not a removal answer
        {name, name, kConfigNoSuchDevInst, kConfigRemoveVetoed},             // 107: uninstall refused
        {L"", name, kConfigNoSuchValue},                                     // 108: an empty friendly name is a name
    };

    UninstallRemovedShadowCopyDevices(devices, messages);

    EXPECT_EQ(Uninstalled(), (std::vector<std::wstring>{L"uninstall 100", L"uninstall 102", L"uninstall 104",
                                                        L"uninstall 107"}));
    EXPECT_EQ(OnlyMessage().caption, L"Quillon TrackKit");
    EXPECT_EQ(OnlyMessage().icon, MessageIcon::Information);
    EXPECT_EQ(OnlyMessage().text, L"Quillon TrackKit found 3 volume shadow copy devices that were not in use and has "
                                  L"uninstalled them.");
}

TEST_F(ShadowCopyTest, EachDeviceIsNamedThenAskedForThenTheListGoesBeforeTheMessage)
{
    devices.devices = {{std::nullopt, L"Generic volume shadow copy"}, {L"Disk", std::nullopt, kConfigSuccess}};

    UninstallRemovedShadowCopyDevices(devices, messages);

    EXPECT_EQ(calls, (CallLog{L"list", L"friendly name 100", L"description 100", L"status 100", L"uninstall 100",
                              L"friendly name 101", L"status 101", L"release list", L"message"}));
    EXPECT_EQ(OnlyMessage().text, L"Quillon TrackKit found 1 volume shadow copy devices that were not in use and has "
                                  L"uninstalled them.");
}

TEST_F(ShadowCopyTest, WithNothingUninstalledTheUserIsToldNoneWasFound)
{
    const struct {
        const char* what;
        bool listFails;
        std::vector<ScriptedDevice> devices;
    } cases[] = {
        {"the list cannot be obtained", true, {}},
        {"an empty list", false, {}},
        {"every uninstall refused", false,
         {{L"Generic volume shadow copy", std::nullopt, kConfigNoSuchDevInst, kConfigRemoveVetoed}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        calls.clear();
        messages.shown.clear();
        devices.listFails = c.listFails;
        devices.devices = c.devices;

        UninstallRemovedShadowCopyDevices(devices, messages);

        EXPECT_EQ(OnlyMessage().caption, L"Quillon TrackKit");
        EXPECT_EQ(OnlyMessage().text, kNotFoundText);
    }
}

} // namespace
} // namespace trackkit
