#include "setup/win32/windows_error_text.h"

#include "common/win32/system_message.h"

namespace trackkit {

std::wstring WindowsErrorText::Describe(std::uint32_t error) { return SystemMessageText(error); }

} // namespace trackkit
