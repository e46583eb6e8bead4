#include "platform/posix/record_windows.h"

#include <vector>

#include "platform/nested_bounds.h"

namespace tivaro::platform::posix {

NativeWindow RecordWindows::MakeWindow(const WindowDesc& desc) {
    const NativeWindow id = next_id_++;
    records_[id] = Record{desc.kind, desc.parent, desc.bounds, desc.caption};
    if (desc.kind != WindowKind::Child) markers_.Hold(id, desc.caption);
    return id;
}

void RecordWindows::DestroyWindow(NativeWindow window) {
    std::vector<NativeWindow> going{window};
    for (std::size_t i = 0; i < going.size(); ++i) {
        if (records_.erase(going[i]) == 0) continue;
        markers_.Release(going[i]);
        for (const auto& [id, record] : records_) {
            if (record.parent == going[i]) going.push_back(id);
        }
    }
}

void RecordWindows::SetBounds(NativeWindow window, const Rect& bounds) {
    if (auto it = records_.find(window); it != records_.end()) it->second.bounds = bounds;
}

void RecordWindows::SetCaption(NativeWindow window, std::string_view caption) {
    const auto it = records_.find(window);
    if (it == records_.end() || it->second.caption == caption) return;
    it->second.caption = std::string(caption);
    if (it->second.kind == WindowKind::Child) return;
    // The mark follows the caption.
    markers_.Release(window);
    markers_.Hold(window, caption);
}

void RecordWindows::SetParent(NativeWindow window, NativeWindow parent) {
    if (auto it = records_.find(window); it != records_.end()) it->second.parent = parent;
}

std::optional<Rect> RecordWindows::GetWindowRect(NativeWindow window) {
    return NestedBounds(records_, window,
                        [](const auto& r) { return r.kind == WindowKind::Child; });
}

NativeWindow RecordWindows::FindWindowByCaption(std::string_view caption) {
    for (const auto& [id, record] : records_) {
        if (record.kind != WindowKind::Child && record.caption == caption) return id;
    }
    // Another process's window (under this compositor or the session's X server).
    return InstanceMarkers::HeldElsewhere(caption) ? kUnseenWindow : 0;
}

}  // namespace tivaro::platform::posix
