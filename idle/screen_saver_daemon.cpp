#include "screen_saver_daemon.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace tivaro::idle {

bool DaemonMarksDisplay(Display* display) {
    const Atom version = XInternAtom(display, "_SCREENSAVER_VERSION", True);
    if (version == None) return false;
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long left = 0;
    unsigned char* data = nullptr;
    const int status =
        XGetWindowProperty(display, DefaultRootWindow(display), version, 0, 64, False,
                           AnyPropertyType, &type, &format, &items, &left, &data);
    if (data != nullptr) XFree(data);
    return status == Success && type != None;
}

bool DaemonInProcessTable() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        struct stat owner = {};
        if (stat(entry.path().c_str(), &owner) != 0 || owner.st_uid != getuid()) continue;
        std::ifstream comm(entry.path() / "comm");
        std::string name;
        if (std::getline(comm, name) && name == "xscreensaver") return true;
    }
    return false;
}

}  // namespace tivaro::idle
