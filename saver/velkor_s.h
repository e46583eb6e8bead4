// Velkor_S, the saver window: covers the screen with the OpenGL view, runs the fountain
// from its frame loop and the zoom from its 10 ms timer, and ends on a key, a click or a
// close request. Moving the mouse does not end it.
#pragma once

#include <cstdint>

#include "toolkit/forms/auto_new.h"
#include "toolkit/forms/form.h"
#include "toolkit/forms/picture_holder.h"
#include "toolkit/forms/timer.h"
#include "toolkit/runtime/numeric.h"
#include "render/fountain_set.h"
#include "render/gl_view.h"
#include "render/part_eng.h"
#include "saver/end_gate.h"
#include "saver/frame_pacer.h"
#include "saver/frame_stats.h"

namespace tivaro::saver {

class Velkor_S : public forms::Form {
public:
    Velkor_S();

    // The form's one instance, created on first use.
    static Velkor_S& Instance();

    forms::Widget Display;          // the OpenGL drawing surface
    forms::PictureHolder picDummy;  // the Earth photograph, hidden
    forms::Timer Timer1;            // 10 ms, enabled by the load handler

    forms::AutoNew<render::openGLcontrolClass> glView;
    forms::AutoNew<render::partEngClass> engine;
    rt::Bool16 quitRequested = rt::kFalse;

    // Runs the saver inside a window of another program (the screen-saver daemon's) instead
    // of covering the screen: sized to it and following its resizes, leaving input to
    // its owner. Called before Load.
    void HostIn(platform::NativeWindow host) { next_run_.host = host; }
    // Runs the saver behind every other window, as the picture behind a screen locker:
    // it covers the monitors but takes no input, and only a termination signal ends it.
    // Called before Load.
    void RunBehind() { next_run_.behind = true; }

    // How many frames the loop has drawn (one more after the input that ends it).
    std::int64_t FramesDrawn() const { return frames_drawn_; }
    // A fountain per monitor; the first is `engine`.
    const render::FountainSet& Fountains() const { return fountains_; }

protected:
    void Form_Load() override;
    void Form_KeyDown(std::int16_t key, std::int16_t shift) override;
    void Form_Resize() override;
    void Form_QueryUnload(std::int16_t& cancel, std::int16_t unload_mode) override;
    void Form_Deactivate() override;
    void Form_DisplayChange() override;

private:
    // Events of the host window.
    struct HostEvents : forms::EventTarget {
        explicit HostEvents(Velkor_S& owner) : form(owner) {}
        void OnEvent(const platform::Event& event) override;
        Velkor_S& form;
    };

    // How a run covers the screen: in a host's window, behind every window, or (neither)
    // over every monitor, taking the input.
    struct RunMode {
        platform::NativeWindow host = 0;
        bool behind = false;
    };

    void CoverScreen();
    void SetUpView();
    void FitViews();
    void Host_Resize(std::int32_t width, std::int32_t height);
    void Timer1_Timer();
    void Display_Click();
    void FrameLoop();
    void EndOnInput();
    void TakeGateAnswer();

    // Whether keys, clicks and the loss of the foreground end the saver.
    bool EndsOnInput() const { return run_.host == 0 && !run_.behind; }

    RunMode next_run_;         // what the next load does (HostIn, RunBehind)
    RunMode run_;              // what this one does
    bool view_ready_ = false;  // Display placed and its view set up
    bool covered_ = false;     // the load covered the screen: changes of the monitors count
    HostEvents host_events_{*this};
    // What the system made of the cover request: where each monitor's fountain goes.
    platform::CoverAnswer cover_;
    render::FountainSet fountains_;
    EndGate gate_;  // held by tivaro-idle until the session locks
    FramePacer pacer_;
    FrameStats stats_;
    std::int64_t frames_drawn_ = 0;
};

}  // namespace tivaro::saver
