// The preview's still for the settings window: the saver draws it itself, as a PNG on its
// standard output (tivaro --still), and this reads it into a cairo picture. The run is
// asynchronous and limited in time, so that a saver that cannot draw, is missing or hangs
// costs the window nothing but a line saying so.
#pragma once

#include <cairo.h>
#include <gio/gio.h>

#include <chrono>
#include <functional>
#include <string>

namespace tivaro::settings_app {

class PreviewStill {
public:
    // The picture (device-scaled: `scale` pixels to a unit; the callee takes a reference)
    // or, when it could not be made, nullptr and why, in one line.
    using Done = std::function<void(cairo_surface_t* picture, const std::string& failure)>;

    explicit PreviewStill(Done done);
    ~PreviewStill();
    PreviewStill(const PreviewStill&) = delete;
    PreviewStill& operator=(const PreviewStill&) = delete;

    // Asks for a still of `width` x `height` units at `scale`; a run still going finishes
    // first and the last wish follows it.
    void Make(int width, int height, int scale);

    // The largest display scale the saver draws the still at; GTK scales it further.
    static constexpr int kLargestScale = 4;
    // How long the saver has to draw the still before it is stopped.
    static constexpr std::chrono::seconds kLongest{10};

private:
    void RunNext();
    static void OnDone(GObject* source, GAsyncResult* result, gpointer self);
    static gboolean OnTooLong(gpointer self);

    Done done_;
    GSubprocess* run_ = nullptr;
    guint timer_ = 0;
    bool too_long_ = false;
    int scale_ = 1;
    bool have_wish_ = false;
    int wish_width_ = 0;
    int wish_height_ = 0;
    int wish_scale_ = 1;
};

}  // namespace tivaro::settings_app
