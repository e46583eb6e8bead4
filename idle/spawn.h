// Starting a program from tivaro-idle, which keeps its signals blocked for the event loop:
// the child starts with none blocked.
#pragma once

#include <spawn.h>
#include <sys/types.h>

#include <string>
#include <vector>

namespace tivaro::idle {

// Starts `args` (the program's path first) with the environment `envp` (nullptr: this
// program's) and `actions` (nullptr: none); raises std::system_error when it cannot.
pid_t SpawnUnblocked(std::vector<std::string> args, char* const* envp = nullptr,
                     const posix_spawn_file_actions_t* actions = nullptr);

}  // namespace tivaro::idle
