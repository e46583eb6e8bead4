// The X11 module's entry (tivaro-x11.so): Xlib + GLX.
#include "platform/loader/modules.h"
#include "platform/x11/x11_backend.h"

using namespace tivaro::platform;

extern "C" void tivaro_module_open(const loader::OpenRequest& request, loader::Opened& out) {
    auto* backend = new x11::X11Backend(request.take_input_now);
    out.backend = backend;
    out.root = backend->RootWindowId();
}
