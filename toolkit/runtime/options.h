// The program's options from the environment, read once, at first use.
#pragma once

#include <string>

namespace tivaro::rt {

struct Options {
    bool unpaced = false;       // TIVARO_UNPACED=1: frames as fast as they come (benchmarks)
    bool timing = false;        // TIVARO_TIMING=1: report when the first frame showed, and more
    std::string seed;           // TIVARO_SEED: the engine's seed instead of the time of day
    std::string backend;        // TIVARO_BACKEND: x11 or wayland instead of the one found
    std::string wayland_shell;  // TIVARO_WAYLAND_SHELL: layer or xdg
};

const Options& Environment();

}  // namespace tivaro::rt
