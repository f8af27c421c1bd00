#include "widgets/about_version.h"

#include "common/text.h"

namespace trackkit {

std::wstring AboutVersionText(const std::optional<FileVersion>& version)
{
    if (!version)
        return std::wstring(kAboutDefaultVersionText);
    return FormatBounded(kAboutVersionTextChars, L"Version %d.%d, Build %d", int{version->major}, int{version->minor},
                         int{version->build});
}

} // namespace trackkit
