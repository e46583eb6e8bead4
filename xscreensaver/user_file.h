// Reading and replacing a user's settings file: the new text is written to a temporary
// file beside it and renamed over it, so the daemon and its settings program see either the
// old file or the new one, never a part of either.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

namespace tivaro::xss {

class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The file's bytes, or nullopt when it does not exist. Raises FileError otherwise.
std::optional<std::string> ReadFile(const std::filesystem::path& path);

// The file a path names, through any symbolic links (a settings file kept elsewhere and
// linked into the home folder stays where it is).
std::filesystem::path ResolveLinks(const std::filesystem::path& path);

// Replaces (or makes) `path` with `text` atomically, keeping the permissions of the file it
// replaces (a new one gets 0666 less the umask). Raises FileError.
void ReplaceFile(const std::filesystem::path& path, const std::string& text);

}  // namespace tivaro::xss
