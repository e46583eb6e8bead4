// The X11 backend's invisible pointer (see x11_blank_cursor.cpp for why it is made apart).
#pragma once

#include <X11/Xlib.h>

namespace tivaro::platform::x11 {

// A cursor that shows nothing, made without Xlib's cursor-theme hooks.
Cursor MakeBlankCursor(Display* display, Window root);

}  // namespace tivaro::platform::x11
