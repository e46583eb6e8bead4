// Watches a square of the screen as fast as the server answers and says how often a colour
// showed in it: "<samples> <times seen>" once standard input closes or says "stop". A
// moment in which the colour shows, however short, is seen in many samples.
// Usage: watch_colour X Y RRGGBB  (a 32 x 32 square from X, Y on the root window)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: watch_colour X Y RRGGBB\n");
        return 2;
    }
    const int x = std::atoi(argv[1]);
    const int y = std::atoi(argv[2]);
    const unsigned long colour = std::strtoul(argv[3], nullptr, 16);
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 1;
    const Window root = DefaultRootWindow(display);
    std::printf("ready\n");
    std::fflush(stdout);
    long samples = 0;
    long seen = 0;
    for (;;) {
        pollfd in{STDIN_FILENO, POLLIN, 0};
        if (poll(&in, 1, 0) > 0) break;  // "stop", or the end of the input
        XImage* image = XGetImage(display, root, x, y, 32, 32, AllPlanes, ZPixmap);
        if (image == nullptr) continue;
        bool found = false;
        for (int j = 0; j < 32 && !found; j += 4) {
            for (int i = 0; i < 32 && !found; i += 4) found = XGetPixel(image, i, j) == colour;
        }
        XDestroyImage(image);
        ++samples;
        seen += found ? 1 : 0;
    }
    std::printf("%ld %ld\n", samples, seen);
    XCloseDisplay(display);
    return 0;
}
