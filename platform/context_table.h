// The GL contexts a backend made, by the handles the portable code holds (GlContext, never
// 0), and the one made current.
#pragma once

#include <map>

#include "platform/backend.h"

namespace tivaro::platform {

template <typename Native>
class ContextTable {
public:
    GlContext Add(Native context) {
        const GlContext handle = next_++;
        contexts_[handle] = context;
        return handle;
    }
    // The native context of `handle`, or nullptr.
    const Native* Find(GlContext handle) const {
        const auto it = contexts_.find(handle);
        return it == contexts_.end() ? nullptr : &it->second;
    }
    // Forgets `handle`; its native context, if it had one, for the caller to destroy.
    const Native* Remove(GlContext handle) {
        const auto it = contexts_.find(handle);
        if (it == contexts_.end()) return nullptr;
        removed_ = it->second;
        contexts_.erase(it);
        return &removed_;
    }
    template <typename F>
    void ForEach(F&& f) const {
        for (const auto& [handle, context] : contexts_) f(context);
    }

private:
    std::map<GlContext, Native> contexts_;
    Native removed_{};
    GlContext next_ = 1;
};

}  // namespace tivaro::platform
