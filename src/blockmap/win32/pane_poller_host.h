#pragma once

#include <windows.h>

#include "tracking/poller.h"
#include "tracking/win32/debug_log.h"
#include "common/win32/locale_text.h"

namespace trackkit {

// The statistics list's "Value" column.
class ListViewStatisticsRows final : public StatisticsRows {
public:
    void SetValueText(int row, std::wstring_view text) override;
};

// Timer 1010 on the block-map pane.
class PaneTimer final : public PollTimer {
public:
    explicit PaneTimer(HWND pane) : pane_(pane) {}
    void Start(std::uint32_t periodMilliseconds) override;
    void Stop() override;

private:
    HWND pane_;
};

class PaneInvalidation final : public PaneRepaint {
public:
    explicit PaneInvalidation(HWND pane) : pane_(pane) {}
    void Invalidate(bool erase) override;

private:
    HWND pane_;
};

// Refreshes the volume list's free-space texts through whatever refresher
// the program set (none until the volume list exists).
class ForwardingFreeSpace final : public FreeSpaceRefresher {
public:
    void RefreshFreeSpace() override
    {
        if (target_ != nullptr)
            target_->RefreshFreeSpace();
    }
    void SetTarget(FreeSpaceRefresher* target) { target_ = target; }

private:
    FreeSpaceRefresher* target_ = nullptr;
};

// Everything the poller talks to from the block-map pane.
struct PanePollerHost {
    explicit PanePollerHost(HWND pane, TrackingDriver& driver)
        : timer(pane), repaint(pane), host{driver, rows, locale, freeSpace, timer, debug, repaint}
    {
    }

    ListViewStatisticsRows rows;
    WindowsLocaleText locale;
    ForwardingFreeSpace freeSpace;
    PaneTimer timer;
    WindowsDebugLog debug;
    PaneInvalidation repaint;
    PollerHost host;
};

} // namespace trackkit
