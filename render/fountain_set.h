// A fountain on each monitor, in one window with one GL context: each is drawn in its own
// viewport and scissor box, with the perspective of its own monitor's shape, and the frame
// is presented once for them all. With one monitor it is the engine alone, call for call.
#pragma once

#include <memory>
#include <vector>

#include "platform/backend.h"
#include "render/gl_view.h"
#include "render/part_eng.h"
#include "render/random.h"

namespace tivaro::render {

class FountainSet {
public:
    // `first` is the program's engine, already set up, with the texture every fountain
    // shows bound; it takes the first area. Each further area gets an engine of its own with
    // its own random numbers, set up here. Areas are in the window's pixels from its top
    // left; `bare` says some of the window lies on no area (it is cleared black).
    // Fountains of areas that remain keep going; a new area's fountain starts afresh. One
    // area needs the view set up for the whole window already, as the engine alone does.
    void Fit(partEngClass& first, openGLcontrolClass& view, std::vector<platform::Rect> areas,
             platform::Point window, bool bare);

    std::size_t Count() const { return areas_.size(); }
    const partEngClass& Engine(std::size_t index) const;

    // One frame of every fountain, then one swap.
    void RenderAll();
    // The timer: every fountain steps its colours, and they burst on the same tick.
    void Zoom_Rtn();

private:
    struct Extra {
        explicit Extra(std::uint64_t stream) : random(0, stream) {}
        Pcg32 random;
        partEngClass engine;
    };
    partEngClass& At(std::size_t index);

    partEngClass* first_ = nullptr;
    openGLcontrolClass* view_ = nullptr;
    std::vector<std::unique_ptr<Extra>> extras_;
    std::vector<platform::Rect> areas_;
    platform::Point window_{};
    bool bare_ = false;
};

}  // namespace tivaro::render
