// tivaro-idle's settings, which the settings window writes and tivaro-idle follows while it
// runs: one key file, $XDG_CONFIG_HOME/tivaro/idle.conf (~/.config/tivaro/idle.conf), that a
// person may edit too:
//
//   # Tivaro's idle watch
//   [Saver]
//   Enabled=true
//   Minutes=5
//   LockOnResume=false
//   LockGraceSeconds=5
//   LockCommand=
//
// Lines are comments (#), blank, a [Group] or a Key=Value, spaces around the = allowed;
// every line ends with a newline, so that a file cut short is seen as such. Booleans are
// true or false, numbers whole and within their range, LockCommand a line of text (\\, \s,
// \t, \n and \r stand for a backslash, a space, a tab, a newline and a return). A key left
// out keeps its default; keys in [Saver] are the ones above, each once; other groups are
// skipped. A missing file means the defaults.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tivaro::idle {

inline constexpr int kLongestMinutes = 24 * 60;
inline constexpr int kLongestGraceSeconds = 60 * 60;

struct IdleSettings {
    bool enabled = true;          // Enabled: the saver starts when the session is idle
    int minutes = 5;              // Minutes: how long idle first, 1 to kLongestMinutes
    bool lock_on_resume = false;  // LockOnResume: the session locks when the saver ends
    int lock_grace_seconds = 5;   // LockGraceSeconds: no lock when it ends sooner (0 to 3600)
    std::string lock_command;     // LockCommand: the locker where logind's Lock finds none
    bool operator==(const IdleSettings&) const = default;
};

// A settings file that cannot be read or breaks the format, or a value out of its range;
// what() is the one line that says where and what ("idle.conf line 3: Minutes wants ...").
class SettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// $XDG_CONFIG_HOME/tivaro/idle.conf; raises Failure when there is no home to put it in.
std::filesystem::path IdleSettingsPath();

// `name` is the file's, for the lines of SettingsError.
IdleSettings ParseIdleSettings(std::string_view text, std::string_view name = "idle.conf");
// The file's text for `settings`; raises SettingsError for a value out of its range.
std::string FormatIdleSettings(const IdleSettings& settings);

// The defaults when the file does not exist; raises SettingsError when it cannot be read or
// is damaged.
IdleSettings ReadIdleSettings(const std::filesystem::path& file);
// Replaces the file as a whole, so that a reader sees the old or the new one and never a
// part: a temporary file in the same folder (made if missing), flushed to the disk, renamed
// over it. Raises SettingsError for a value out of range, std::system_error (the path in its
// text) when the folder or the file cannot be written.
void WriteIdleSettings(const IdleSettings& settings, const std::filesystem::path& file);

}  // namespace tivaro::idle
