// Whether the X screen-saver daemon already runs in this session: it starts savers itself
// (Tivaro among them, once added with tivaro-xscreensaver-add), so a second idle watch would
// only fight it.
#pragma once

struct _XDisplay;

namespace tivaro::idle {

// On X11: the daemon marks the root window with _SCREENSAVER_VERSION while it runs.
bool DaemonMarksDisplay(_XDisplay* display);
// Without an X display to ask: a process of this user named xscreensaver.
bool DaemonInProcessTable();

}  // namespace tivaro::idle
