#include <dlfcn.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "platform/loader/modules.h"
#include "toolkit/runtime/errors.h"

// Where the installed modules lie, seen from the installed program's folder (set by CMake
// from the install directories).
#ifndef TIVARO_MODULE_DIR_FROM_PROGRAM
#error "TIVARO_MODULE_DIR_FROM_PROGRAM is not defined"
#endif

namespace tivaro::platform::loader {
namespace {

namespace fs = std::filesystem;

struct Names {
    const char* file;
    const char* what;  // for messages: "the X11 module ..."
};

Names NamesOf(Module module) {
    switch (module) {
        case Module::X11:
            return {"tivaro-x11.so", "X11"};
        case Module::Wayland:
            return {"tivaro-wayland.so", "Wayland"};
        case Module::Text:
            break;
    }
    return {"tivaro-text.so", "font"};
}

fs::path ProgramFolder() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        throw rt::SetupError(
            "cannot tell where the program lies (/proc/self/exe: " + error.message() + ")");
    }
    return program.parent_path();
}

// The installed place first, then the build tree's, where the modules lie beside the
// program. The library search path is never asked: a module belongs to its program.
fs::path Find(Module module) {
    const fs::path folder = ProgramFolder();
    const fs::path installed =
        (folder / TIVARO_MODULE_DIR_FROM_PROGRAM / NamesOf(module).file).lexically_normal();
    const fs::path beside = folder / NamesOf(module).file;
    std::error_code error;
    if (fs::exists(installed, error)) return installed;
    if (fs::exists(beside, error)) return beside;
    throw rt::SetupError(std::string("the ") + NamesOf(module).what + " module " +
                         NamesOf(module).file + " is missing (looked in " +
                         installed.parent_path().string() + " and " + folder.string() +
                         "); reinstall tivaro");
}

void* Load(Module module) {
    static void* loaded[3] = {nullptr, nullptr, nullptr};
    void*& handle = loaded[static_cast<int>(module)];
    if (handle != nullptr) return handle;
    const fs::path path = Find(module);
    // Every symbol bound now, so that a module built against another program fails here
    // with a message rather than later with a crash.
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        // dlerror's text names the file.
        throw rt::SetupError(std::string("the ") + NamesOf(module).what +
                             " module does not load: " + (why != nullptr ? why : path.string()));
    }
    return handle;
}

}  // namespace

void* Entry(Module module, const char* name) {
    void* handle = Load(module);
    void* entry = dlsym(handle, name);
    if (entry == nullptr) {
        throw rt::SetupError(std::string("the ") + NamesOf(module).what + " module " +
                             NamesOf(module).file + " is not this program's: it has no " + name);
    }
    return entry;
}

LoadedBackend OpenBackend(Module module, const OpenRequest& request) {
    const auto open = reinterpret_cast<OpenFunction>(Entry(module, kOpenSymbol));
    Opened opened;
    open(request, opened);
    return LoadedBackend{std::unique_ptr<Backend>(opened.backend), opened.root,
                         opened.has_layer_shell};
}

bool WaylandCompositorAnswers() {
    const auto answers = reinterpret_cast<AnswersFunction>(Entry(Module::Wayland, kAnswersSymbol));
    return answers();
}

}  // namespace tivaro::platform::loader
