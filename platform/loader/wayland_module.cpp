// The Wayland module's entry (tivaro-wayland.so): libwayland-client + EGL.
#include "platform/loader/modules.h"
#include "platform/wayland/wayland_backend.h"

using namespace tivaro::platform;

extern "C" void tivaro_module_open(const loader::OpenRequest& request, loader::Opened& out) {
    auto* backend = new wayland::WaylandBackend(request.want_layer_shell);
    out.backend = backend;
    out.has_layer_shell = backend->HasLayerShell();
}

extern "C" bool tivaro_module_compositor_answers() {
    return wayland::WaylandBackend::CompositorAnswers();
}
