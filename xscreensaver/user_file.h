// Reading and replacing a user's settings file: the new text is written to a temporary
// file beside it and renamed over it, so the daemon and its settings program see either the
// old file or the new one, never a part of either.
#pragma once

#include <sys/types.h>

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

// The file a path names, through any symbolic links, also one whose target does not exist
// yet (a settings file kept elsewhere and linked into the home folder stays where it is, or
// is made there). Raises FileError, as for a loop of links.
std::filesystem::path ResolveLinks(const std::filesystem::path& path);

// A file's permission bits. Raises FileError.
mode_t PermissionsOf(const std::filesystem::path& path);

// Replaces (or makes) `path` with `text` atomically (a link is replaced: give it the file
// ResolveLinks found), with the permissions given (a copy of a private file stays
// private), else those of the file it replaces, else 0666 less the umask. Raises FileError.
void ReplaceFile(const std::filesystem::path& path, const std::string& text,
                 std::optional<mode_t> permissions = std::nullopt);

}  // namespace tivaro::xss
