// overlays.cpp: what the command line adds over the body's picture.
#include "app/overlays.h"

#include "app/info_overlay.h"
#include "app/options.h"
#include "app/viewer_state.h"
#include "body/bone_tree.h"
#include "render/skeleton_overlay.h"

namespace {

// The current body's skeleton, read once per loaded body (reading allocates); its origins are
// placed again every frame.
BoneTree* currentBoneTree()
{
    static BoneTree tree;
    static bool everRead = false;
    static uint32_t readForLoad = 0;
    static bool readable = false;
    if (currentBody == nullptr) return nullptr;
    if (!everRead || readForLoad != bodyLoads) {
        everRead = true;
        readable = !readBoneTree(currentBody, currentBodySize, &tree);
        readForLoad = bodyLoads;
    }
    return readable ? &tree : nullptr;
}

}  // namespace

void drawViewerOverlays(uint32_t nowMilliseconds)
{
    if (!viewerOptions.skeleton && !viewerOptions.info) return;
    BoneTree* tree = currentBoneTree();
    if (viewerOptions.skeleton && tree != nullptr) {
        placeBoneOrigins(tree);
        drawSkeletonOverlay(*tree, View{viewZoom, viewAngleX, viewAngleY, wireframe != 0}, skeletonOverlayColour);
    }
    if (viewerOptions.info) drawInfoOverlay(nowMilliseconds, tree);
}
