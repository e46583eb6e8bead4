// tivaro-idle's own work: watching the session and running the saver, until a signal ends it.
#pragma once

#include "command_line.h"

namespace tivaro::idle {

// Returns the exit status; raises Failure for the line to end with.
int RunWatch(const Options& options);

}  // namespace tivaro::idle
