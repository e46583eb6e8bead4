#include "platform/x11/x11_display_power.h"

namespace tivaro::platform::x11 {

bool DisplayPower::Lit(Clock::time_point now) {
    if (!known_ || now < next_) return lit_;
    next_ = now + std::chrono::milliseconds(500);
    const std::optional<bool> answer = query_();
    known_ = answer.has_value();
    lit_ = answer.value_or(true);
    return lit_;
}

}  // namespace tivaro::platform::x11
