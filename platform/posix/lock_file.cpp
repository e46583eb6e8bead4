#include "platform/posix/lock_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace tivaro::platform::posix {
namespace {

constexpr int kAttempts = 10;

// Whether `fd` still is the file at `path`.
bool StillAt(int fd, const std::string& path) {
    struct stat opened {};
    struct stat named {};
    return fstat(fd, &opened) == 0 && stat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

}  // namespace

int TakeLockFile(const std::string& path) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) throw std::system_error(errno, std::generic_category(), "cannot open " + path);
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            close(fd);
            if (error == EWOULDBLOCK) return -1;
            throw std::system_error(error, std::generic_category(), "cannot lock " + path);
        }
        if (StillAt(fd, path)) return fd;
        close(fd);  // removed by the holder that just ended: take the new one
    }
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                            "cannot take " + path + " (it keeps being replaced)");
}

int OpenIfLockedElsewhere(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return -1;  // never made: nobody holds it
    // A shared lock taken here goes again with the descriptor.
    if (flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) return fd;
    close(fd);
    return -1;
}

}  // namespace tivaro::platform::posix
