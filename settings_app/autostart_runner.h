// Turns tivaro-idle's autostart on and off the way its own --install and --uninstall do, by
// running it so: the entry, and the tivaro-idle of this session, are started or stopped.
// The runs go one at a time, without holding the window up; a switch flipped again while one
// runs gives one more run for the last state asked.
#pragma once

#include <gio/gio.h>

#include <functional>
#include <string>

namespace tivaro::settings_app {

class AutostartRunner {
public:
    // `failed` gets the one line that says why a run failed.
    explicit AutostartRunner(std::function<void(const std::string&)> failed);
    AutostartRunner(const AutostartRunner&) = delete;
    AutostartRunner& operator=(const AutostartRunner&) = delete;

    void Want(bool installed);

private:
    void RunNext();
    static void OnDone(GObject* source, GAsyncResult* result, gpointer self);

    std::function<void(const std::string&)> failed_;
    bool running_ = false;
    bool have_wish_ = false;
    bool wish_ = false;
};

}  // namespace tivaro::settings_app
