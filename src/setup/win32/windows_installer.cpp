#include "setup/win32/windows_installer.h"

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <string>

namespace trackkit {
namespace {

// A product code is a GUID in braces: 38 characters and the terminator.
constexpr DWORD kProductCodeChars = 39;

// The views the interface passes are not NUL-terminated; the calls need it.
std::wstring Terminated(std::wstring_view text) { return std::wstring(text); }

} // namespace

std::uint32_t WindowsInstaller::SetUiLevel(std::uint32_t level)
{
    // No window pointer: the owner of the installer's windows stays as it is.
    return static_cast<std::uint32_t>(MsiSetInternalUI(static_cast<INSTALLUILEVEL>(level), nullptr));
}

RelatedProduct WindowsInstaller::FindRelatedProduct(std::wstring_view upgradeCode)
{
    wchar_t productCode[kProductCodeChars] = {};
    const UINT status = MsiEnumRelatedProductsW(Terminated(upgradeCode).c_str(), 0, 0, productCode);
    if (status != ERROR_SUCCESS)
        return {status, {}};
    return {ERROR_SUCCESS, productCode};
}

OpenedProduct WindowsInstaller::OpenProduct(std::wstring_view productCode)
{
    MSIHANDLE product = 0;
    const UINT status = MsiOpenProductW(Terminated(productCode).c_str(), &product);
    return {status, status == ERROR_SUCCESS ? static_cast<InstallerHandle>(product) : 0};
}

std::uint32_t WindowsInstaller::DoAction(InstallerHandle product, std::wstring_view action)
{
    return MsiDoActionW(product, Terminated(action).c_str());
}

std::uint32_t WindowsInstaller::SetInstallLevel(InstallerHandle product, int level)
{
    return MsiSetInstallLevel(product, level);
}

std::uint32_t WindowsInstaller::SetFeatureState(InstallerHandle product, std::wstring_view feature,
                                                std::int32_t state)
{
    return MsiSetFeatureStateW(product, Terminated(feature).c_str(), static_cast<INSTALLSTATE>(state));
}

bool WindowsInstaller::InRunMode(InstallerHandle product, InstallerRunMode mode)
{
    return MsiGetMode(product, static_cast<MSIRUNMODE>(mode)) != FALSE;
}

void WindowsInstaller::Close(InstallerHandle handle)
{
    MsiCloseHandle(handle);
}

} // namespace trackkit
