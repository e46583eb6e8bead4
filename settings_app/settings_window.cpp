#include "settings_window.h"

#include <stdexcept>
#include <system_error>

#include "companions.h"
#include "config_home.h"
#include "failure.h"
#include "gnome_delay.h"

namespace tivaro::settings_app {
namespace {

namespace fs = std::filesystem;

GtkWidget* Label(const char* text) {
    GtkWidget* label = gtk_label_new(text);
    gtk_label_set_xalign(GTK_LABEL(label), 0.0F);
    return label;
}

GtkWidget* Spin(int lowest, int highest, const char* name) {
    GtkWidget* spin = gtk_spin_button_new_with_range(lowest, highest, 1);
    gtk_spin_button_set_numeric(GTK_SPIN_BUTTON(spin), TRUE);
    gtk_accessible_update_property(GTK_ACCESSIBLE(spin), GTK_ACCESSIBLE_PROPERTY_LABEL, name, -1);
    return spin;
}

// The preview's size in the window, as the preview pane of the system's own settings.
constexpr int kStillWidth = 152;
constexpr int kStillHeight = 112;

int Value(GtkSpinButton* spin) {
    return gtk_spin_button_get_value_as_int(spin);
}

}  // namespace

SettingsWindow::SettingsWindow(GtkApplication* application)
    : autostart_([this](const std::string& line) { ShowError(line); }),
      still_maker_([this](cairo_surface_t* picture, const std::string& failure) {
          ShowStill(picture, failure);
      }) {
    Build(application);
    Load();
}

void SettingsWindow::Present() {
    gtk_window_present(GTK_WINDOW(window_));
}

void SettingsWindow::Build(GtkApplication* application) {
    window_ = gtk_application_window_new(application);
    gtk_window_set_title(GTK_WINDOW(window_), "Screen Saver");
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);

    // The preview above the settings.
    GtkWidget* page = gtk_box_new(GTK_ORIENTATION_VERTICAL, 18);
    for (auto* set_margin : {gtk_widget_set_margin_top, gtk_widget_set_margin_bottom,
                             gtk_widget_set_margin_start, gtk_widget_set_margin_end})
        set_margin(page, 18);
    gtk_window_set_child(GTK_WINDOW(window_), page);
    gtk_box_append(GTK_BOX(page), BuildPreview());

    GtkWidget* grid = gtk_grid_new();
    gtk_grid_set_row_spacing(GTK_GRID(grid), 12);
    gtk_grid_set_column_spacing(GTK_GRID(grid), 12);
    gtk_box_append(GTK_BOX(page), grid);

    // Start the screen saver after [5] minutes                        [on]
    GtkWidget* after = Label("Start the screen saver after");
    minutes_ = Spin(1, idle::kLongestMinutes, "Minutes");
    enabled_ = gtk_switch_new();
    gtk_accessible_update_property(GTK_ACCESSIBLE(enabled_), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                   "Start the screen saver after", -1);
    gtk_widget_set_halign(enabled_, GTK_ALIGN_END);
    gtk_widget_set_valign(enabled_, GTK_ALIGN_CENTER);
    gtk_widget_set_hexpand(enabled_, TRUE);
    gtk_grid_attach(GTK_GRID(grid), after, 0, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), minutes_, 1, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), Label("minutes"), 2, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), enabled_, 3, 0, 1, 1);

    note_ = Label("");
    gtk_label_set_wrap(GTK_LABEL(note_), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(note_), 50);
    gtk_widget_add_css_class(note_, "dim-label");
    gtk_grid_attach(GTK_GRID(grid), note_, 0, 1, 4, 1);

    // [x] On resume, display logon screen
    //     only after the screen saver ran [5] seconds
    lock_ = gtk_check_button_new_with_label("On resume, display logon screen");
    gtk_grid_attach(GTK_GRID(grid), lock_, 0, 2, 4, 1);
    GtkWidget* grace_label = Label("Only once the screen saver has run");
    gtk_widget_set_margin_start(grace_label, 28);
    grace_ = Spin(0, idle::kLongestGraceSeconds, "Seconds");
    gtk_grid_attach(GTK_GRID(grid), grace_label, 0, 3, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), grace_, 1, 3, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), Label("seconds"), 2, 3, 1, 1);

    error_ = Label("");
    gtk_label_set_wrap(GTK_LABEL(error_), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(error_), 50);
    gtk_widget_add_css_class(error_, "error");
    gtk_widget_set_visible(error_, FALSE);
    gtk_grid_attach(GTK_GRID(grid), error_, 0, 4, 4, 1);

    GtkWidget* buttons = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
    gtk_widget_set_halign(buttons, GTK_ALIGN_END);
    gtk_widget_set_margin_top(buttons, 6);
    GtkWidget* saver_settings = gtk_button_new_with_label("Settings…");
    GtkWidget* preview = gtk_button_new_with_label("Preview");
    gtk_box_append(GTK_BOX(buttons), saver_settings);
    gtk_box_append(GTK_BOX(buttons), preview);
    gtk_grid_attach(GTK_GRID(grid), buttons, 0, 5, 4, 1);

    g_signal_connect(enabled_, "notify::active", G_CALLBACK(OnEnabled), this);
    g_signal_connect(minutes_, "value-changed", G_CALLBACK(OnMinutes), this);
    g_signal_connect(lock_, "toggled", G_CALLBACK(OnLock), this);
    g_signal_connect(grace_, "value-changed", G_CALLBACK(OnGrace), this);
    g_signal_connect(saver_settings, "clicked", G_CALLBACK(OnSaverSettings), this);
    g_signal_connect(preview, "clicked", G_CALLBACK(OnPreview), this);
}

