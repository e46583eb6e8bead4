// A window's bounds on its outermost window: its own offset by those of each window it lies
// in, for window systems that keep their windows as records (a parent and bounds each).
#pragma once

#include <map>
#include <optional>

#include "platform/backend.h"

namespace tivaro::platform {

// `inside(record)` says whether a record lies in its parent. A chain deeper than any form's
// controls (16) is a loop, and stops there.
template <class Record, class Inside>
std::optional<Rect> NestedBounds(const std::map<NativeWindow, Record>& records, NativeWindow window,
                                 Inside inside) {
    auto it = records.find(window);
    if (it == records.end()) return std::nullopt;
    Rect rect = it->second.bounds;
    for (int depth = 0; depth < 16 && inside(it->second); ++depth) {
        it = records.find(it->second.parent);
        if (it == records.end()) break;
        const Rect& outer = it->second.bounds;
        rect = Rect{rect.left + outer.left, rect.top + outer.top, rect.right + outer.left,
                    rect.bottom + outer.top};
    }
    return rect;
}

}  // namespace tivaro::platform
