#include "platform/backend.h"

#include <cstdlib>
#include <string>
#include <thread>

#include "platform/cover_layout.h"
#include "platform/runtime/errors.h"

namespace tivaro::platform {
namespace {
Backend* g_backend = nullptr;
}

void Backend::SleepUntil(std::chrono::steady_clock::time_point when) {
    std::this_thread::sleep_until(when);
}

std::vector<Output> Backend::Outputs() {
    return OutputsOfScreenRects(Monitors());
}

CoverAnswer Backend::Cover(const CoverRequest& request) {
    CoverAnswer answer;
    if (request.host != 0) {
        const std::optional<Rect> area = Windows().GetWindowRect(request.host);
        if (!area) {
            throw rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall,
                                   "window " + std::to_string(request.host) + " is not a window");
        }
        Windows().SetParent(request.window, request.host);
        Windows().WatchWindow(request.host);
        const Point size{area->right - area->left, area->bottom - area->top};
        answer.window = Rect{0, 0, size.x, size.y};
        answer.areas.push_back({request.view, answer.window, size});
        return answer;
    }
    if (request.take_input) OwnInput(request.view);
    answer = SpanOutputs(Outputs(), request.view);
    const std::vector<OutputSurface> surfaces = OutputSurfaces(request.view);
    if (!surfaces.empty()) {
        answer.areas.clear();
        answer.bare = false;
        answer.surface_each = true;
        for (const OutputSurface& s : surfaces) {
            answer.areas.push_back({s.surface, Rect{0, 0, s.size.x, s.size.y}, s.size});
        }
    }
    return answer;
}

Backend& Current() {
    if (g_backend == nullptr) std::abort();  // a programming error: no backend chosen
    return *g_backend;
}

void SetCurrent(Backend* backend) {
    g_backend = backend;
}

}  // namespace tivaro::platform
