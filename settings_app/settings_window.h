// The "Screen Saver" window: the saver's still at the top; when the screen saver starts and
// whether the logon screen comes after it, written to tivaro-idle's settings file at each
// change (there is no Apply); the saver's own settings and a full-screen preview a click away.
#pragma once

#include <gtk/gtk.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "autostart_runner.h"
#include "idle_settings.h"
#include "preview_still.h"

namespace tivaro::settings_app {

class SettingsWindow {
public:
    // Reads the settings file; the window shows its defaults, and says why, when the file
    // cannot be read.
    explicit SettingsWindow(GtkApplication* application);
    SettingsWindow(const SettingsWindow&) = delete;
    SettingsWindow& operator=(const SettingsWindow&) = delete;

    void Present();

private:
    void Build(GtkApplication* application);
    GtkWidget* BuildPreview();
    void ShowStill(cairo_surface_t* picture, const std::string& failure);
    void Load();
    void Save();
    void UpdateNote();
    void UpdateSensitivity();
    void ShowError(const std::string& line);
    void Start(const char* option);

    static void OnEnabled(GObject* toggle, GParamSpec*, gpointer self);
    static void OnMinutes(GtkSpinButton* spin, gpointer self);
    static void OnLock(GtkCheckButton* check, gpointer self);
    static void OnGrace(GtkSpinButton* spin, gpointer self);
    static void OnSaverSettings(GtkButton*, gpointer self);
    static void OnPreview(GtkButton*, gpointer self);
    static void OnScale(GObject* area, GParamSpec*, gpointer self);
    static void DrawStill(GtkDrawingArea* area, cairo_t* cr, int width, int height, gpointer self);

    GtkWidget* window_ = nullptr;
    GtkWidget* enabled_ = nullptr;
    GtkWidget* minutes_ = nullptr;
    GtkWidget* note_ = nullptr;
    GtkWidget* lock_ = nullptr;
    GtkWidget* grace_ = nullptr;
    GtkWidget* error_ = nullptr;
    GtkWidget* preview_ = nullptr;        // the stack: the still, or the line that replaces it
    GtkWidget* still_area_ = nullptr;     // draws still_
    GtkWidget* still_missing_ = nullptr;  // why there is no still
    cairo_surface_t* still_ = nullptr;

    std::filesystem::path file_;  // empty when there is no home to keep it in
    idle::IdleSettings settings_;
    bool autostart_on_ = false;
    std::chrono::seconds gnome_delay_{0};
    AutostartRunner autostart_;
    PreviewStill still_maker_;
};

}  // namespace tivaro::settings_app
