// Whether the displays are off, so that no saver draws into dark screens: GNOME's
// org.gnome.Mutter.DisplayConfig PowerSaveMode (0 on, 1 standby, 2 suspend, 3 off) on the
// session bus. Without GNOME nothing is watched (X11's DPMS is the saver's own concern).
#pragma once

#include <functional>

#include "event_loop.h"

namespace tivaro::idle {

class DisplayPowerWatch {
public:
    using Changed = std::function<void(bool off)>;
    DisplayPowerWatch(sd_bus* session, Changed changed);

private:
    static int OnChanged(sd_bus_message* message, void* self, sd_bus_error*);

    Changed changed_;
    bool off_ = false;
    SlotPtr slot_;
};

}  // namespace tivaro::idle
