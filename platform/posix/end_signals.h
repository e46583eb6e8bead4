// Termination signals (SIGTERM, SIGINT, SIGHUP) as an event: the handler only records the
// signal and wakes the event wait through a pipe; the event processing then ends the
// program on the UI thread, where the cursor and the screen-saver flag can be restored.
#pragma once

#include <vector>

#include "platform/backend.h"

namespace tivaro::platform::posix {

// Installs the handlers once; later calls do nothing. A program that has not ended within
// 0.8 s of the first signal (its event processing stuck in a call that never returns) is
// ended by force then, with exit code 0, its lock files removed.
void InstallEndSignals();
// The read end of the wake-up pipe (-1 before InstallEndSignals), for a wait of the
// backend's own.
int EndSignalFd();
// Whether a termination signal has arrived; drains the pipe.
bool TakeEndSignal();
// Appends one EndRequest event the first time a termination signal is seen, and never again.
void ReportEndSignal(std::vector<Event>& out);
// Sleeps until the display connection `display_fd` has something to read, a termination
// signal arrives or `timeout_ms` has passed (-1: no limit).
void WaitForDisplay(int display_fd, int timeout_ms);

}  // namespace tivaro::platform::posix
