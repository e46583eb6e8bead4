#include "platform/backend.h"

#include <cstdlib>

namespace tivaro::platform {
namespace {
Backend* g_backend = nullptr;
}

Backend& Current() {
    if (g_backend == nullptr) std::abort();  // a programming error: no backend chosen
    return *g_backend;
}

void SetCurrent(Backend* backend) {
    g_backend = backend;
}

}  // namespace tivaro::platform
