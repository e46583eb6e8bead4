// A stand-in for the system's preview pane: a plain X window of the given size that
// prints its id, then destroys itself when told to ("destroy" on standard input) or
// when its standard input closes.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    unsigned width = 152;
    unsigned height = 112;
    if (argc > 1 && std::sscanf(argv[1], "%ux%u", &width, &height) != 2) {
        std::fprintf(stderr, "usage: test_pane WIDTHxHEIGHT\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 1;
    const int screen = DefaultScreen(display);
    Window pane = XCreateSimpleWindow(display, RootWindow(display, screen), 20, 20, width, height,
                                      0, 0, WhitePixel(display, screen));
    XStoreName(display, pane, "test pane");
    XMapWindow(display, pane);
    XSync(display, False);
    std::printf("%lu\n", pane);
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line) && line != "destroy") {
    }
    XDestroyWindow(display, pane);
    XSync(display, False);
    std::printf("destroyed\n");
    std::fflush(stdout);
    // Stay connected until told to go, so the test controls when the server sees us leave.
    std::getline(std::cin, line);
    XCloseDisplay(display);
    return 0;
}
