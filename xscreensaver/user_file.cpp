#include "user_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace tivaro::xss {
namespace {

[[noreturn]] void Fail(const std::string& what, const std::filesystem::path& path, int error) {
    throw FileError(what + " " + path.string() + ": " + std::strerror(error));
}

// As many links in a row as the kernel follows (MAXSYMLINKS) before it gives up with ELOOP.
constexpr int kMaxLinks = 40;

// Closes the descriptor and removes the temporary file unless it was renamed into place.
class TempFile {
public:
    explicit TempFile(const std::filesystem::path& target)
        : name_(target.string() + ".tivaro-XXXXXX") {
        fd_ = mkstemp(name_.data());
        if (fd_ < 0) Fail("cannot make a temporary file beside", target, errno);
    }
    ~TempFile() {
        if (fd_ >= 0) close(fd_);
        if (!renamed_) unlink(name_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    void Write(const std::string& text, mode_t mode) {
        const char* data = text.data();
        std::size_t left = text.size();
        while (left > 0) {
            ssize_t n = write(fd_, data, left);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) Fail("cannot write", name_, errno);
            data += n;
            left -= static_cast<std::size_t>(n);
        }
        if (fchmod(fd_, mode) != 0) Fail("cannot set the permissions of", name_, errno);
        if (fsync(fd_) != 0) Fail("cannot write", name_, errno);
        int fd = fd_;
        fd_ = -1;
        if (close(fd) != 0) Fail("cannot write", name_, errno);
    }
    void RenameTo(const std::filesystem::path& target) {
        if (rename(name_.c_str(), target.c_str()) != 0) Fail("cannot replace", target, errno);
        renamed_ = true;
    }

private:
    std::string name_;
    int fd_ = -1;
    bool renamed_ = false;
};

}  // namespace

std::optional<std::string> ReadFile(const std::filesystem::path& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return std::nullopt;
        Fail("cannot read", path, errno);
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int error = errno;
            close(fd);
            Fail("cannot read", path, error);
        }
        if (n == 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return text;
}

std::filesystem::path ResolveLinks(const std::filesystem::path& path) {
    std::filesystem::path next = path;
    for (int links = 0; links <= kMaxLinks; ++links) {
        std::error_code error;
        std::filesystem::path resolved = std::filesystem::weakly_canonical(next, error);
        if (error) throw FileError("cannot follow " + path.string() + ": " + error.message());
        // That resolves every link up to the first name that does not exist, and leaves a
        // link whose target is missing as it is: its target is the file meant.
        std::error_code ignored;
        if (!std::filesystem::is_symlink(resolved, ignored)) return resolved;
        std::filesystem::path target = std::filesystem::read_symlink(resolved, error);
        if (error) throw FileError("cannot follow " + path.string() + ": " + error.message());
        next = resolved.parent_path() / target;  // an absolute target replaces the folder
    }
    Fail("cannot follow", path, ELOOP);
}

mode_t PermissionsOf(const std::filesystem::path& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) Fail("cannot read", path, errno);
    return info.st_mode & 07777;
}

void ReplaceFile(const std::filesystem::path& path, const std::string& text,
                 std::optional<mode_t> permissions) {
    mode_t mode;
    struct stat info {};
    if (permissions) {
        mode = *permissions;
    } else if (stat(path.c_str(), &info) == 0) {
        mode = info.st_mode & 07777;
    } else if (errno == ENOENT) {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    } else {
        Fail("cannot read", path, errno);
    }
    TempFile temp(path);
    temp.Write(text, mode);
    temp.RenameTo(path);
}

}  // namespace tivaro::xss
