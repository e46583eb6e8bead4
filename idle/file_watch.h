// Follows one file through inotify on its folder: a file written in place (once its writer
// closes it), replaced by a rename, made later or removed. Where the folder does not exist
// yet, the nearest folder above it that does is watched until it comes; a folder removed or
// moved away is looked for again the same way.
#pragma once

#include <filesystem>
#include <functional>

#include "event_loop.h"

namespace tivaro::idle {

class FileWatch {
public:
    // `changed` runs from the loop after the file may have changed (or gone). Raises
    // std::system_error when the file cannot be watched.
    FileWatch(EventLoop& loop, std::filesystem::path file, std::function<void()> changed);
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;

private:
    // Watches the file's folder, or the nearest one above it that exists.
    void Place();
    static int OnReadable(sd_event_source*, int fd, std::uint32_t, void* self);

    struct Descriptor {
        int fd = -1;
        ~Descriptor();
    };

    EventLoop& loop_;
    std::filesystem::path file_;
    std::function<void()> changed_;
    Descriptor inotify_;  // closed after source_ has gone
    int wd_ = -1;
    std::filesystem::path watched_;
    SourcePtr source_;
};

}  // namespace tivaro::idle
