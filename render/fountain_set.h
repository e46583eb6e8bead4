// A fountain on each monitor, all drawn with one GL context. Each has an area: a surface and
// a box of it. Where one window spans the monitors, every area is a box of that window, each
// drawn in its own viewport and scissor box with the perspective of its monitor's shape, and
// the frame is presented once for them all; where each monitor has a surface of its own, each
// fountain fills its surface, which is presented on its own when the system wants its next
// frame. With one monitor in one window it is the engine alone, call for call.
#pragma once

#include <memory>
#include <vector>

#include "platform/backend.h"
#include "render/gl_view.h"
#include "render/part_eng.h"
#include "render/random.h"

namespace tivaro::render {

// A fountain's place: the surface it is drawn on and presented with, the part of it it
// fills, and the whole surface's size, in its pixels.
using FountainArea = platform::CoverArea;

class FountainSet {
public:
    // `first` is the program's engine, already set up, with the texture every fountain
    // shows bound; it takes the first area. Each further area gets an engine of its own with
    // its own random numbers, set up here. Boxes are in their surface's pixels from its top
    // left; `bare` says some of a surface lies in no box (it is cleared black). Areas on
    // one surface come one after another. `surface_each`: each area is a surface of its own,
    // drawn and presented when the system wants its next frame. Fountains of areas that remain keep
    // going; a new area's fountain starts afresh. One area on the view's own surface needs the view
    // set up for the whole surface already, as the engine alone does.
    void Fit(partEngClass& first, openGLcontrolClass& view, std::vector<FountainArea> areas,
             bool bare, bool surface_each);

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
    void RenderEachSurface();
    void DrawBoxes(std::size_t from, std::size_t to);

    partEngClass* first_ = nullptr;
    openGLcontrolClass* view_ = nullptr;
    std::vector<std::unique_ptr<Extra>> extras_;
    std::vector<FountainArea> areas_;
    bool bare_ = false;
    bool surface_each_ = false;  // each fountain fills a surface of its own
};

}  // namespace tivaro::render