GtkWidget* SettingsWindow::BuildPreview() {
    // The still, drawn by the saver itself; where it cannot be had, a line in its place says
    // why. (Not in a GtkFrame: its rounded corners would cut the still's.)
    still_area_ = GTK_WIDGET(
        g_object_new(GTK_TYPE_DRAWING_AREA, "accessible-role", GTK_ACCESSIBLE_ROLE_IMG, nullptr));
    gtk_drawing_area_set_content_width(GTK_DRAWING_AREA(still_area_), kStillWidth);
    gtk_drawing_area_set_content_height(GTK_DRAWING_AREA(still_area_), kStillHeight);
    gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(still_area_), DrawStill, this, nullptr);
    gtk_accessible_update_property(GTK_ACCESSIBLE(still_area_), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                   "Preview of the screen saver", -1);
    gtk_widget_set_halign(still_area_, GTK_ALIGN_CENTER);
    gtk_widget_set_valign(still_area_, GTK_ALIGN_CENTER);

    // The line takes the still's height, so that nothing below it moves.
    still_missing_ = gtk_label_new("");
    gtk_label_set_wrap(GTK_LABEL(still_missing_), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(still_missing_), 40);
    gtk_label_set_justify(GTK_LABEL(still_missing_), GTK_JUSTIFY_CENTER);
    gtk_widget_set_size_request(still_missing_, -1, kStillHeight);
    gtk_widget_add_css_class(still_missing_, "dim-label");
    gtk_widget_set_visible(still_missing_, FALSE);

    GtkWidget* preview = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_box_append(GTK_BOX(preview), still_area_);
    gtk_box_append(GTK_BOX(preview), still_missing_);

    g_signal_connect(still_area_, "notify::scale-factor", G_CALLBACK(OnScale), this);
    still_maker_.Make(kStillWidth, kStillHeight, gtk_widget_get_scale_factor(still_area_));
    return preview;
}

void SettingsWindow::ShowStill(cairo_surface_t* picture, const std::string& failure) {
    if (still_ != nullptr) cairo_surface_destroy(still_);
    still_ = picture != nullptr ? cairo_surface_reference(picture) : nullptr;
    gtk_widget_set_visible(still_area_, still_ != nullptr);
    gtk_widget_set_visible(still_missing_, still_ == nullptr);
    if (still_ != nullptr) {
        gtk_widget_queue_draw(still_area_);
        return;
    }
    const std::string line = "No preview: " + failure;
    gtk_label_set_text(GTK_LABEL(still_missing_), line.c_str());
}

void SettingsWindow::OnScale(GObject* area, GParamSpec*, gpointer self) {
    static_cast<SettingsWindow*>(self)->still_maker_.Make(
        kStillWidth, kStillHeight, gtk_widget_get_scale_factor(GTK_WIDGET(area)));
}

