// A picture of one KWin output for the tests, through KWin's own org.kde.KWin.ScreenShot2
// (served to anyone when KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1), written to stdout as a
// binary PPM at the output's device resolution:
//
//   kwin_shot OUTPUT [--cursor]     e.g. kwin_shot Virtual-1 --cursor > picture.ppm
//
// --cursor asks KWin to draw the pointer into the picture. KWin answers the call with the
// picture's layout and writes the pixels into a pipe we pass: they are read while the call
// runs, so that a full pipe cannot stall either side.
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

int Fail(const char* what, int r) {
    std::fprintf(stderr, "kwin_shot: %s: %s\n", what, std::strerror(r < 0 ? -r : r));
    return 1;
}

struct Layout {
    std::uint32_t width = 0, height = 0, stride = 0, format = 0;
};

// The reply's a{sv}: the sizes and QImage's format number.
int ReadLayout(sd_bus_message* reply, Layout& layout) {
    int r = sd_bus_message_enter_container(reply, 'a', "{sv}");
    while (r >= 0 && (r = sd_bus_message_enter_container(reply, 'e', "sv")) > 0) {
        const char* key = nullptr;
        if ((r = sd_bus_message_read(reply, "s", &key)) < 0) break;
        std::uint32_t* field = std::strcmp(key, "width") == 0    ? &layout.width
                               : std::strcmp(key, "height") == 0 ? &layout.height
                               : std::strcmp(key, "stride") == 0 ? &layout.stride
                               : std::strcmp(key, "format") == 0 ? &layout.format
                                                                 : nullptr;
        r = field != nullptr ? sd_bus_message_read(reply, "v", "u", field)
                             : sd_bus_message_skip(reply, "v");
        if (r < 0 || (r = sd_bus_message_exit_container(reply)) < 0) break;
    }
    return r < 0 ? r : sd_bus_message_exit_container(reply);
}

int Capture(sd_bus* bus, const char* output, bool cursor, int pipe_in, Layout& layout) {
    sd_bus_message* call = nullptr;
    int r = sd_bus_message_new_method_call(bus, &call, "org.kde.KWin.ScreenShot2",
                                           "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2",
                                           "CaptureScreen");
    if (r < 0) return r;
    sd_bus_message* reply = nullptr;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    if ((r = sd_bus_message_append(call, "sa{sv}h", output, 2, "native-resolution", "b", 1,
                                   "include-cursor", "b", cursor ? 1 : 0, pipe_in)) >= 0) {
        r = sd_bus_call(bus, call, 10 * 1000 * 1000, &error, &reply);
    }
    if (r < 0 && error.message != nullptr) std::fprintf(stderr, "kwin_shot: %s\n", error.message);
    if (r >= 0) r = ReadLayout(reply, layout);
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    sd_bus_message_unref(call);
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || (argc == 3 && std::strcmp(argv[2], "--cursor") != 0) || argc > 3) {
        std::fprintf(stderr, "usage: kwin_shot OUTPUT [--cursor] > picture.ppm\n");
        return 2;
    }
    int ends[2];
    if (pipe(ends) != 0) return Fail("pipe", errno);
    std::vector<unsigned char> pixels;
    std::thread reader([&pixels, in = ends[0]] {
        unsigned char chunk[1 << 16];
        for (ssize_t got; (got = read(in, chunk, sizeof chunk)) > 0;)
            pixels.insert(pixels.end(), chunk, chunk + got);
        close(in);
    });
    sd_bus* bus = nullptr;
    Layout layout;
    int r = sd_bus_open_user(&bus);
    if (r >= 0) r = Capture(bus, argv[1], argc == 3, ends[1], layout);
    close(ends[1]);  // the message held its own copy; KWin's is closed once it has written
    reader.join();
    sd_bus_flush_close_unref(bus);
    if (r < 0) return Fail("CaptureScreen", r);
    // Formats 4 to 6 are QImage's 32-bit ones: 0xAARRGGBB words, B G R A in memory here.
    if (layout.format < 4 || layout.format > 6 || layout.stride < layout.width * 4 ||
        pixels.size() < std::size_t{layout.stride} * layout.height) {
        std::fprintf(stderr,
                     "kwin_shot: unexpected picture: format %u, %ux%u, stride %u, %zu bytes\n",
                     layout.format, layout.width, layout.height, layout.stride, pixels.size());
        return 1;
    }
    std::printf("P6\n%u %u\n255\n", layout.width, layout.height);
    std::vector<unsigned char> row(layout.width * 3);
    for (std::uint32_t y = 0; y < layout.height; ++y) {
        const unsigned char* from = pixels.data() + std::size_t{y} * layout.stride;
        for (std::uint32_t x = 0; x < layout.width; ++x) {
            row[x * 3] = from[x * 4 + 2];
            row[x * 3 + 1] = from[x * 4 + 1];
            row[x * 3 + 2] = from[x * 4];
        }
        std::fwrite(row.data(), 1, row.size(), stdout);
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
