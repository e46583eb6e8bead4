#include <cmath>

#include "app/velkor_b.h"
#include "toolkit/runtime/errors.h"

namespace tivaro::Velkor_B {

float Pi() {
    return rt::StoreF32(4.0 * std::atan(1.0));
}

double Log2(float x) {
    if (!(x > 0.0f)) rt::Raise(rt::ErrorNumber::InvalidProcedureCall);
    return std::log(static_cast<double>(x)) / std::log(2.0);
}

void SetSystemKeysEnabled(rt::Bool16 enabled) {
    // uiParam is the bitwise complement of enabled: any value but true (-1) sets the flag.
    platform::Current().SetScreenSaverRunning(enabled != rt::kTrue);
}

}  // namespace tivaro::Velkor_B
