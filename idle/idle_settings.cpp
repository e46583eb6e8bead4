#include "idle_settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <system_error>

#include "config_home.h"

namespace tivaro::idle {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kGroup = "Saver";
constexpr std::size_t kLargest = 64 * 1024;  // more is no settings file

// The line being read, for the one line that says what is wrong in it.
struct Where {
    std::string_view name;
    int line = 0;
    [[noreturn]] void Bad(const std::string& what) const {
        throw SettingsError(std::string(name) + " line " + std::to_string(line) + ": " + what);
    }
};

std::string Quote(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted.append(1, '"').append(text).append(1, '"');
    return quoted;
}

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

struct Range {
    int lowest;
    int highest;
    const char* unit;
};
constexpr Range kMinutes{1, kLongestMinutes, "minutes"};
constexpr Range kGrace{0, kLongestGraceSeconds, "seconds"};

std::string RangeText(std::string_view key, const Range& range) {
    return std::string(key) + " wants whole " + range.unit + " from " +
           std::to_string(range.lowest) + " to " + std::to_string(range.highest);
}

bool ParseBool(std::string_view key, std::string_view value, const Where& where) {
    if (value == "true") return true;
    if (value == "false") return false;
    where.Bad(std::string(key) + " wants true or false, not " + Quote(value));
}

int ParseWhole(std::string_view key, std::string_view value, const Range& range,
               const Where& where) {
    int number = 0;
    const char* end = value.data() + value.size();
    const auto [stop, error] = std::from_chars(value.data(), end, number);
    if (value.empty() || error != std::errc() || stop != end || number < range.lowest ||
        number > range.highest) {
        where.Bad(RangeText(key, range) + ", not " + Quote(value));
    }
    return number;
}

std::string ParseText(std::string_view value, const Where& where) {
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\') {
            text += value[i];
            continue;
        }
        if (++i == value.size()) where.Bad("the value ends in a lone backslash");
        switch (value[i]) {
            case '\\':
                text += '\\';
                break;
            case 's':
                text += ' ';
                break;
            case 't':
                text += '\t';
                break;
            case 'n':
                text += '\n';
                break;
            case 'r':
                text += '\r';
                break;
            default:
                where.Bad("unknown escape \\" + std::string(1, value[i]) +
                          " (\\\\, \\s, \\t, \\n and \\r are known)");
        }
    }
    return text;
}

// What ParseText reads back as `text`: a space is escaped where trimming would lose it.
std::string FormatText(std::string_view key, std::string_view text) {
    std::string value;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\') {
            value += "\\\\";
        } else if (c == '\t' || c == '\n' || c == '\r') {
            value += c == '\t' ? "\\t" : c == '\n' ? "\\n" : "\\r";
        } else if (c == ' ' && (i == 0 || i + 1 == text.size())) {
            value += "\\s";
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            throw SettingsError(std::string(key) + " holds a control character");
        } else {
            value += c;
        }
    }
    return value;
}

using Setter = void (*)(IdleSettings&, std::string_view key, std::string_view value, const Where&);
struct Key {
    std::string_view name;
    Setter set;
};
constexpr Key kKeys[] = {
    {"Enabled", [](IdleSettings& s, std::string_view key, std::string_view value,
                   const Where& where) { s.enabled = ParseBool(key, value, where); }},
    {"Minutes", [](IdleSettings& s, std::string_view key, std::string_view value,
                   const Where& where) { s.minutes = ParseWhole(key, value, kMinutes, where); }},
    {"LockOnResume", [](IdleSettings& s, std::string_view key, std::string_view value,
                        const Where& where) { s.lock_on_resume = ParseBool(key, value, where); }},
    {"LockGraceSeconds",
     [](IdleSettings& s, std::string_view key, std::string_view value, const Where& where) {
         s.lock_grace_seconds = ParseWhole(key, value, kGrace, where);
     }},
    {"LockCommand", [](IdleSettings& s, std::string_view, std::string_view value,
                       const Where& where) { s.lock_command = ParseText(value, where); }},
};

void CheckRange(std::string_view key, int number, const Range& range) {
    if (number < range.lowest || number > range.highest)
        throw SettingsError(RangeText(key, range) + ", not " + std::to_string(number));
}

const char* Bool(bool value) {
    return value ? "true" : "false";
}

[[noreturn]] void RaiseErrno(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

void WriteAll(int fd, std::string_view text, const std::string& path) {
    while (!text.empty()) {
        const ssize_t n = write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) RaiseErrno("cannot write " + path);
        text.remove_prefix(static_cast<std::size_t>(n));
    }
}

// The temporary file of a write: removed unless Renamed(); closed in any case.
class Temporary {
public:
    explicit Temporary(const fs::path& beside)
        : path_((beside.parent_path() /
                 std::string(".").append(beside.filename().string()).append(".XXXXXX"))
                    .string()) {
        fd_ = mkstemp(path_.data());
        if (fd_ < 0) RaiseErrno("cannot make a file in " + beside.parent_path().string());
    }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;
    ~Temporary() {
        if (fd_ >= 0) close(fd_);
        if (!renamed_) unlink(path_.c_str());
    }

