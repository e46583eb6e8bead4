#include "companions.h"

#include <glib.h>
#include <unistd.h>

#include <memory>
#include <stdexcept>

#include "this_program.h"

namespace tivaro::settings_app {

std::filesystem::path FindCompanion(const std::string& name) {
    const std::filesystem::path beside = idle::ThisProgram().parent_path() / name;
    if (access(beside.c_str(), X_OK) == 0) return beside;
    const std::unique_ptr<gchar, decltype(&g_free)> found(g_find_program_in_path(name.c_str()),
                                                          g_free);
    if (!found) throw std::runtime_error(name + " is neither beside this program nor on PATH");
    return found.get();
}

void StartDetached(const std::string& name, const std::vector<std::string>& args) {
    const std::string program = FindCompanion(name).string();
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    // Without G_SPAWN_DO_NOT_REAP_CHILD GLib forks twice: the program is nobody's child here.
    GError* error = nullptr;
    if (!g_spawn_async(nullptr, argv.data(), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, nullptr,
                       &error)) {
        const std::string why = error->message;
        g_error_free(error);
        throw std::runtime_error("cannot start " + program + ": " + why);
    }
}

}  // namespace tivaro::settings_app
