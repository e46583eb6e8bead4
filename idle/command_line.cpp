#include "command_line.h"

#include <charconv>
#include <string_view>

#include "failure.h"

namespace tivaro::idle {
namespace {

int ParseSeconds(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1 ||
        value > kLongestAfterSeconds) {
        throw UsageError("--after wants whole seconds from 1 to " +
                         std::to_string(kLongestAfterSeconds) + ", not \"" + std::string(text) +
                         "\"");
    }
    return value;
}

void SetMode(Options& options, Options::Mode mode, std::string_view arg) {
    if (options.mode != Options::Mode::Watch && options.mode != mode)
        throw UsageError("takes one of --install, --uninstall and --help, not " + std::string(arg) +
                         " besides");
    options.mode = mode;
}

}  // namespace

Options ParseCommandLine(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--after") {
            if (i + 1 == argc) throw UsageError("--after wants a number of seconds after it");
            options.after_seconds = ParseSeconds(argv[++i]);
            options.after_given = true;
        } else if (arg.starts_with("--after=")) {
            options.after_seconds = ParseSeconds(arg.substr(8));
            options.after_given = true;
        } else if (arg == "--install") {
            SetMode(options, Options::Mode::Install, arg);
        } else if (arg == "--uninstall") {
            SetMode(options, Options::Mode::Uninstall, arg);
        } else if (arg == "--help" || arg == "-h") {
            options.mode = Options::Mode::Help;
        } else {
            throw UsageError("unknown option \"" + std::string(arg) +
                             "\" (see tivaro-idle --help)");
        }
    }
    if (options.mode == Options::Mode::Uninstall && options.after_given)
        throw UsageError("--uninstall takes no --after");
    return options;
}

void PrintUsage(std::FILE* out, const std::string& saver, const std::string& settings) {
    std::fprintf(out,
                 "Usage: tivaro-idle [--after SECONDS]\n"
                 "       tivaro-idle --install [--after SECONDS] | --uninstall | --help\n"
                 "Starts the Tivaro screen saver whenever your session has been idle for\n"
                 "SECONDS (1 to %d; else the settings' Minutes, else %d), and not while a\n"
                 "program asks the screen to stay awake or the session is locked.\n"
                 "The saver: %s /s\n"
                 "The settings, followed while it runs: %s\n"
                 "  --install    start it with each session of yours (an XDG autostart entry),\n"
                 "               and now\n"
                 "  --uninstall  remove that entry and stop the one running\n",
                 kLongestAfterSeconds, kDefaultAfterSeconds, saver.c_str(), settings.c_str());
}

}  // namespace tivaro::idle
