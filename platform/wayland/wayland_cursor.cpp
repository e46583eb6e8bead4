// The pointer's picture over the saver's surfaces: none while the program hides it, else the
// cursor theme's arrow (libwayland-cursor: $XCURSOR_THEME, $XCURSOR_SIZE) at the scale of the
// output under it. A surface the pointer enters takes whatever picture it is given, so each
// entry sets it again.
#include <wayland-client.h>
#include <wayland-cursor.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "platform/wayland/wayland_backend.h"

namespace tivaro::platform::wayland {
namespace {

constexpr int kDefaultCursorSize = 24;

int CursorSize() {
    const char* size = std::getenv("XCURSOR_SIZE");
    const int asked = size != nullptr ? std::atoi(size) : 0;
    return asked > 0 && asked <= 256 ? asked : kDefaultCursorSize;
}

}  // namespace

void WaylandBackend::ShowCursor(bool show) {
    cursor_hidden_ = !show;
    // Ending for the compositor's loss, nothing is asked of it any more.
    if (!lost_ && pointer_on_ != nullptr) ApplyCursor();
}

void WaylandBackend::ApplyCursor() {
    if (pointer_ == nullptr) return;
    if (cursor_hidden_) {
        wl_pointer_set_cursor(pointer_, pointer_serial_, nullptr, 0, 0);
        return;
    }
    std::int32_t scale = 1;
    if (const Surface* on = SurfaceOf(pointer_on_); on != nullptr) {
        if (const auto o = outputs_.find(on->output_name); o != outputs_.end()) {
            scale = std::max(1, o->second->scale);
        }
    }
    wl_cursor_theme* theme = CursorTheme(scale);
    if (theme == nullptr) return;
    wl_cursor* cursor = wl_cursor_theme_get_cursor(theme, "default");
    if (cursor == nullptr) cursor = wl_cursor_theme_get_cursor(theme, "left_ptr");
    if (cursor == nullptr || cursor->image_count == 0) return;
    wl_cursor_image* image = cursor->images[0];
    wl_buffer* buffer = wl_cursor_image_get_buffer(image);
    if (buffer == nullptr) return;
    if (cursor_surface_ == nullptr) cursor_surface_ = wl_compositor_create_surface(compositor_);
    wl_pointer_set_cursor(pointer_, pointer_serial_, cursor_surface_,
                          static_cast<std::int32_t>(image->hotspot_x) / scale,
                          static_cast<std::int32_t>(image->hotspot_y) / scale);
    wl_surface_set_buffer_scale(cursor_surface_, scale);
    wl_surface_attach(cursor_surface_, buffer, 0, 0);
    wl_surface_damage(cursor_surface_, 0, 0, INT32_MAX, INT32_MAX);
    wl_surface_commit(cursor_surface_);
}

// The theme's pictures at `scale` times the cursor size, loaded once; none without wl_shm.
wl_cursor_theme* WaylandBackend::CursorTheme(std::int32_t scale) {
    if (const auto it = cursor_themes_.find(scale); it != cursor_themes_.end()) return it->second;
    if (shm_ == nullptr) return nullptr;
    wl_cursor_theme* theme =
        wl_cursor_theme_load(std::getenv("XCURSOR_THEME"), CursorSize() * scale, shm_);
    cursor_themes_[scale] = theme;
    return theme;
}

void WaylandBackend::ReleaseCursor() {
    for (const auto& [scale, theme] : cursor_themes_) {
        if (theme != nullptr) wl_cursor_theme_destroy(theme);
    }
    cursor_themes_.clear();
    if (cursor_surface_ != nullptr) wl_surface_destroy(cursor_surface_);
    cursor_surface_ = nullptr;
}

}  // namespace tivaro::platform::wayland
