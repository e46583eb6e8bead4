// The saver as a child process: `tivaro /s`, started when the session is idle, ended
// (SIGTERM) when the session locks or this program ends, and reaped when it ends itself.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>

#include "saver.h"

namespace tivaro::idle {

class SaverRunner final : public Saver {
public:
    // Raises Failure when `saver` is not an executable file.
    explicit SaverRunner(std::filesystem::path saver);
    SaverRunner(const SaverRunner&) = delete;
    SaverRunner& operator=(const SaverRunner&) = delete;
    // Stops a saver still running.
    ~SaverRunner();

    // `prepare` runs before each start.
    void BeforeEachStart(std::function<void()> prepare) { prepare_ = std::move(prepare); }
    // `gate` gives, before each start, the descriptor the saver gets as its end gate
    // (TIVARO_END_GATE), or -1 for none; the runner closes it once the saver has it.
    void GateEachStart(std::function<int()> gate) { gate_ = std::move(gate); }
    void Start() override;
    bool Running() const override { return pid_ > 0; }
    pid_t Pid() const { return pid_; }
    // Asks the saver to end; its end comes through Reap().
    void End() override;
    // After SIGCHLD: collects the saver if it has ended; true when it ended now without a
    // failure (by itself with 0, or on SIGTERM).
    bool Reap();
    // Ends the saver and waits for it (SIGKILL after 5 s).
    void Stop() noexcept;

private:
    std::filesystem::path saver_;
    std::function<void()> prepare_;
    std::function<int()> gate_;
    pid_t pid_ = 0;
};

}  // namespace tivaro::idle
