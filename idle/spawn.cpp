#include "spawn.h"

#include <signal.h>

#include <system_error>

extern char** environ;

namespace tivaro::idle {

pid_t SpawnUnblocked(std::vector<std::string> args, char* const* envp,
                     const posix_spawn_file_actions_t* actions) {
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, argv[0], actions, &attributes, argv.data(),
                                  envp != nullptr ? envp : environ);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) throw std::system_error(error, std::generic_category(), args[0]);
    return pid;
}

}  // namespace tivaro::idle
