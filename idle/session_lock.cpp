#include "session_lock.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "failure.h"
#include "platform/posix/instance_marker.h"
#include "platform/posix/lock_file.h"

namespace tivaro::idle {
namespace {

pid_t ReadPid(int fd) {
    char text[32] = {};
    const ssize_t n = pread(fd, text, sizeof text - 1, 0);
    return n > 0 ? static_cast<pid_t>(std::strtol(text, nullptr, 10)) : 0;
}

}  // namespace

std::string SessionLock::Path() {
    return platform::posix::InstanceMarkers::PathFor("tivaro-idle");
}

SessionLock::SessionLock() : path_(Path()) {
    if (path_.empty())
        throw Failure("XDG_RUNTIME_DIR is not set: run tivaro-idle in your desktop session");
    fd_ = platform::posix::TakeLockFile(path_);
    if (fd_ < 0) {
        const pid_t other = Holder();
        throw Failure("another tivaro-idle runs in this session" +
                      (other > 0 ? " (pid " + std::to_string(other) + ")" : std::string()));
    }
    const std::string pid = std::to_string(getpid()) + "\n";
    errno = 0;
    if (ftruncate(fd_, 0) != 0 ||
        pwrite(fd_, pid.data(), pid.size(), 0) != static_cast<ssize_t>(pid.size())) {
        const std::string why = errno != 0 ? std::strerror(errno) : "short write";
        // No destructor follows a constructor that raises: the file and the lock go here.
        unlink(path_.c_str());
        close(fd_);
        throw Failure("cannot write " + path_ + ": " + why);
    }
}

SessionLock::~SessionLock() {
    unlink(path_.c_str());
    close(fd_);
}

pid_t SessionLock::Holder() {
    const std::string path = Path();
    if (path.empty()) return 0;
    const int fd = platform::posix::OpenIfLockedElsewhere(path);
    if (fd < 0) return 0;
    // The holder writes its pid just after taking the lock.
    pid_t pid = 0;
    for (int i = 0; i < 50 && (pid = ReadPid(fd)) == 0; ++i) usleep(10 * 1000);
    close(fd);
    return pid;
}

}  // namespace tivaro::idle
