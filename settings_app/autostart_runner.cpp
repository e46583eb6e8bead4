#include "autostart_runner.h"

#include <memory>
#include <stdexcept>

#include "companions.h"

namespace tivaro::settings_app {

AutostartRunner::AutostartRunner(std::function<void(const std::string&)> failed)
    : failed_(std::move(failed)) {}

void AutostartRunner::Want(bool installed) {
    wish_ = installed;
    have_wish_ = true;
    if (!running_) RunNext();
}

void AutostartRunner::RunNext() {
    if (!have_wish_) return;
    have_wish_ = false;
    std::string program;
    try {
        program = FindCompanion("tivaro-idle").string();
    } catch (const std::runtime_error& error) {
        failed_(error.what());
        return;
    }
    GError* error = nullptr;
    GSubprocess* run =
        g_subprocess_new(static_cast<GSubprocessFlags>(G_SUBPROCESS_FLAGS_STDOUT_PIPE |
                                                       G_SUBPROCESS_FLAGS_STDERR_MERGE),
                         &error, program.c_str(), wish_ ? "--install" : "--uninstall", nullptr);
    if (run == nullptr) {
        failed_("cannot run " + program + ": " + error->message);
        g_error_free(error);
        return;
    }
    running_ = true;
    g_subprocess_communicate_utf8_async(run, nullptr, nullptr, OnDone, this);
}

void AutostartRunner::OnDone(GObject* source, GAsyncResult* result, gpointer self) {
    auto* runner = static_cast<AutostartRunner*>(self);
    const std::unique_ptr<GSubprocess, decltype(&g_object_unref)> run(G_SUBPROCESS(source),
                                                                      g_object_unref);
    char* out = nullptr;
    GError* error = nullptr;
    const bool read =
        g_subprocess_communicate_utf8_finish(run.get(), result, &out, nullptr, &error);
    std::string said = out != nullptr ? out : "";
    g_free(out);
    if (!read) {
        said = error->message;
        g_error_free(error);
    }
    while (!said.empty() && said.back() == '\n') said.pop_back();
    runner->running_ = false;
    if (!read || !g_subprocess_get_successful(run.get())) runner->failed_(said);
    runner->RunNext();
}

}  // namespace tivaro::settings_app
