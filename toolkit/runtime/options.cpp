#include "toolkit/runtime/options.h"

#include <cstdlib>
#include <string_view>

namespace tivaro::rt {
namespace {

std::string Text(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

Options Read() {
    Options options;
    options.unpaced = Text("TIVARO_UNPACED") == "1";
    options.timing = Text("TIVARO_TIMING") == "1";
    options.seed = Text("TIVARO_SEED");
    options.backend = Text("TIVARO_BACKEND");
    options.wayland_shell = Text("TIVARO_WAYLAND_SHELL");
    return options;
}

}  // namespace

const Options& Environment() {
    static const Options options = Read();
    return options;
}

}  // namespace tivaro::rt
