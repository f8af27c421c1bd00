#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace trackkit {

// Windows Installer's numbers that the driver setup passes and examines.
inline constexpr std::uint32_t kInstallerSuccess = 0;           // ERROR_SUCCESS
inline constexpr std::uint32_t kInstallerNoMoreItems = 259;     // ERROR_NO_MORE_ITEMS
inline constexpr std::uint32_t kInstallerUnknownProduct = 1605; // ERROR_UNKNOWN_PRODUCT
inline constexpr std::uint32_t kInstallUiLevelNone = 2;         // INSTALLUILEVEL_NONE
inline constexpr std::int32_t kInstallStateAbsent = 2;          // INSTALLSTATE_ABSENT
inline constexpr std::int32_t kInstallStateLocal = 3;           // INSTALLSTATE_LOCAL

enum class InstallerRunMode : std::uint32_t {
    RebootAtEnd = 18,  // MSIRUNMODE_REBOOTATEND
    RebootNow = 19,    // MSIRUNMODE_REBOOTNOW
};

// An open installer handle (MSIHANDLE); 0 is none.
using InstallerHandle = std::uint32_t;

// Each answer carries the installer's status: 0 on success, otherwise the
// Windows error code the call returned.
struct RelatedProduct {
    std::uint32_t status = 0;
    std::wstring productCode;  // "{GUID}" when status is 0
};

struct OpenedProduct {
    std::uint32_t status = 0;
    InstallerHandle product = 0;  // valid only when status is 0
};

// The calls of Windows Installer that switch one feature of an installed
// product, named for what they do. Windows supplies them from msi.dll.
class Installer {
public:
    virtual ~Installer() = default;
    // Sets the installer's user-interface level for this process, leaving its
    // owner window as it is, and returns the level that was set before.
    virtual std::uint32_t SetUiLevel(std::uint32_t level) = 0;
    // The first installed product related to the upgrade code.
    virtual RelatedProduct FindRelatedProduct(std::wstring_view upgradeCode) = 0;
    virtual OpenedProduct OpenProduct(std::wstring_view productCode) = 0;
    virtual std::uint32_t DoAction(InstallerHandle product, std::wstring_view action) = 0;
    virtual std::uint32_t SetInstallLevel(InstallerHandle product, int level) = 0;
    virtual std::uint32_t SetFeatureState(InstallerHandle product, std::wstring_view feature, std::int32_t state) = 0;
    virtual bool InRunMode(InstallerHandle product, InstallerRunMode mode) = 0;
    virtual void Close(InstallerHandle handle) = 0;
};

// Leaves a process-independent sign that a restart is pending, for the
// maker's other programs. TrackKit never reads it back.
class RebootMarker {
public:
    virtual ~RebootMarker() = default;
    virtual void MarkRebootScheduled() = 0;
};

} // namespace trackkit
