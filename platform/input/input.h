// Keys, buttons and where input goes: one vocabulary for the portable code. Each backend
// keeps only its own table from the system's keys and buttons to these, and hands what it
// translated to one InputFunnel, which also sends the saver's input to its owner.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/backend.h"

namespace tivaro::platform {

// Key codes: letters are 'A'-'Z' (whatever the shift), digits '0'-'9', these four are their
// control characters, and any other key is kOtherKey with the low byte of the system's own
// code in it ("any key" ends the saver).
namespace keys {
inline constexpr std::int16_t kTab = 9;
inline constexpr std::int16_t kReturn = 13;
inline constexpr std::int16_t kEscape = 27;
inline constexpr std::int16_t kSpace = 32;
inline constexpr std::int16_t kOtherKey = 0x100;
// A key of the system's that has no code of its own above.
inline std::int16_t Other(std::uint32_t system_code) {
    return static_cast<std::int16_t>(kOtherKey | (system_code & 0xFF));
}
}  // namespace keys

// Buttons, as the events' `button` (and the held buttons of a motion, added up).
namespace buttons {
inline constexpr std::int16_t kLeft = 1;
inline constexpr std::int16_t kRight = 2;
inline constexpr std::int16_t kMiddle = 4;
}  // namespace buttons

// Shift states: added up in the events' `shift`.
namespace shifts {
inline constexpr std::int16_t kShift = 1;
inline constexpr std::int16_t kControl = 2;
inline constexpr std::int16_t kAlt = 4;
}  // namespace shifts

// One line of a backend's table from the system's keys or buttons to the codes above.
struct Translation {
    std::uint32_t system = 0;
    std::int16_t code = 0;
};

// The code `table` gives the system's `key_or_button`, or `otherwise`.
template <std::size_t N>
std::int16_t Translate(const Translation (&table)[N], std::uint32_t key_or_button,
                       std::int16_t otherwise) {
    for (const Translation& t : table) {
        if (t.system == key_or_button) return t.code;
    }
    return otherwise;
}

// Where keys and clicks go. While the saver covers the screen and takes the input, every key
// and click is its view's, whichever of the system's windows or surfaces it came to (a grab
// on X11's root window, a Wayland output's surface); otherwise each goes to its own window.
class InputFunnel {
public:
    // The window that takes every key and click from now on; 0: none.
    void SetOwner(NativeWindow owner) { owner_ = owner; }
    NativeWindow Owner() const { return owner_; }

    // Passes a translated event on. Keys and buttons go to the owner where there is one; a
    // button's position then is `owner_at` (the same point in the owner's pixels), where the
    // backend could say it.
    void Deliver(Event event, std::vector<Event>& out, const Point* owner_at = nullptr) const;

private:
    NativeWindow owner_ = 0;
};

}  // namespace tivaro::platform
