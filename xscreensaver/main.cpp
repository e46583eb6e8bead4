// tivaro-xscreensaver-add: puts Tivaro into the calling user's list of screen savers
// (~/.xscreensaver), the list the X screen-saver daemon and xscreensaver-settings read.
// Every other line of the file stays as it was; the file as it was is kept beside it; a
// second run changes nothing.
#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>

#include "programs_list.h"
#include "user_file.h"

namespace {

constexpr const char* kName = "tivaro-xscreensaver-add";
constexpr const char* kSystemDefaults = "/etc/X11/app-defaults/XScreenSaver";
constexpr std::string_view kCommand = "tivaro --root";
constexpr const char* kBackupSuffix = ".before-tivaro";

void Usage(std::FILE* out) {
    std::fprintf(out,
                 "Usage: %s\n"
                 "Adds Tivaro to your list of screen savers in ~/.xscreensaver (made from the\n"
                 "system's list when you have none), keeping the file as it was in\n"
                 "~/.xscreensaver%s. Run it as yourself, not as root.\n",
                 kName, kBackupSuffix);
}

std::filesystem::path HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') return home;
    if (const passwd* user = getpwuid(getuid()); user != nullptr && user->pw_dir != nullptr)
        return user->pw_dir;
    throw tivaro::xss::FileError("cannot tell your home folder: HOME is not set");
}

bool HasTivaro(const std::vector<tivaro::xss::ProgramEntry>& entries, bool* enabled) {
    for (const auto& entry : entries) {
        if (entry.program == "tivaro") {
            *enabled = entry.enabled;
            return true;
        }
    }
    return false;
}

int Run() {
    using namespace tivaro::xss;
    if (geteuid() == 0)
        throw FileError(
            "run this as the user whose screen saver it is, not as root "
            "(the daemon runs no screen saver for root)");
    const std::filesystem::path file = ResolveLinks(HomeFolder() / ".xscreensaver");
    const std::optional<std::string> user = ReadFile(file);
    std::string text = user.value_or(std::string());

    // The list that counts: the user's own, else the system's.
    std::optional<std::string> system;
    bool enabled = true;
    bool present = false;
    if (HasProgramsResource(text)) {
        present = HasTivaro(ListPrograms(text), &enabled);
    } else {
        system = ReadFile(kSystemDefaults);
        if (!system)
            throw FileError(std::string(kSystemDefaults) +
                            " is missing: install the package xscreensaver first");
        present = HasTivaro(ListPrograms(*system), &enabled);
    }
    if (present) {
        std::printf("%s: Tivaro is already in your list of screen savers%s; %s is unchanged.\n",
                    kName, enabled ? "" : " (switched off: tick it in xscreensaver-settings)",
                    file.c_str());
        return 0;
    }

    const std::string added = AddProgram(text, system.value_or(std::string()), kCommand);
    std::string note = "made it from the system's list";
    if (user) {
        const std::filesystem::path backup = file.string() + kBackupSuffix;
        ReplaceFile(backup, *user, PermissionsOf(file));
        note = "the file as it was is in " + backup.string();
    }
    ReplaceFile(file, added);
    std::printf(
        "%s: added Tivaro to your list of screen savers in %s (%s).\n"
        "Pick Tivaro in xscreensaver-settings to make it your screen saver.\n",
        kName, file.c_str(), note.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
        Usage(stdout);
        return 0;
    }
    if (argc != 1) {
        std::fprintf(stderr, "%s: takes no arguments (it works on ~/.xscreensaver)\n", kName);
        Usage(stderr);
        return 2;
    }
    try {
        return Run();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", kName, error.what());
        return 1;
    }
}
