#include "bus_call.h"

#include <cstdarg>

namespace tivaro::idle {
namespace {

// Sends the call: with `answered`, its answer awaited for kAnswerTime (`slot` then holds it);
// without, asking for none.
int Send(sd_bus* bus, sd_bus_slot** slot, sd_bus_message_handler_t answered, void* data,
         const char* destination, const char* path, const char* interface, const char* member,
         const char* types, va_list arguments) {
    sd_bus_message* call = nullptr;
    int r = sd_bus_message_new_method_call(bus, &call, destination, path, interface, member);
    if (r < 0) return r;
    const MessagePtr owned(call);
    if ((r = sd_bus_message_appendv(call, types, arguments)) < 0) return r;
    if (answered == nullptr) {
        r = sd_bus_message_set_expect_reply(call, 0);
        return r < 0 ? r : sd_bus_send(bus, call, nullptr);
    }
    return sd_bus_call_async(bus, slot, call, answered, data,
                             static_cast<std::uint64_t>(kAnswerTime.count()) * 1000);
}

}  // namespace

void SendCall(sd_bus* bus, const char* destination, const char* path, const char* interface,
              const char* member, const char* types, ...) noexcept {
    va_list arguments;
    va_start(arguments, types);
    Send(bus, nullptr, nullptr, nullptr, destination, path, interface, member, types, arguments);
    va_end(arguments);
}

SlotPtr CallAsync(sd_bus* bus, sd_bus_message_handler_t answered, void* data,
                  const char* destination, const char* path, const char* interface,
                  const char* member, const char* types, ...) {
    va_list arguments;
    va_start(arguments, types);
    sd_bus_slot* slot = nullptr;
    const int r =
        Send(bus, &slot, answered, data, destination, path, interface, member, types, arguments);
    va_end(arguments);
    Check(r, std::string("cannot call ") + member);
    return SlotPtr(slot);
}

}  // namespace tivaro::idle
