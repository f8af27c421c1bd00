#include "blockmap/win32/pane_poller_host.h"

namespace trackkit {

void PaneTimer::Start(std::uint32_t periodMilliseconds) { SetTimer(pane_, kPollTimerId, periodMilliseconds, nullptr); }

void PaneTimer::Stop() { KillTimer(pane_, kPollTimerId); }

void PaneInvalidation::Invalidate(bool erase) { InvalidateRect(pane_, nullptr, erase ? TRUE : FALSE); }

} // namespace trackkit
