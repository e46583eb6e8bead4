// Holds the X server's saver off (XScreenSaverSuspend), as a video player does, until its
// input ends; prints "held" once the server has the request.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include <cstdio>
#include <iostream>
#include <string>

int main() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "hold_saver_suspend: cannot open the display\n");
        return 1;
    }
    XScreenSaverSuspend(display, True);
    XSync(display, False);
    std::printf("held\n");
    std::fflush(stdout);
    for (std::string line; std::getline(std::cin, line);) {
    }
    XCloseDisplay(display);  // the server lets the saver go with the connection
    return 0;
}
