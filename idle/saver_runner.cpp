#include "saver_runner.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "failure.h"

extern char** environ;

namespace tivaro::idle {

SaverRunner::SaverRunner(std::filesystem::path saver) : saver_(std::move(saver)) {
    if (access(saver_.c_str(), X_OK) != 0)
        throw Failure("the saver " + saver_.string() + " is missing: " + std::strerror(errno));
}

SaverRunner::~SaverRunner() {
    Stop();
}

void SaverRunner::Start() {
    if (Running()) return;
    if (prepare_) prepare_();
    // This program keeps its signals blocked for the event loop; the saver must not.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    std::string path = saver_.string();
    std::string mode = "/s";
    char* argv[] = {path.data(), mode.data(), nullptr};
    pid_t pid = 0;
    const int error = posix_spawn(&pid, path.c_str(), nullptr, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) throw Failure("cannot start the saver " + path + ": " + std::strerror(error));
    pid_ = pid;
}

void SaverRunner::End() {
    if (Running()) kill(pid_, SIGTERM);
}

bool SaverRunner::Reap() {
    int status = 0;
    if (!Running() || waitpid(pid_, &status, WNOHANG) != pid_) return false;
    pid_ = 0;
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "tivaro-idle: the saver ended with status %d\n", WEXITSTATUS(status));
        return false;
    }
    if (WIFSIGNALED(status) && WTERMSIG(status) != SIGTERM) {
        std::fprintf(stderr, "tivaro-idle: the saver ended by signal %d\n", WTERMSIG(status));
        return false;
    }
    return true;
}

void SaverRunner::Stop() noexcept {
    if (!Running()) return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 250; ++i) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = 0;
            return;
        }
        usleep(20 * 1000);
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
}

}  // namespace tivaro::idle
