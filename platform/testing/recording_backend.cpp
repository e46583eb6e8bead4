#include "platform/testing/recording_backend.h"

#include <algorithm>

#include <sstream>

#include "platform/cover_layout.h"

namespace tivaro::platform::testing {
namespace {

const char* KindName(WindowKind kind) {
    switch (kind) {
        case WindowKind::TopLevelPlain:
            return "TopLevelPlain";
        case WindowKind::TopLevelDialog:
            return "TopLevelDialog";
        case WindowKind::Child:
            return "Child";
    }
    return "?";
}

std::string RectText(const Rect& r) {
    std::ostringstream s;
    s << r.left << ',' << r.top << ',' << (r.right - r.left) << 'x' << (r.bottom - r.top);
    return s.str();
}

}  // namespace

RecordingBackend::RecordingBackend(Backend* forward) : forward_(forward) {
    // Installs itself for the test's lifetime; the previous backend comes back after.
    previous_ = nullptr;
    SetCurrent(this);
}

RecordingBackend::~RecordingBackend() {
    SetCurrent(previous_);
}

int RecordingBackend::Count(const std::string& prefix) const {
    int n = 0;
    for (const auto& c : calls) n += c.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
}

NativeWindow RecordingBackend::MakeWindow(const WindowDesc& desc) {
    const NativeWindow id =
        forward_ != nullptr ? forward_->Windows().MakeWindow(desc) : next_window_++;
    windows[id] = RecordedWindow{desc, desc.parent, false, false};
    calls.push_back("MakeWindow " + std::string(KindName(desc.kind)) +
                    " parent=" + std::to_string(desc.parent) + " " + RectText(desc.bounds) +
                    (desc.caption.empty() ? "" : " \"" + desc.caption + "\""));
    if (!desc.caption.empty() && desc.kind != WindowKind::Child) captions[desc.caption] = id;
    return id;
}

void RecordingBackend::DestroyWindow(NativeWindow window) {
    calls.push_back("DestroyWindow " + std::to_string(window));
    if (forward_ != nullptr) forward_->Windows().DestroyWindow(window);
    auto it = windows.find(window);
    if (it != windows.end()) {
        it->second.destroyed = true;
        for (auto c = captions.begin(); c != captions.end();) {
            c = c->second == window ? captions.erase(c) : std::next(c);
        }
    }
}

void RecordingBackend::ShowWindow(NativeWindow window, bool visible) {
    calls.push_back(std::string(visible ? "ShowWindow " : "HideWindow ") + std::to_string(window));
    if (forward_ != nullptr) forward_->Windows().ShowWindow(window, visible);
    if (auto it = windows.find(window); it != windows.end()) it->second.visible = visible;
}

void RecordingBackend::SetBounds(NativeWindow window, const Rect& bounds) {
    calls.push_back("SetBounds " + std::to_string(window) + " " + RectText(bounds));
    if (forward_ != nullptr) forward_->Windows().SetBounds(window, bounds);
    if (auto it = windows.find(window); it != windows.end()) it->second.desc.bounds = bounds;
}

void RecordingBackend::SetCaption(NativeWindow window, std::string_view caption) {
    calls.push_back("SetCaption " + std::to_string(window) + " \"" + std::string(caption) + "\"");
    if (forward_ != nullptr) forward_->Windows().SetCaption(window, caption);
}

void RecordingBackend::SetParent(NativeWindow window, NativeWindow parent) {
    calls.push_back("SetParent " + std::to_string(window) + " " + std::to_string(parent));
    if (forward_ != nullptr) forward_->Windows().SetParent(window, parent);
    if (auto it = windows.find(window); it != windows.end()) it->second.parent = parent;
}

void RecordingBackend::SetIcon(NativeWindow window, const PixelView& icon) {
    calls.push_back("SetIcon " + std::to_string(window) + " " + std::to_string(icon.width) + "x" +
                    std::to_string(icon.height));
    if (forward_ != nullptr) forward_->Windows().SetIcon(window, icon);
}

void RecordingBackend::WatchWindow(NativeWindow window) {
    calls.push_back("WatchWindow " + std::to_string(window));
    if (forward_ != nullptr) forward_->Windows().WatchWindow(window);
}

std::optional<Rect> RecordingBackend::GetWindowRect(NativeWindow window) {
    calls.push_back("GetWindowRect " + std::to_string(window));
    if (forward_ != nullptr) return forward_->Windows().GetWindowRect(window);
    if (auto it = foreign_windows.find(window); it != foreign_windows.end()) return it->second;
    if (auto it = windows.find(window); it != windows.end() && !it->second.destroyed) {
        return it->second.desc.bounds;
    }
    return std::nullopt;
}

bool RecordingBackend::IsWindow(NativeWindow window) {
    if (forward_ != nullptr) return forward_->Windows().IsWindow(window);
    if (foreign_windows.count(window) != 0) return true;
    auto it = windows.find(window);
    return it != windows.end() && !it->second.destroyed;
}

NativeWindow RecordingBackend::FindWindowByCaption(std::string_view caption) {
    calls.push_back("FindWindow \"" + std::string(caption) + "\"");
    if (forward_ != nullptr) return forward_->Windows().FindWindowByCaption(caption);
    auto it = captions.find(std::string(caption));
    return it == captions.end() ? 0 : it->second;
}

void RecordingBackend::SetFocus(NativeWindow window) {
    calls.push_back("SetFocus " + std::to_string(window));
    if (forward_ != nullptr) forward_->Windows().SetFocus(window);
}

void RecordingBackend::SetPointer(NativeWindow window, Pointer pointer) {
    calls.push_back("SetPointer " + std::to_string(window) + " " +
                    std::to_string(static_cast<int>(pointer)));
    if (forward_ != nullptr) forward_->Windows().SetPointer(window, pointer);
}

void RecordingBackend::PollEvents(std::vector<Event>& out) {
    if (on_poll) on_poll(*this);
    if (forward_ != nullptr) forward_->PollEvents(out);
    out.insert(out.end(), queued_events.begin(), queued_events.end());
    queued_events.clear();
}

void RecordingBackend::WaitEvents(std::int32_t timeout_ms) {
    calls.push_back("WaitEvents " + std::to_string(timeout_ms));
    if (forward_ != nullptr) forward_->WaitEvents(timeout_ms);
}

std::vector<Output> RecordingBackend::Outputs() {
    if (forward_ != nullptr) return forward_->Outputs();
    return OutputsOfScreenRects(monitors.empty() ? std::vector<Rect>{{0, 0, screen.x, screen.y}}
                                                 : monitors);
}

CoverAnswer RecordingBackend::Cover(const CoverRequest& request) {
    calls.push_back("Cover " + std::to_string(request.window) +
                    " view=" + std::to_string(request.view) +
                    (request.host != 0 ? " host=" + std::to_string(request.host) : "") +
                    (request.take_input ? " input" : "") +
                    (request.layer == CoverLayer::Background ? " behind" : ""));
    cover_layer = request.layer;
    if (request.take_input) input_owner = request.view;
    if (forward_ != nullptr) return forward_->Cover(request);
    CoverAnswer answer;
    if (request.host != 0) {
        answer = FillHost(*this, request);
    } else if (!output_surfaces.empty()) {
        answer.surface_each = true;
        for (const OutputSurface& s : output_surfaces) {
            answer.areas.push_back({s.surface, Rect{0, 0, s.size.x, s.size.y}, s.size});
        }
    } else {
        answer = SpanOutputs(Outputs(), request.view);
    }
    return answer;
}

void RecordingBackend::Uncover() {
    calls.push_back("Uncover");
    if (forward_ != nullptr) forward_->Uncover();
}

std::int32_t RecordingBackend::Dpi(NativeWindow window) {
    if (forward_ != nullptr) return forward_->Windows().Dpi(window);
    if (window == 0 && system_dpi > 0) return system_dpi;
    if (auto it = window_dpi.find(window); it != window_dpi.end()) return it->second;
    return dpi;
}

Point RecordingBackend::CursorPos() {
    return forward_ != nullptr ? forward_->Windows().CursorPos() : cursor;
}

NativeWindow RecordingBackend::WindowFromPoint(Point screen_point) {
    return forward_ != nullptr ? forward_->Windows().WindowFromPoint(screen_point)
                               : window_under_cursor;
}

void RecordingBackend::ShowCursor(bool show) {
    calls.push_back(show ? "ShowCursor true" : "ShowCursor false");
    cursor_hidden += show ? -1 : 1;
    if (forward_ != nullptr) forward_->ShowCursor(show);
}

void RecordingBackend::SetScreenSaverRunning(bool running) {
    calls.push_back(running ? "SetScreenSaverRunning true" : "SetScreenSaverRunning false");
    screen_saver_running = running;
    if (forward_ != nullptr) forward_->SetScreenSaverRunning(running);
}

int RecordingBackend::ChoosePixelFormat(NativeWindow window) {
    calls.push_back("ChoosePixelFormat " + std::to_string(window));
    return forward_ != nullptr ? forward_->ChoosePixelFormat(window) : pixel_format;
}

void RecordingBackend::SetPixelFormat(NativeWindow window, int format) {
    calls.push_back("SetPixelFormat " + std::to_string(window) + " " + std::to_string(format));
    if (forward_ != nullptr) forward_->SetPixelFormat(window, format);
}

GlContext RecordingBackend::CreateContext(NativeWindow window) {
    calls.push_back("CreateContext " + std::to_string(window));
    return forward_ != nullptr ? forward_->CreateContext(window) : next_context_++;
}

bool RecordingBackend::ReadyForFrame(NativeWindow surface) {
    if (forward_ != nullptr) return forward_->ReadyForFrame(surface);
    return std::find(not_ready.begin(), not_ready.end(), surface) == not_ready.end();
}

void RecordingBackend::EndingAfterThisFrame() {
    calls.push_back("EndingAfterThisFrame");
    if (forward_ != nullptr) forward_->EndingAfterThisFrame();
}

void RecordingBackend::SleepUntil(std::chrono::steady_clock::time_point when) {
    calls.push_back("SleepUntil");
    if (forward_ != nullptr) {
        forward_->SleepUntil(when);
    } else {
        Backend::SleepUntil(when);
    }
}

void RecordingBackend::MakeCurrent(NativeWindow window, GlContext context) {
    calls.push_back("MakeCurrent " + std::to_string(window) + " " + std::to_string(context));
    if (forward_ != nullptr) forward_->MakeCurrent(window, context);
}

void RecordingBackend::DeleteContext(GlContext context) {
    calls.push_back("DeleteContext " + std::to_string(context));
    if (forward_ != nullptr) forward_->DeleteContext(context);
}

void RecordingBackend::SwapBuffers(NativeWindow window) {
    calls.push_back("SwapBuffers " + std::to_string(window));
    if (forward_ != nullptr) forward_->SwapBuffers(window);
}

void RecordingBackend::Present(NativeWindow window, const PixelView& image, Point at) {
    calls.push_back("Present " + std::to_string(window) + " " + std::to_string(image.width) + "x" +
                    std::to_string(image.height) + " at " + std::to_string(at.x) + "," +
                    std::to_string(at.y));
    auto& pixels = presented[window];
    pixels.clear();
    for (std::int32_t y = 0; y < image.height; ++y) {
        const std::uint32_t* row = image.pixels + static_cast<std::ptrdiff_t>(y) * image.stride;
        pixels.insert(pixels.end(), row, row + image.width);
    }
    if (forward_ != nullptr) forward_->Windows().Present(window, image, at);
}

void RecordingBackend::ShowBackColour(NativeWindow window) {
    calls.push_back("ShowBackColour " + std::to_string(window));
    presented.erase(window);
    if (forward_ != nullptr) forward_->Windows().ShowBackColour(window);
}

void RecordingBackend::OpenAddress(std::string_view address) {
    calls.push_back("OpenAddress " + std::string(address));
    opened_addresses.emplace_back(address);
    if (forward_ != nullptr) forward_->OpenAddress(address);
}

}  // namespace tivaro::platform::testing
