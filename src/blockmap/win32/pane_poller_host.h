#pragma once

#include <windows.h>

#include "tracking/poller.h"

namespace trackkit {

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

// What the poller works with from the block-map pane: the driver, the
// pane's timer and its repaint.
struct PanePollerHost {
    PanePollerHost(HWND pane, TrackingDriver& driver) : timer(pane), repaint(pane), host{driver, timer, repaint} {}

    PaneTimer timer;
    PaneInvalidation repaint;
    PollerHost host;
};

} // namespace trackkit
