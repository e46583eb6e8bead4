// Lock files that say a process runs: a file in the session's runtime folder held under an
// exclusive lock (flock) while what it stands for lives, and removed by its holder before it
// lets go. The instance marks and tivaro-idle's one-per-session lock are such files.
#pragma once

#include <string>

namespace tivaro::platform::posix {

// Opens the file at `path` (made with mode 0600 when missing, never through a link) and
// takes its exclusive lock without waiting, on the file that is still at `path` once locked:
// a holder that ends removes its file, and a lock taken on the removed one would guard
// nothing. Returns the locked descriptor, the caller's (who removes the file, then closes
// it); -1 when another process holds the lock. Raises std::system_error when the file
// cannot be opened or keeps being replaced under us.
int TakeLockFile(const std::string& path);

// The file at `path` opened for reading (the caller's to close) when another process holds
// its lock; -1 when nobody does or there is no such file.
int OpenIfLockedElsewhere(const std::string& path);

}  // namespace tivaro::platform::posix
