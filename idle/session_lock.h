// One tivaro-idle per desktop session: a lock file in $XDG_RUNTIME_DIR named after the
// session's display, held (flock) for the program's life with its pid inside, and removed
// when it ends.
#pragma once

#include <sys/types.h>

#include <string>

namespace tivaro::idle {

class SessionLock {
public:
    // Takes the lock for this process; raises Failure when another tivaro-idle holds it,
    // the session has no runtime folder or the pid cannot be written, std::system_error
    // when the file cannot be opened or locked.
    SessionLock();
    SessionLock(const SessionLock&) = delete;
    SessionLock& operator=(const SessionLock&) = delete;
    ~SessionLock();

    // The pid of the tivaro-idle that holds the lock in this session; 0 when none does.
    static pid_t Holder();
    static std::string Path();

private:
    std::string path_;
    int fd_ = -1;
};

}  // namespace tivaro::idle
