// overlays.cpp: what the command line adds over the body's picture.
#include "app/overlays.h"

#include "app/info_overlay.h"
#include "app/options.h"
#include "app/viewer_state.h"
#include "body/bone_origins.h"
#include "render/skeleton_overlay.h"

namespace {

BoneOrigin boneOrigins[matrixRoom];  // a body never has more bones than the matrix table holds

}  // namespace

void drawViewerOverlays(uint32_t nowMilliseconds)
{
    if (viewerOptions.skeleton && currentBody != nullptr) {
        const int32_t count = collectBoneOrigins(currentBody, currentBodySize, boneOrigins, matrixRoom);
        drawSkeletonOverlay(boneOrigins, count, viewZoom, viewAngleX, viewAngleY);
    }
    if (viewerOptions.info) drawInfoOverlay(nowMilliseconds);
}
