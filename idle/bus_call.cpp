#include "bus_call.h"

#include <cstdarg>

namespace tivaro::idle {
namespace {

// The call, its arguments appended; nullptr when it cannot be made.
MessagePtr NewCall(sd_bus* bus, const char* destination, const char* path, const char* interface,
                   const char* member, const char* types, va_list arguments, int& result) {
    sd_bus_message* call = nullptr;
    result = sd_bus_message_new_method_call(bus, &call, destination, path, interface, member);
    if (result < 0) return nullptr;
    MessagePtr owned(call);
    result = sd_bus_message_appendv(call, types, arguments);
    if (result < 0) return nullptr;
    return owned;
}

}  // namespace

void SendCall(sd_bus* bus, const char* destination, const char* path, const char* interface,
              const char* member, const char* types, ...) noexcept {
    va_list arguments;
    va_start(arguments, types);
    int result = 0;
    const MessagePtr call =
        NewCall(bus, destination, path, interface, member, types, arguments, result);
    va_end(arguments);
    if (call && sd_bus_message_set_expect_reply(call.get(), 0) >= 0)
        sd_bus_send(bus, call.get(), nullptr);
}

SlotPtr CallAsync(sd_bus* bus, sd_bus_message_handler_t answered, void* data,
                  const char* destination, const char* path, const char* interface,
                  const char* member, const char* types, ...) {
    va_list arguments;
    va_start(arguments, types);
    int result = 0;
    const MessagePtr call =
        NewCall(bus, destination, path, interface, member, types, arguments, result);
    va_end(arguments);
    const std::string what = std::string("cannot call ") + member;
    Check(result, what);
    sd_bus_slot* slot = nullptr;
    Check(sd_bus_call_async(bus, &slot, call.get(), answered, data,
                            static_cast<std::uint64_t>(kAnswerTime.count()) * 1000),
          what);
    return SlotPtr(slot);
}

}  // namespace tivaro::idle
