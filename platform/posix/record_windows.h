// The program's windows as records, for a window system that gives a program no windows of
// its own to place (Wayland): each form and control keeps its kind, parent, bounds and
// caption here, in layout pixels (96 DPI). Nothing of a record is shown, and presenting in
// one shows nothing: only the saver shows, through its cover of the outputs
// (Backend::Cover). A top-level window's caption is marked for the desktop session while it
// is open (InstanceMarkers), so that a window search in another process finds it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/backend.h"
#include "platform/posix/instance_marker.h"

namespace tivaro::platform::posix {

class RecordWindows final : public WindowSystem {
public:
    NativeWindow MakeWindow(const WindowDesc& desc) override;
    // The window and every window inside it.
    void DestroyWindow(NativeWindow window) override;
    void ShowWindow(NativeWindow /*window*/, bool /*visible*/) override {}
    void SetBounds(NativeWindow window, const Rect& bounds) override;
    void SetCaption(NativeWindow window, std::string_view caption) override;
    void SetParent(NativeWindow window, NativeWindow parent) override;
    // A child's bounds offset by those of the records it lies in.
    std::optional<Rect> GetWindowRect(NativeWindow window) override;
    bool IsWindow(NativeWindow window) override { return records_.count(window) != 0; }
    // A top-level record of ours, else kUnseenWindow where another process holds the mark.
    NativeWindow FindWindowByCaption(std::string_view caption) override;
    void SetFocus(NativeWindow /*window*/) override {}
    void SetPointer(NativeWindow /*window*/, Pointer /*pointer*/) override {}

    // Records are laid out at 100 %: each surface of the cover has its own device scale.
    std::int32_t Dpi(NativeWindow /*window*/) override { return 96; }
    // The pointer's place on the desktop is not known to a program whose windows are not
    // placed on it.
    Point CursorPos() override { return {}; }
    NativeWindow WindowFromPoint(Point /*screen*/) override { return 0; }

    void Present(NativeWindow /*window*/, const PixelView& /*image*/, Point /*at*/) override {}
    void ShowBackColour(NativeWindow /*window*/) override {}

private:
    struct Record {
        WindowKind kind = WindowKind::Child;
        NativeWindow parent = 0;
        Rect bounds;
        std::string caption;
    };

    std::map<NativeWindow, Record> records_;
    NativeWindow next_id_ = 1;
    InstanceMarkers markers_;
};

}  // namespace tivaro::platform::posix
