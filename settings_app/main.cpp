// tivaro-settings: the "Screen Saver" settings window (GTK 4).
#include <gtk/gtk.h>

#include <memory>

#include "settings_window.h"

namespace {

void OnActivate(GtkApplication* application, gpointer window) {
    auto* owner = static_cast<std::unique_ptr<tivaro::settings_app::SettingsWindow>*>(window);
    if (!*owner) *owner = std::make_unique<tivaro::settings_app::SettingsWindow>(application);
    (*owner)->Present();
}

}  // namespace

int main(int argc, char** argv) {
    // The window's state outlives the loop: a tivaro-idle run still going when it closes
    // answers into it.
    std::unique_ptr<tivaro::settings_app::SettingsWindow> window;
    GtkApplication* application = gtk_application_new(nullptr, G_APPLICATION_DEFAULT_FLAGS);
    g_signal_connect(application, "activate", G_CALLBACK(OnActivate), &window);
    const int status = g_application_run(G_APPLICATION(application), argc, argv);
    g_object_unref(application);
    return status;
}
