#include "saver_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

#include "failure.h"
#include "spawn.h"

extern char** environ;

namespace tivaro::idle {

SaverRunner::SaverRunner(std::filesystem::path saver) : saver_(std::move(saver)) {
    if (access(saver_.c_str(), X_OK) != 0)
        throw Failure("the saver " + saver_.string() + " is missing: " + std::strerror(errno));
}

SaverRunner::~SaverRunner() {
    Stop();
}

namespace {

// The saver's end gate is its descriptor 3.
constexpr int kGateFd = 3;

// This program's environment, with TIVARO_END_GATE set to the gate or left out.
std::vector<std::string> SaverEnvironment(bool gated) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::strncmp(*e, "TIVARO_END_GATE=", 16) != 0) env.emplace_back(*e);
    }
    if (gated) env.push_back("TIVARO_END_GATE=" + std::to_string(kGateFd));
    return env;
}

}  // namespace

void SaverRunner::Start() {
    if (Running()) return;
    if (prepare_) prepare_();
    int gate = gate_ ? gate_() : -1;
    // Above descriptor 3, so that moving it there clears its close-on-exec.
    if (gate >= 0 && gate <= kGateFd) {
        const int moved = fcntl(gate, F_DUPFD_CLOEXEC, kGateFd + 1);
        close(gate);
        gate = moved;
    }
    // The gate is the saver's alone once it has started, and goes however the start goes.
    struct Handing {
        int gate;
        posix_spawn_file_actions_t actions;
        ~Handing() {
            posix_spawn_file_actions_destroy(&actions);
            if (gate >= 0) close(gate);
        }
    } handing{gate, {}};
    posix_spawn_file_actions_init(&handing.actions);
    if (gate >= 0) posix_spawn_file_actions_adddup2(&handing.actions, gate, kGateFd);
    std::vector<std::string> env = SaverEnvironment(gate >= 0);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    try {
        pid_ = SpawnUnblocked({saver_.string(), "/s"}, envp.data(), &handing.actions);
    } catch (const std::system_error& error) {
        throw Failure("cannot start the saver " + std::string(error.what()));
    }
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