    // Writes `text` and waits until it is on the disk.
    void Fill(std::string_view text) {
        WriteAll(fd_, text, path_);
        if (fsync(fd_) != 0) RaiseErrno("cannot flush " + path_);
        const int fd = fd_;
        fd_ = -1;
        if (close(fd) != 0) RaiseErrno("cannot write " + path_);
    }
    void RenameTo(const fs::path& file) {
        if (rename(path_.c_str(), file.c_str()) != 0) RaiseErrno("cannot replace " + file.string());
        renamed_ = true;
    }

private:
    std::string path_;
    int fd_ = -1;
    bool renamed_ = false;
};

}  // namespace

fs::path IdleSettingsPath() {
    return ConfigHome() / "tivaro" / "idle.conf";
}

IdleSettings ParseIdleSettings(std::string_view text, std::string_view name) {
    IdleSettings settings;
    Where where{name};
    if (!text.empty() && text.back() != '\n') {
        where.line = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
        where.Bad("the line has no end: the file was cut short");
    }
    enum class In { NoGroup, Saver, Other } in = In::NoGroup;
    bool saver_seen = false;
    bool seen[std::size(kKeys)] = {};
    while (!text.empty()) {
        ++where.line;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end, text.size() - 1) + 1);
        for (const char c : line) {
            if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f) {
                char code[8];
                std::snprintf(code, sizeof code, "0x%02x", static_cast<unsigned char>(c));
                where.Bad(std::string("a control character (") + code + "): the file is damaged");
            }
        }
        line = Trim(line);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            const std::string_view group = line.substr(1, line.size() - 2);
            if (line.size() < 3 || line.back() != ']' ||
                group.find_first_of("[]") != std::string_view::npos) {
                where.Bad(Quote(line) + " is no group; a group is [Name]");
            }
            if (group == kGroup && saver_seen) where.Bad("[Saver] comes twice");
            saver_seen = saver_seen || group == kGroup;
            in = group == kGroup ? In::Saver : In::Other;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            where.Bad(Quote(line) + " is neither a comment, a [Group] nor a Key=Value");
        const std::string_view key = Trim(line.substr(0, equals));
        if (key.empty()) where.Bad(Quote(line) + " has no key before its =");
        if (in == In::NoGroup) where.Bad(Quote(key) + " comes before any group ([Saver])");
        if (in == In::Other) continue;
        const auto known = std::find_if(std::begin(kKeys), std::end(kKeys),
                                        [key](const Key& k) { return k.name == key; });
        if (known == std::end(kKeys)) {
            where.Bad("[Saver] has no key " + Quote(key) +
                      " (Enabled, Minutes, LockOnResume, LockGraceSeconds, LockCommand)");
        }
        bool& once = seen[known - std::begin(kKeys)];
        if (once) where.Bad(std::string(key) + " comes twice in [Saver]");
        once = true;
        known->set(settings, key, Trim(line.substr(equals + 1)), where);
    }
    return settings;
}

std::string FormatIdleSettings(const IdleSettings& settings) {
    CheckRange("Minutes", settings.minutes, kMinutes);
    CheckRange("LockGraceSeconds", settings.lock_grace_seconds, kGrace);
    return std::string(
               "# Tivaro's idle watch: tivaro-idle follows this file while it runs.\n"
               "[Saver]\n"
               "Enabled=") +
           Bool(settings.enabled) + "\nMinutes=" + std::to_string(settings.minutes) +
           "\nLockOnResume=" + Bool(settings.lock_on_resume) +
           "\nLockGraceSeconds=" + std::to_string(settings.lock_grace_seconds) +
           "\nLockCommand=" + FormatText("LockCommand", settings.lock_command) + "\n";
}

IdleSettings ReadIdleSettings(const fs::path& file) {
    const std::string name = file.filename().string();
    // Not blocking: a pipe put there must not hold the program up.
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0 && errno == ENOENT) return {};
    if (fd < 0) throw SettingsError(name + ": cannot read it: " + std::strerror(errno));
    struct stat info {};
    const bool plain = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    std::string text(kLargest + 1, '\0');
    std::size_t size = 0;
    ssize_t n = 0;
    while (plain && size < text.size()) {
        n = read(fd, text.data() + size, text.size() - size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        size += static_cast<std::size_t>(n);
    }
    const int error = errno;
    close(fd);
    if (!plain) throw SettingsError(name + ": is no plain file");
    if (n < 0) throw SettingsError(name + ": cannot read it: " + std::strerror(error));
    if (size > kLargest) throw SettingsError(name + ": larger than 64 KiB, no settings file");
    text.resize(size);
    return ParseIdleSettings(text, name);
}

void WriteIdleSettings(const IdleSettings& settings, const fs::path& file) {
    const std::string text = FormatIdleSettings(settings);  // before anything is touched
    const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    fs::create_directories(folder);
    Temporary temporary(folder / file.filename());
    temporary.Fill(text);
    temporary.RenameTo(file);
    // The rename lasts through a crash once the folder is on the disk too.
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) RaiseErrno("cannot flush " + folder.string());
    const int synced = fsync(fd);
    close(fd);
    if (synced != 0) RaiseErrno("cannot flush " + folder.string());
}

}  // namespace tivaro::idle
