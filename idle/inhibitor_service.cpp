#include "inhibitor_service.h"

#include <cerrno>

namespace tivaro::idle {
namespace {

constexpr const char* kName = "org.freedesktop.ScreenSaver";
// The interface's documented path, and the one some browsers call.
constexpr const char* kPaths[] = {"/org/freedesktop/ScreenSaver", "/ScreenSaver"};

}  // namespace

InhibitorService::InhibitorService(sd_bus* bus, EventLoop& loop, Changed changed)
    : bus_(bus), loop_(loop), changed_(std::move(changed)) {
    static const sd_bus_vtable kTable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD("Inhibit", "ss", "u", OnInhibit, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_METHOD("UnInhibit", "u", "", OnUnInhibit, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_VTABLE_END};
    for (int i = 0; i < 2; ++i) {
        sd_bus_slot* slot = nullptr;
        Check(sd_bus_add_object_vtable(bus, &slot, kPaths[i], kName, kTable, this),
              "cannot serve org.freedesktop.ScreenSaver");
        objects_[i].reset(slot);
    }
    const int r = sd_bus_request_name(bus, kName, 0);
    if (r == -EEXIST) {
        for (SlotPtr& object : objects_) object.reset();  // the desktop serves it
        return;
    }
    Check(r, "cannot own org.freedesktop.ScreenSaver");
    serving_ = true;
}

InhibitorService::~InhibitorService() {
    if (serving_) sd_bus_release_name(bus_, kName);
}

int InhibitorService::OnInhibit(sd_bus_message* call, void* self, sd_bus_error* error) {
    auto* service = static_cast<InhibitorService*>(self);
    const char* application = nullptr;
    const char* reason = nullptr;
    int r = sd_bus_message_read(call, "ss", &application, &reason);
    if (r < 0) return r;
    sd_bus_track* track = nullptr;
    r = sd_bus_track_new(service->bus_, &track, OnCallerGone, service);
    if (r < 0) return r;
    TrackPtr owned(track);
    r = sd_bus_track_add_sender(track, call);
    if (r < 0) return sd_bus_error_set_errno(error, r);
    const std::uint32_t cookie = service->next_cookie_++;
    const bool first = service->held_.empty();
    service->held_.emplace(cookie, std::move(owned));
    if (first) service->loop_.Guard([service] { service->changed_(true); });
    return sd_bus_reply_method_return(call, "u", cookie);
}

int InhibitorService::OnUnInhibit(sd_bus_message* call, void* self, sd_bus_error* error) {
    auto* service = static_cast<InhibitorService*>(self);
    std::uint32_t cookie = 0;
    const int r = sd_bus_message_read(call, "u", &cookie);
    if (r < 0) return r;
    const auto held = service->held_.find(cookie);
    if (held == service->held_.end())
        return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "no inhibition has that cookie");
    service->Release(held);
    return sd_bus_reply_method_return(call, "");
}

int InhibitorService::OnCallerGone(sd_bus_track* track, void* self) {
    auto* service = static_cast<InhibitorService*>(self);
    for (auto held = service->held_.begin(); held != service->held_.end(); ++held) {
        if (held->second.get() == track) {
            service->Release(held);
            break;
        }
    }
    return 0;
}

void InhibitorService::Release(std::map<std::uint32_t, TrackPtr>::iterator held) {
    held_.erase(held);
    if (held_.empty()) loop_.Guard([this] { changed_(false); });
}

}  // namespace tivaro::idle
