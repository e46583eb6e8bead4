#include "platform/picture/picture_backend.h"

#include <algorithm>

#include "platform/nested_bounds.h"
#include "toolkit/runtime/errors.h"

namespace tivaro::platform::picture {
namespace {

// Deeper than any form's controls: a parent chain longer than this is a loop.
constexpr int kMaxDepth = 16;

// The runtime's colour value (red in the low byte) as a pixel (red in the third byte).
std::uint32_t PixelOf(std::uint32_t colour) {
    return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

}  // namespace

PictureBackend::PictureBackend(Point size, std::int32_t dpi) : size_(size), dpi_(dpi) {
    windows_[kPane] = Window{0, Rect{0, 0, size.x, size.y}, true, 0, {}};
}

std::vector<Output> PictureBackend::Outputs() {
    return {Output{Rect{0, 0, size_.x, size_.y}, size_, dpi_ / 96.0, true}};
}

CoverAnswer PictureBackend::Cover(const CoverRequest& /*request*/) {
    throw rt::SetupError("a picture has no screen for the saver to cover");
}

GlContext PictureBackend::CreateContext(NativeWindow /*window*/) {
    throw rt::SetupError("a picture has no OpenGL");
}

NativeWindow PictureBackend::MakeWindow(const WindowDesc& desc) {
    const NativeWindow id = next_id_++;
    windows_[id] = Window{desc.parent, desc.bounds, false, desc.back_colour, {}};
    return id;
}

void PictureBackend::DestroyWindow(NativeWindow window) {
    if (window == kPane) return;
    std::vector<NativeWindow> going{window};
    for (std::size_t i = 0; i < going.size(); ++i) {
        if (windows_.erase(going[i]) == 0) continue;
        for (const auto& [id, w] : windows_) {
            if (w.parent == going[i]) going.push_back(id);
        }
    }
}

void PictureBackend::ShowWindow(NativeWindow window, bool visible) {
    if (auto it = windows_.find(window); it != windows_.end()) it->second.visible = visible;
}

void PictureBackend::SetBounds(NativeWindow window, const Rect& bounds) {
    if (window == kPane) return;
    if (auto it = windows_.find(window); it != windows_.end()) it->second.bounds = bounds;
}

void PictureBackend::SetParent(NativeWindow window, NativeWindow parent) {
    if (window == kPane) return;
    if (auto it = windows_.find(window); it != windows_.end()) it->second.parent = parent;
}

std::optional<Rect> PictureBackend::GetWindowRect(NativeWindow window) {
    return NestedBounds(windows_, window, [](const auto& w) { return w.parent != 0; });
}

bool PictureBackend::IsWindow(NativeWindow window) {
    return windows_.count(window) != 0;
}

void PictureBackend::Present(NativeWindow window, const PixelView& image, Point at) {
    const auto it = windows_.find(window);
    if (it == windows_.end()) return;
    Window& w = it->second;
    const std::int32_t width = std::max(0, w.bounds.right - w.bounds.left);
    const std::int32_t height = std::max(0, w.bounds.bottom - w.bounds.top);
    if (w.shown.width != width || w.shown.height != height) {
        w.shown = Picture{width, height,
                          std::vector<std::uint32_t>(
                              static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                              PixelOf(w.back_colour))};
    }
    for (std::int32_t y = 0; y < image.height; ++y) {
        const std::int32_t ty = at.y + y;
        if (ty < 0 || ty >= height) continue;
        for (std::int32_t x = 0; x < image.width; ++x) {
            const std::int32_t tx = at.x + x;
            if (tx < 0 || tx >= width) continue;
            w.shown.pixels[static_cast<std::size_t>(ty) * static_cast<std::size_t>(width) +
                           static_cast<std::size_t>(tx)] =
                image.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.stride) +
                             static_cast<std::size_t>(x)];
        }
    }
}

void PictureBackend::ShowBackColour(NativeWindow window) {
    if (auto it = windows_.find(window); it != windows_.end()) it->second.shown = Picture{};
}

void PictureBackend::Draw(NativeWindow window, Point origin, Picture& into, int depth) const {
    const Window& w = windows_.at(window);
    const Point at{origin.x + w.bounds.left, origin.y + w.bounds.top};
    const std::int32_t width = w.bounds.right - w.bounds.left;
    const std::int32_t height = w.bounds.bottom - w.bounds.top;
    // A window that presented nothing is filled with its back colour by the system.
    for (std::int32_t y = std::max(0, -at.y); y < height && at.y + y < into.height; ++y) {
        for (std::int32_t x = std::max(0, -at.x); x < width && at.x + x < into.width; ++x) {
            const bool drawn = x < w.shown.width && y < w.shown.height;
            into.pixels[static_cast<std::size_t>(at.y + y) * static_cast<std::size_t>(into.width) +
                        static_cast<std::size_t>(at.x + x)] =
                drawn ? w.shown.pixels[static_cast<std::size_t>(y) *
                                           static_cast<std::size_t>(w.shown.width) +
                                       static_cast<std::size_t>(x)]
                      : PixelOf(w.back_colour);
        }
    }
    if (depth >= kMaxDepth) return;
    for (const auto& [id, child] : windows_) {
        if (child.parent == window && child.visible) Draw(id, at, into, depth + 1);
    }
}

Picture PictureBackend::PanePicture() const {
    Picture pane{size_.x, size_.y,
                 std::vector<std::uint32_t>(
                     static_cast<std::size_t>(size_.x) * static_cast<std::size_t>(size_.y), 0)};
    // The pane's own bounds are its size from (0, 0): its children lie from its corner.
    Draw(kPane, Point{}, pane, 0);
    return pane;
}

}  // namespace tivaro::platform::picture
