#include "preview_still.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "companions.h"

namespace tivaro::settings_app {
namespace {

// Reads the PNG bytes through cairo's stream reader.
struct PngReader {
    const unsigned char* at;
    gsize left;
};

cairo_status_t ReadPng(void* closure, unsigned char* data, unsigned int length) {
    auto* reader = static_cast<PngReader*>(closure);
    if (length > reader->left) return CAIRO_STATUS_READ_ERROR;
    std::copy(reader->at, reader->at + length, data);
    reader->at += length;
    reader->left -= length;
    return CAIRO_STATUS_SUCCESS;
}

// The first line of what the saver said, without its name.
std::string FirstLine(GBytes* said) {
    gsize size = 0;
    const auto* text =
        static_cast<const char*>(said != nullptr ? g_bytes_get_data(said, &size) : nullptr);
    std::string line(text != nullptr ? text : "", size);
    line = line.substr(0, line.find('\n'));
    if (line.rfind("tivaro: ", 0) == 0) line.erase(0, 8);
    return line;
}

}  // namespace

PreviewStill::PreviewStill(Done done) : done_(std::move(done)) {}

PreviewStill::~PreviewStill() {
    if (timer_ != 0) g_source_remove(timer_);
    if (run_ != nullptr) g_subprocess_force_exit(run_);
}

void PreviewStill::Make(int width, int height, int scale) {
    wish_width_ = width;
    wish_height_ = height;
    wish_scale_ = std::clamp(scale, 1, kLargestScale);
    have_wish_ = true;
    if (run_ == nullptr) RunNext();
}

void PreviewStill::RunNext() {
    if (!have_wish_) return;
    have_wish_ = false;
    scale_ = wish_scale_;
    std::string program;
    try {
        program = FindCompanion("tivaro").string();
    } catch (const std::runtime_error& error) {
        done_(nullptr, error.what());
        return;
    }
    const std::string size = std::to_string(wish_width_ * wish_scale_) + "x" +
                             std::to_string(wish_height_ * wish_scale_) + "@" +
                             std::to_string(wish_scale_);
    GError* error = nullptr;
    run_ = g_subprocess_new(static_cast<GSubprocessFlags>(G_SUBPROCESS_FLAGS_STDOUT_PIPE |
                                                          G_SUBPROCESS_FLAGS_STDERR_PIPE),
                            &error, program.c_str(), "--still", size.c_str(), "-", nullptr);
    if (run_ == nullptr) {
        const std::string why = "cannot run " + program + ": " + error->message;
        g_error_free(error);
        done_(nullptr, why);
        return;
    }
    too_long_ = false;
    timer_ = g_timeout_add_seconds(static_cast<guint>(kLongest.count()), OnTooLong, this);
    g_subprocess_communicate_async(run_, nullptr, nullptr, OnDone, this);
}

gboolean PreviewStill::OnTooLong(gpointer self) {
    auto* still = static_cast<PreviewStill*>(self);
    still->timer_ = 0;
    still->too_long_ = true;
    if (still->run_ != nullptr) g_subprocess_force_exit(still->run_);
    return G_SOURCE_REMOVE;
}

void PreviewStill::OnDone(GObject* source, GAsyncResult* result, gpointer self) {
    auto* still = static_cast<PreviewStill*>(self);
    const std::unique_ptr<GSubprocess, decltype(&g_object_unref)> run(G_SUBPROCESS(source),
                                                                      g_object_unref);
    still->run_ = nullptr;
    if (still->timer_ != 0) {
        g_source_remove(still->timer_);
        still->timer_ = 0;
    }
    GBytes* out = nullptr;
    GBytes* said = nullptr;
    GError* error = nullptr;
    const bool read = g_subprocess_communicate_finish(run.get(), result, &out, &said, &error);
    const std::unique_ptr<GBytes, decltype(&g_bytes_unref)> out_held(out, g_bytes_unref);
    const std::unique_ptr<GBytes, decltype(&g_bytes_unref)> said_held(said, g_bytes_unref);
    if (!read) {
        const std::string why = error->message;
        g_error_free(error);
        still->done_(nullptr, why);
    } else if (still->too_long_) {
        still->done_(nullptr, "the saver took longer than " + std::to_string(kLongest.count()) +
                                  " s to draw it");
    } else if (!g_subprocess_get_successful(run.get())) {
        std::string why = FirstLine(said);
        if (why.empty()) {
            why = g_subprocess_get_if_signaled(run.get())
                      ? "the saver ended on signal " +
                            std::to_string(g_subprocess_get_term_sig(run.get()))
                      : "the saver failed without a word";
        }
        still->done_(nullptr, why);
    } else {
        gsize size = 0;
        PngReader reader{static_cast<const unsigned char*>(g_bytes_get_data(out, &size)), size};
        cairo_surface_t* picture = cairo_image_surface_create_from_png_stream(ReadPng, &reader);
        if (cairo_surface_status(picture) != CAIRO_STATUS_SUCCESS) {
            // (cairo tells a broken PNG from no memory poorly: its status is not shown.)
            cairo_surface_destroy(picture);
            const std::string why = "the saver's answer is not a PNG picture";
            still->done_(nullptr, why);
        } else {
            cairo_surface_set_device_scale(picture, still->scale_, still->scale_);
            still->done_(picture, "");
            cairo_surface_destroy(picture);
        }
    }
    still->RunNext();
}

}  // namespace tivaro::settings_app
