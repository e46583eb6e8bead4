// tivaro-idle's command line.
#pragma once

#include <cstdio>
#include <string>

namespace tivaro::idle {

inline constexpr int kDefaultAfterSeconds = 300;
inline constexpr int kLongestAfterSeconds = 24 * 60 * 60;

struct Options {
    enum class Mode { Watch, Install, Uninstall, Help };
    Mode mode = Mode::Watch;
    int after_seconds = kDefaultAfterSeconds;
    bool after_given = false;  // --install writes it into the entry only when given
};

// Raises UsageError with a line that names what is wrong.
Options ParseCommandLine(int argc, char** argv);
void PrintUsage(std::FILE* out, const std::string& saver, const std::string& settings);

}  // namespace tivaro::idle
