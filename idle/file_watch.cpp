#include "file_watch.h"

#include <sys/epoll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace tivaro::idle {
namespace {

constexpr std::uint32_t kGone = IN_DELETE_SELF | IN_MOVE_SELF;
// In the file's folder: written and closed, renamed in or away, removed.
constexpr std::uint32_t kInFolder = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE;
// Above it: a folder made or moved in, which may be (the way to) the file's.
constexpr std::uint32_t kAbove = IN_CREATE | IN_MOVED_TO;

[[noreturn]] void RaiseErrno(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

FileWatch::Descriptor::~Descriptor() {
    if (fd >= 0) close(fd);
}

FileWatch::FileWatch(EventLoop& loop, std::filesystem::path file, std::function<void()> changed)
    : loop_(loop), file_(std::move(file)), changed_(std::move(changed)) {
    inotify_.fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify_.fd < 0) RaiseErrno("cannot watch " + file_.string());
    Place();
    sd_event_source* source = nullptr;
    const int r = sd_event_add_io(loop.get(), &source, inotify_.fd, EPOLLIN, OnReadable, this);
    if (r < 0)
        throw std::system_error(-r, std::generic_category(), "cannot watch " + file_.string());
    source_.reset(source);
}

void FileWatch::Place() {
    if (wd_ >= 0) inotify_rm_watch(inotify_.fd, wd_);  // its IN_IGNORED comes under the old number
    wd_ = -1;
    const std::filesystem::path folder = file_.parent_path();
    for (std::filesystem::path at = folder;; at = at.parent_path()) {
        const std::uint32_t events = (at == folder ? kInFolder : kAbove) | kGone | IN_ONLYDIR;
        wd_ = inotify_add_watch(inotify_.fd, at.c_str(), events);
        if (wd_ >= 0) {
            watched_ = at;
            return;
        }
        if ((errno != ENOENT && errno != ENOTDIR) || at == at.parent_path())
            RaiseErrno("cannot watch " + at.string());
    }
}

int FileWatch::OnReadable(sd_event_source*, int fd, std::uint32_t, void* self) {
    auto* watch = static_cast<FileWatch*>(self);
    return watch->loop_.Guard([watch, fd] {
        const bool in_folder = watch->watched_ == watch->file_.parent_path();
        bool moved = false;    // the watch must be placed again
        bool touched = false;  // the file may have changed
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;  // EAGAIN: all read
            for (const char* at = buffer; at < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                at += sizeof(inotify_event) + event->len;
                if (event->mask & IN_Q_OVERFLOW) moved = true;  // events were lost
                if (event->wd != watch->wd_) continue;          // a watch given up, or none
                if (event->mask & (kGone | IN_IGNORED)) {
                    moved = true;
                } else if (in_folder) {
                    touched = touched || (event->len > 0 && watch->file_.filename() == event->name);
                } else {
                    moved = moved || (event->mask & IN_ISDIR) != 0;
                }
            }
        }
        if (moved) {
            try {
                watch->Place();
            } catch (const std::system_error& error) {
                std::fprintf(stderr, "tivaro-idle: changes to %s are no longer followed: %s\n",
                             watch->file_.c_str(), error.what());
            }
        }
        if (moved || touched) watch->changed_();
    });
}

}  // namespace tivaro::idle
