#include "render/fountain_set.h"

#include "app/velkor_b.h"
#include "render/gl_api.h"

namespace tivaro::render {

void FountainSet::Fit(partEngClass& first, openGLcontrolClass& view,
                      std::vector<FountainArea> areas, bool bare, bool surface_each) {
    const bool had_several = areas_.size() > 1;
    first_ = &first;
    view_ = &view;
    areas_ = std::move(areas);
    bare_ = bare;
    surface_each_ = surface_each;
    const std::size_t extra_count = areas_.empty() ? 0 : areas_.size() - 1;
    if (extras_.size() > extra_count) extras_.resize(extra_count);
    while (extras_.size() < extra_count) {
        // A stream of its own for each: fountains seeded at the same moment still differ.
        auto extra = std::make_unique<Extra>(2 * extras_.size() + 3);
        extra->engine.RunIndependently(extra->random);
        extra->engine.Initialize();
        extras_.push_back(std::move(extra));
    }
    // Back to one monitor: the whole window again, as the view was first set up.
    if (had_several && areas_.size() == 1 && !surface_each_) {
        Gl().Disable(GL_SCISSOR_TEST);
        view_->SetupView(areas_[0].surface_size.x, areas_[0].surface_size.y);
    }
}

partEngClass& FountainSet::At(std::size_t index) {
    return index == 0 ? *first_ : extras_[index - 1]->engine;
}

const partEngClass& FountainSet::Engine(std::size_t index) const {
    return index == 0 ? *first_ : extras_.at(index - 1)->engine;
}

void FountainSet::RenderAll() {
    if (surface_each_) {
        RenderEachSurface();
        return;
    }
    // Nothing to show while the system wants no frame (the monitors are off).
    if (!platform::Current().ReadyForFrame(Velkor_B::glDeviceContext)) return;
    if (areas_.size() <= 1) {
        first_->RenderAll();
        return;
    }
    DrawBoxes(0, areas_.size());
    platform::Current().SwapBuffers(Velkor_B::glDeviceContext);
}

// The fountains of areas [from, to), all on the surface drawn on, each in its box.
void FountainSet::DrawBoxes(std::size_t from, std::size_t to) {
    const GlApi& gl = Gl();
    gl.Disable(GL_SCISSOR_TEST);
    if (bare_) gl.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (std::size_t i = from; i < to; ++i) {
        const platform::Rect& a = areas_[i].box;
        // GL counts rows from the bottom of the window.
        const std::int32_t x = a.left;
        const std::int32_t y = areas_[i].surface_size.y - a.bottom;
        const std::int32_t width = a.right - a.left;
        const std::int32_t height = a.bottom - a.top;
        view_->SetupArea(x, y, width, height);
        gl.Scissor(x, y, width, height);
        gl.Enable(GL_SCISSOR_TEST);
        At(i).DrawFrame();
    }
    gl.Disable(GL_SCISSOR_TEST);
}

// Each surface, when the system wants its next frame, gets its own fountain's frame (or the
// fountains of the outputs it spans) and is presented on its own: a surface that is not shown
// holds none of the others up, and its fountains wait meanwhile.
void FountainSet::RenderEachSurface() {
    auto& platform = platform::Current();
    std::size_t next = 0;
    for (std::size_t i = 0; i < areas_.size(); i = next) {
        const FountainArea& a = areas_[i];
        next = i + 1;
        while (next < areas_.size() && areas_[next].surface == a.surface) ++next;
        if (!platform.ReadyForFrame(a.surface)) continue;
        view_->DrawOn(a.surface);
        const bool fills = a.box.left == 0 && a.box.top == 0 && a.box.right == a.surface_size.x &&
                           a.box.bottom == a.surface_size.y;
        if (next == i + 1 && fills) {
            view_->SetupView(a.surface_size.x, a.surface_size.y);
            At(i).DrawFrame();
        } else {
            DrawBoxes(i, next);
        }
        platform.SwapBuffers(a.surface);
    }
}

void FountainSet::Zoom_Rtn() {
    first_->Zoom_Rtn();
    for (auto& extra : extras_) extra->engine.Zoom_Rtn();
}

}  // namespace tivaro::render