void SettingsWindow::DrawStill(GtkDrawingArea*, cairo_t* cr, int, int, gpointer self) {
    auto* window = static_cast<SettingsWindow*>(self);
    // Black, as the saver's screen, until the still comes.
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    if (window->still_ == nullptr) return;
    cairo_set_source_surface(cr, window->still_, 0, 0);
    cairo_paint(cr);
}

void SettingsWindow::Load() {
    try {
        file_ = idle::IdleSettingsPath();
        autostart_on_ = fs::exists(idle::AutostartEntryPath());
    } catch (const idle::Failure& error) {
        ShowError(error.what());
        gtk_widget_set_sensitive(gtk_window_get_child(GTK_WINDOW(window_)), FALSE);
        return;
    }
    try {
        settings_ = idle::ReadIdleSettings(file_);
    } catch (const idle::SettingsError& error) {
        ShowError(std::string(error.what()) +
                  "; shown are the defaults, which replace it at "
                  "the first change");
    }
    gnome_delay_ = GnomeBlankDelay();
    // Set before the handlers could run: they are blocked while the file's values go in.
    for (GtkWidget* widget : {enabled_, minutes_, lock_, grace_})
        g_signal_handlers_block_matched(widget, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr, this);
    gtk_switch_set_active(GTK_SWITCH(enabled_), settings_.enabled && autostart_on_);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(minutes_), settings_.minutes);
    gtk_check_button_set_active(GTK_CHECK_BUTTON(lock_), settings_.lock_on_resume);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(grace_), settings_.lock_grace_seconds);
    for (GtkWidget* widget : {enabled_, minutes_, lock_, grace_})
        g_signal_handlers_unblock_matched(widget, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr,
                                          this);
    UpdateNote();
    UpdateSensitivity();
}

void SettingsWindow::Save() {
    try {
        idle::WriteIdleSettings(settings_, file_);
        gtk_widget_set_visible(error_, FALSE);
    } catch (const idle::SettingsError& error) {
        ShowError(error.what());
    } catch (const std::system_error& error) {
        ShowError(error.what());
    }
}

void SettingsWindow::UpdateNote() {
    const std::string note = GnomeDelayNote(gnome_delay_, settings_.minutes);
    gtk_label_set_text(GTK_LABEL(note_), note.c_str());
    gtk_widget_set_visible(note_, !note.empty());
}

void SettingsWindow::UpdateSensitivity() {
    gtk_widget_set_sensitive(grace_, settings_.lock_on_resume);
}

void SettingsWindow::ShowError(const std::string& line) {
    gtk_label_set_text(GTK_LABEL(error_), line.c_str());
    gtk_widget_set_visible(error_, TRUE);
}

void SettingsWindow::Start(const char* option) {
    try {
        StartDetached("tivaro", {option});
    } catch (const std::runtime_error& error) {
        ShowError(error.what());
    }
}

void SettingsWindow::OnEnabled(GObject* toggle, GParamSpec*, gpointer self) {
    auto* window = static_cast<SettingsWindow*>(self);
    const bool on = gtk_switch_get_active(GTK_SWITCH(toggle)) != FALSE;
    window->settings_.enabled = on;
    window->Save();
    window->autostart_.Want(on);
}

void SettingsWindow::OnMinutes(GtkSpinButton* spin, gpointer self) {
    auto* window = static_cast<SettingsWindow*>(self);
    window->settings_.minutes = Value(spin);
    window->Save();
    window->UpdateNote();
}

void SettingsWindow::OnLock(GtkCheckButton* check, gpointer self) {
    auto* window = static_cast<SettingsWindow*>(self);
    window->settings_.lock_on_resume = gtk_check_button_get_active(check) != FALSE;
    window->Save();
    window->UpdateSensitivity();
}

void SettingsWindow::OnGrace(GtkSpinButton* spin, gpointer self) {
    auto* window = static_cast<SettingsWindow*>(self);
    window->settings_.lock_grace_seconds = Value(spin);
    window->Save();
}

void SettingsWindow::OnSaverSettings(GtkButton*, gpointer self) {
    static_cast<SettingsWindow*>(self)->Start("/c");
}

void SettingsWindow::OnPreview(GtkButton*, gpointer self) {
    static_cast<SettingsWindow*>(self)->Start("/s");
}

}  // namespace tivaro::settings_app
