// Method calls made from inside the event loop. None waits there for its answer: a peer that
// hangs (a stalled shell) holds nothing else up, and an answer that does not come within
// kAnswerTime counts as an error.
#pragma once

#include "event_loop.h"

namespace tivaro::idle {

// How long an answer is awaited (sd-bus's own default is 25 s).
inline constexpr Milliseconds kAnswerTime{5000};

// Sends the call asking for no answer at all; a call that cannot be sent is dropped. Nothing
// waits: what the socket does not take now goes on the loop's next turn.
void SendCall(sd_bus* bus, const char* destination, const char* path, const char* interface,
              const char* member, const char* types, ...) noexcept;

// Sends the call; `answered` runs from the loop with the answer, or with an error in its
// place (SD_BUS_ERROR_NO_REPLY after kAnswerTime). Dropping the slot forgets the call.
// Raises Failure when it cannot be sent.
SlotPtr CallAsync(sd_bus* bus, sd_bus_message_handler_t answered, void* data,
                  const char* destination, const char* path, const char* interface,
                  const char* member, const char* types, ...);

}  // namespace tivaro::idle
