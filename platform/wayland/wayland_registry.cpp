// The compositor's globals: bound as the registry announces them, and every one of them given
// back before the connection closes.
#include <wayland-client.h>

#include <algorithm>
#include <string_view>

#include "fractional-scale-v1-client-protocol.h"
#include "platform/wayland/wayland_backend.h"
#include "platform/wayland/wayland_outputs.h"
#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace tivaro::platform::wayland {
namespace {

// Each global is bound at the version whose events our listeners handle, never higher. The
// listeners start empty and are filled member by member: libwayland adds a member to a
// listener with each new event, and one of a later version than ours is never sent to us,
// so it may stay empty and needs no mention here.
template <typename T>
T* Bind(wl_registry* registry, std::uint32_t name, const wl_interface* interface,
        std::uint32_t offered, std::uint32_t wanted) {
    return static_cast<T*>(wl_registry_bind(registry, name, interface, std::min(offered, wanted)));
}

const xdg_wm_base_listener kWmBaseListener = [] {
    xdg_wm_base_listener l{};
    l.ping = [](void*, xdg_wm_base* base, std::uint32_t serial) { xdg_wm_base_pong(base, serial); };
    return l;
}();

const wl_seat_listener kSeatListener = [] {
    wl_seat_listener l{};
    l.capabilities = [](void* data, wl_seat*, std::uint32_t caps) {
        static_cast<WaylandBackend*>(data)->OnSeatCapabilities(caps);
    };
    l.name = [](void*, wl_seat*, const char*) {};
    return l;
}();

}  // namespace

void WaylandBackend::OnGlobal(wl_registry* registry, std::uint32_t name, const char* interface,
                              std::uint32_t version) {
    const std::string_view what(interface);
    if (what == wl_compositor_interface.name) {
        compositor_ = Bind<wl_compositor>(registry, name, &wl_compositor_interface, version, 4);
    } else if (what == wl_shm_interface.name && shm_ == nullptr) {
        shm_ = Bind<wl_shm>(registry, name, &wl_shm_interface, version, 1);
    } else if (what == wl_seat_interface.name && seat_ == nullptr) {
        seat_ = Bind<wl_seat>(registry, name, &wl_seat_interface, version, 5);
        wl_seat_add_listener(seat_, &kSeatListener, this);
    } else if (what == wl_output_interface.name) {
        AddOutput(registry, name, version);
    } else if (what == xdg_wm_base_interface.name) {
        wm_base_ = Bind<xdg_wm_base>(registry, name, &xdg_wm_base_interface, version, 2);
        xdg_wm_base_add_listener(wm_base_, &kWmBaseListener, this);
    } else if (what == zwlr_layer_shell_v1_interface.name && want_layer_shell_) {
        layer_shell_ =
            Bind<zwlr_layer_shell_v1>(registry, name, &zwlr_layer_shell_v1_interface, version, 4);
    } else if (what == zxdg_output_manager_v1_interface.name) {
        output_manager_ = Bind<zxdg_output_manager_v1>(
            registry, name, &zxdg_output_manager_v1_interface, version, 3);
        for (auto& [output_name, output] : outputs_) AskXdgOutput(*output);
    } else if (what == wp_viewporter_interface.name) {
        viewporter_ = Bind<wp_viewporter>(registry, name, &wp_viewporter_interface, version, 1);
    } else if (what == wp_fractional_scale_manager_v1_interface.name) {
        fractional_manager_ = Bind<wp_fractional_scale_manager_v1>(
            registry, name, &wp_fractional_scale_manager_v1_interface, version, 1);
    }
}

void WaylandBackend::AddOutput(wl_registry* registry, std::uint32_t name, std::uint32_t version) {
    auto output = std::make_unique<OutputState>();
    output->backend = this;
    output->name = name;
    output->output = Bind<wl_output>(registry, name, &wl_output_interface, version, 3);
    wl_output_add_listener(output->output, &kOutputListener, output.get());
    AskXdgOutput(*output);
    outputs_[name] = std::move(output);
}

// The output's logical place, from xdg-output where the compositor has it.
void WaylandBackend::AskXdgOutput(OutputState& output) {
    if (output_manager_ == nullptr || output.xdg_output != nullptr) return;
    output.xdg_output = zxdg_output_manager_v1_get_xdg_output(output_manager_, output.output);
    zxdg_output_v1_add_listener(output.xdg_output, &kXdgOutputListener, &output);
}

void WaylandBackend::OnGlobalRemove(std::uint32_t name) {
    const auto it = outputs_.find(name);
    if (it == outputs_.end()) return;
    // Its surface goes at once: nothing is drawn for an output that is gone.
    for (std::size_t i = surfaces_.size(); i-- > 0;) {
        if (surfaces_[i]->output_name == name) DestroySurface(*surfaces_[i]);
    }
    ReleaseOutput(*it->second);
    outputs_.erase(it);
    display_changed_ = true;
}

void WaylandBackend::ReleaseOutput(OutputState& output) {
    if (output.xdg_output != nullptr) zxdg_output_v1_destroy(output.xdg_output);
    if (wl_output_get_version(output.output) >= WL_OUTPUT_RELEASE_SINCE_VERSION) {
        wl_output_release(output.output);
    } else {
        wl_output_destroy(output.output);
    }
}

// Everything bound from the registry, given back as the connection closes (the backend
// goes with it).
void WaylandBackend::ReleaseGlobals() {
    for (auto& [name, output] : outputs_) ReleaseOutput(*output);
    outputs_.clear();
    if (keyboard_ != nullptr) wl_keyboard_release(keyboard_);
    if (pointer_ != nullptr) wl_pointer_release(pointer_);
    if (seat_ != nullptr) {
        if (wl_seat_get_version(seat_) >= WL_SEAT_RELEASE_SINCE_VERSION) {
            wl_seat_release(seat_);
        } else {
            wl_seat_destroy(seat_);
        }
    }
    if (layer_shell_ != nullptr) {
        if (zwlr_layer_shell_v1_get_version(layer_shell_) >=
            ZWLR_LAYER_SHELL_V1_DESTROY_SINCE_VERSION) {
            zwlr_layer_shell_v1_destroy(layer_shell_);
        } else {
            wl_proxy_destroy(reinterpret_cast<wl_proxy*>(layer_shell_));
        }
    }
    if (wm_base_ != nullptr) xdg_wm_base_destroy(wm_base_);
    if (output_manager_ != nullptr) zxdg_output_manager_v1_destroy(output_manager_);
    if (viewporter_ != nullptr) wp_viewporter_destroy(viewporter_);
    if (fractional_manager_ != nullptr) wp_fractional_scale_manager_v1_destroy(fractional_manager_);
    if (shm_ != nullptr) wl_shm_destroy(shm_);
    if (compositor_ != nullptr) wl_compositor_destroy(compositor_);
    if (registry_ != nullptr) wl_registry_destroy(registry_);
}

}  // namespace tivaro::platform::wayland
