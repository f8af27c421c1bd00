#pragma once

#include "setup/installer.h"

namespace trackkit {

// Windows Installer (msi.dll), for this process: MsiSetInternalUI,
// MsiEnumRelatedProductsW, MsiOpenProductW, MsiDoActionW, MsiSetInstallLevel,
// MsiSetFeatureStateW, MsiGetMode and MsiCloseHandle. It keeps no state.
class WindowsInstaller final : public Installer {
public:
    std::uint32_t SetUiLevel(std::uint32_t level) override;
    RelatedProduct FindRelatedProduct(std::wstring_view upgradeCode) override;
    OpenedProduct OpenProduct(std::wstring_view productCode) override;
    std::uint32_t DoAction(InstallerHandle product, std::wstring_view action) override;
    std::uint32_t SetInstallLevel(InstallerHandle product, int level) override;
    std::uint32_t SetFeatureState(InstallerHandle product, std::wstring_view feature, std::int32_t state) override;
    bool InRunMode(InstallerHandle product, InstallerRunMode mode) override;
    void Close(InstallerHandle handle) override;
};

} // namespace trackkit
