// posed_entry.cpp: one archive entry loaded and prepared once, then posed and drawn many times.
#include "tool/posed_entry.h"

#include <cstring>

#include "app/body_loading.h"
#include "app/viewer_state.h"
#include "body/body.h"
#include "render/draw_frame.h"
#include "tool/bone_highlight.h"
#include "tool/skeleton_overlay.h"

namespace {

// A fatal body condition unwinds to pose() instead of ending the process.
struct BodyFatalError {
    const char* message;
};

[[noreturn]] void throwBodyFatal(const char* message) { throw BodyFatalError{message}; }

// The overlay's colour: a magenta that no demo ramp comes near.
const uint8_t skeletonColour[3] = {255, 40, 255};
const uint8_t pickedColour[3] = {255, 255, 255};

}  // namespace

std::string PosedEntry::load(const std::string& archive, int index)
{
    body_.reset();
    tree_ = BoneTree{};
    if (index < 0 || index > 32767) return "no such entry";
    uint8_t* raw = nullptr;
    const char* fault = loadPreparedBody(archive.c_str(), static_cast<int16_t>(index), &raw, &size_);
    body_.reset(raw);
    if (fault != nullptr) return fault;
    if (const char* treeFault = readBoneTree(body_.get(), size_, &tree_)) return treeFault;
    return {};
}

std::string PosedEntry::pose(int32_t frameAngle)
{
    initPipelineState();
    std::memset(matrixTable, 0, sizeof matrixTable);
    std::memset(transformedPoints, 0, sizeof transformedPoints);
    std::memset(shadeTable, 0, sizeof shadeTable);
    renderCount = 0;
    if (!body_) return "no body loaded";

    std::string fault;
    setBodyFatalHandler(throwBodyFatal);
    try {
        for (int frame = 0; frame < 2; ++frame) {
            angleY = frameAngle;
            runBodyStage(body_.get());
        }
    } catch (const BodyFatalError& e) {
        fault = e.message;
        renderCount = 0;
    }
    setBodyFatalHandler(nullptr);
    placeBoneOrigins(&tree_);
    return fault;
}

std::string PosedEntry::draw(OffscreenGl& gl, const ViewSettings& view, const PictureExtras& extras, RgbImage* picture)
{
    const std::string fault = pose(view.autoAngle);
    viewZoom = view.zoom;
    viewAngleX = view.angleX;
    viewAngleY = view.angleY;
    wireframe = view.wireframe ? 1 : 0;

    drawScene();
    if (extras.skeleton) drawSkeletonOverlay(tree_, view.zoom, view.angleX, view.angleY, skeletonColour);
    *picture = gl.read();
    if (fault.empty() && extras.bone >= 0) {
        // The picking pass shows which pixels bone N's elements won; the overlay counts as picked.
        const RgbImage picked = drawBonePicking(gl, tree_, extras.bone, [&] {
            if (extras.skeleton) drawSkeletonOverlay(tree_, view.zoom, view.angleX, view.angleY, pickedColour);
        });
        dimUnpicked(picture, picked);
    }
    return fault;
}
