// What an output says of itself, for the registry to listen to as it binds one.
#pragma once

#include <wayland-client.h>

#include "xdg-output-unstable-v1-client-protocol.h"

namespace tivaro::platform::wayland {

// Their data is the output's WaylandBackend::OutputState.
extern const wl_output_listener kOutputListener;
extern const zxdg_output_v1_listener kXdgOutputListener;

}  // namespace tivaro::platform::wayland
