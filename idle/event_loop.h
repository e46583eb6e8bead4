// One sd-event loop drives everything tivaro-idle watches: the display's idle reports, the
// buses, the saver's end and the signals. Callbacks come from C, so nothing may be raised
// through them: Guard() catches what a step raises and ends the loop with it as the
// program's last line.
#pragma once

#include <systemd/sd-bus.h>
#include <systemd/sd-event.h>

#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <string>

namespace tivaro::idle {

template <class T, T* (*Release)(T*)>
struct Unref {
    void operator()(T* p) const { Release(p); }
};
using BusPtr = std::unique_ptr<sd_bus, Unref<sd_bus, sd_bus_flush_close_unref>>;
using SlotPtr = std::unique_ptr<sd_bus_slot, Unref<sd_bus_slot, sd_bus_slot_unref>>;
using MessagePtr = std::unique_ptr<sd_bus_message, Unref<sd_bus_message, sd_bus_message_unref>>;
using SourcePtr =
    std::unique_ptr<sd_event_source, Unref<sd_event_source, sd_event_source_disable_unref>>;

using Milliseconds = std::chrono::milliseconds;

class EventLoop {
public:
    EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;
    ~EventLoop();

    sd_event* get() const { return event_; }
    // Runs until Quit() or Fail(); raises Failure with the line Fail() was given.
    void Run();
    void Quit() noexcept;
    // Ends the loop; the first reason given is the one reported.
    void Fail(const std::string& why) noexcept;

    template <class Step>
    int Guard(Step&& step) noexcept {
        try {
            step();
        } catch (const std::exception& error) {
            Fail(error.what());
        }
        return 0;
    }

private:
    sd_event* event_ = nullptr;
    std::string failure_;
};

// A one-shot timer: it rings once, its delay after the last Set(), unless cancelled first.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void Set(Milliseconds delay) = 0;
    virtual void Cancel() = 0;
};

// Makes a part's timers, each with what it does when it rings: alarms on the loop's clock
// (AlarmsOn), or a test's own clock.
using TimerMaker = std::function<std::unique_ptr<Timer>(std::function<void()> ring)>;

// A one-shot timer on the monotonic clock, rung from the loop.
class Alarm final : public Timer {
public:
    Alarm(EventLoop& loop, std::function<void()> ring);
    void Set(Milliseconds delay) override;
    void Cancel() override;

private:
    static int OnTime(sd_event_source*, uint64_t, void* self);
    EventLoop& loop_;
    std::function<void()> ring_;
    SourcePtr source_;
};

TimerMaker AlarmsOn(EventLoop& loop);

// Raises Failure("what: <the error's text>") for a negative sd-bus or sd-event result.
int Check(int result, const std::string& what);

}  // namespace tivaro::idle
