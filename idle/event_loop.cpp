#include "event_loop.h"

#include <cstring>

#include "failure.h"

namespace tivaro::idle {

int Check(int result, const std::string& what) {
    if (result < 0) throw Failure(what + ": " + std::strerror(-result));
    return result;
}

EventLoop::EventLoop() {
    Check(sd_event_new(&event_), "cannot make the event loop");
}

EventLoop::~EventLoop() {
    sd_event_unref(event_);
}

void EventLoop::Run() {
    Check(sd_event_loop(event_), "the event loop failed");
    if (!failure_.empty()) throw Failure(failure_);
}

void EventLoop::Quit() noexcept {
    sd_event_exit(event_, 0);
}

void EventLoop::Fail(const std::string& why) noexcept {
    if (failure_.empty()) failure_ = why.empty() ? "failed" : why;
    sd_event_exit(event_, 1);
}

Alarm::Alarm(EventLoop& loop, std::function<void()> ring) : loop_(loop), ring_(std::move(ring)) {}

void Alarm::Set(Milliseconds delay) {
    uint64_t now = 0;
    Check(sd_event_now(loop_.get(), CLOCK_MONOTONIC, &now), "cannot read the clock");
    const uint64_t when = now + static_cast<uint64_t>(delay.count()) * 1000;
    if (!source_) {
        sd_event_source* source = nullptr;
        Check(
            sd_event_add_time(loop_.get(), &source, CLOCK_MONOTONIC, when, 10 * 1000, OnTime, this),
            "cannot set a timer");
        source_.reset(source);
        return;
    }
    Check(sd_event_source_set_time(source_.get(), when), "cannot set a timer");
    Check(sd_event_source_set_enabled(source_.get(), SD_EVENT_ONESHOT), "cannot set a timer");
}

void Alarm::Cancel() {
    if (source_) sd_event_source_set_enabled(source_.get(), SD_EVENT_OFF);
}

int Alarm::OnTime(sd_event_source*, uint64_t, void* self) {
    auto* alarm = static_cast<Alarm*>(self);
    return alarm->loop_.Guard([alarm] { alarm->ring_(); });
}

TimerMaker AlarmsOn(EventLoop& loop) {
    return [&loop](std::function<void()> ring) {
        return std::make_unique<Alarm>(loop, std::move(ring));
    };
}

}  // namespace tivaro::idle
