#include "platform/input/input.h"

namespace tivaro::platform {

void InputFunnel::Deliver(Event event, std::vector<Event>& out, const Point* owner_at) const {
    const bool key = event.type == EventType::KeyDown || event.type == EventType::KeyUp;
    const bool button = event.type == EventType::ButtonDown || event.type == EventType::ButtonUp;
    if (owner_ != 0 && (key || button)) {
        event.window = owner_;
        if (button && owner_at != nullptr) {
            event.x = owner_at->x;
            event.y = owner_at->y;
        }
    }
    out.push_back(event);
}

}  // namespace tivaro::platform
