// Whether the monitors are lit, as the X server's display power management (DPMS) says: while
// they are off the saver draws nothing. The server is asked at most twice a second; a server
// without DPMS is asked once and taken as always lit.
#pragma once

#include <chrono>
#include <functional>
#include <optional>

namespace tivaro::platform::x11 {

class DisplayPower {
public:
    using Clock = std::chrono::steady_clock;
    // Answers whether the monitors are lit; nothing where the server cannot tell.
    using Query = std::function<std::optional<bool>()>;

    explicit DisplayPower(Query query) : query_(std::move(query)) {}

    bool Lit(Clock::time_point now);

private:
    Query query_;
    bool known_ = true;  // false once the server has said it cannot tell
    bool lit_ = true;
    Clock::time_point next_{};
};

}  // namespace tivaro::platform::x11
