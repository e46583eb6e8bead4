#include "session_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "failure.h"
#include "platform/posix/instance_marker.h"

namespace tivaro::idle {
namespace {

pid_t ReadPid(int fd) {
    char text[32] = {};
    const ssize_t n = pread(fd, text, sizeof text - 1, 0);
    return n > 0 ? static_cast<pid_t>(std::strtol(text, nullptr, 10)) : 0;
}

// Whether `fd` is still the file at `path`: a holder that ends removes the file, and a
// lock taken on the removed one would guard nothing.
bool StillThere(int fd, const std::string& path) {
    struct stat held = {};
    struct stat named = {};
    return fstat(fd, &held) == 0 && stat(path.c_str(), &named) == 0 &&
           held.st_ino == named.st_ino && held.st_dev == named.st_dev;
}

}  // namespace

std::string SessionLock::Path() {
    return platform::posix::InstanceMarkers::PathFor("tivaro-idle");
}

SessionLock::SessionLock() : path_(Path()) {
    if (path_.empty())
        throw Failure("XDG_RUNTIME_DIR is not set: run tivaro-idle in your desktop session");
    for (int attempt = 0; attempt < 10; ++attempt) {
        fd_ = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd_ < 0) throw Failure("cannot open " + path_ + ": " + std::strerror(errno));
        if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            const pid_t other = ReadPid(fd_);
            close(fd_);
            throw Failure("another tivaro-idle runs in this session" +
                          (other > 0 ? " (pid " + std::to_string(other) + ")" : std::string()));
        }
        if (StillThere(fd_, path_)) {
            const std::string pid = std::to_string(getpid()) + "\n";
            if (ftruncate(fd_, 0) != 0 || pwrite(fd_, pid.data(), pid.size(), 0) < 0)
                throw Failure("cannot write " + path_ + ": " + std::strerror(errno));
            return;
        }
        close(fd_);
    }
    throw Failure("cannot take " + path_ + ": it keeps being replaced");
}

SessionLock::~SessionLock() {
    unlink(path_.c_str());
    close(fd_);
}

pid_t SessionLock::Holder() {
    const std::string path = Path();
    if (path.empty()) return 0;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return 0;
    pid_t pid = 0;
    if (flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        // The holder writes its pid just after taking the lock.
        for (int i = 0; i < 50 && (pid = ReadPid(fd)) == 0; ++i) usleep(10 * 1000);
    }
    close(fd);
    return pid;
}

}  // namespace tivaro::idle
