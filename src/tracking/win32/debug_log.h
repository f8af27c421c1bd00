#pragma once

#include "tracking/poller.h"

namespace trackkit {

// Writes each line to the debugger output with OutputDebugStringW.
class WindowsDebugLog final : public DebugLog {
public:
    void Write(std::wstring_view line) override;
};

} // namespace trackkit
