#pragma once

#include "setup/system_error_text.h"

namespace trackkit {

// Windows' message text for an error code, as SystemMessageText gives it.
class WindowsErrorText final : public SystemErrorText {
public:
    std::wstring Describe(std::uint32_t error) override;
};

} // namespace trackkit
