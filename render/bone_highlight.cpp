// bone_highlight.cpp: picks out one bone's elements: a picking pass, then dimming the rest.
#include "render/bone_highlight.h"

#include <cstring>
#include <vector>

#include "body/render_records.h"
#include "render/draw_scene.h"

namespace {

// The element buffer as the pose left it, while the picking pass repaints it. Static: it is
// half a megabyte.
uint8_t savedElements[elementBufferBytes];

bool owned(const std::vector<int32_t>& owners, uint16_t point, int32_t bone)
{
    return point < owners.size() && owners[point] == bone;
}

bool isBones(const RenderEntry& entry, const std::vector<int32_t>& owners, int32_t bone)
{
    switch (entry.kind) {
    case renderKindPolygon: {
        const ConvertedPolygon polygon{entry.record};
        for (int v = 0; v < polygon.vertexCount(); ++v)
            if (owned(owners, polygon.point(v), bone)) return true;
        return false;
    }
    case renderKindLine: {
        const ConvertedLine line{entry.record};
        return owned(owners, line.first(), bone) || owned(owners, line.second(), bone);
    }
    case renderKindSphere:
        return owned(owners, ConvertedSphere{entry.record}.centre(), bone);
    default:
        return false;
    }
}

}  // namespace

RgbImage drawBonePicking(OffscreenGl& gl, const View& view, const BoneTree& tree, int32_t bone,
                         const std::function<void()>& overlay)
{
    const std::vector<int32_t> owners = pointOwners(tree);
    std::memcpy(savedElements, elementBuffer, sizeof elementBuffer);

    // Colour 1 is the picked bone's, every other colour black.
    static Palette picking;
    std::memset(picking, 0, sizeof picking);
    std::memset(picking[1], 255, 3);
    const int32_t count = renderEntryCount();
    for (int32_t i = 0; i < count; ++i) {
        RenderEntry& entry = renderList[i];
        if (entry.record == nullptr) continue;
        // The records live in elementBuffer; the list only points into it.
        uint8_t* r = elementBuffer + (entry.record - elementBuffer);
        const bool picked = isBones(entry, owners, bone);
        const uint8_t colour = picked ? 1 : 0;
        if (entry.kind == renderKindPolygon) {
            const ConvertedPolygon polygon{r};
            // Another bone's glass hides nothing: what shows through it stays picked.
            const bool hidden = !picked && polygon.drawType() == drawTypeTranslucent;
            // Flat and opaque: one colour, no blending.
            rewritePolygon(r, 0, hidden ? 0 : static_cast<uint8_t>(polygon.vertexCount()), colour);
        } else {
            rewritePaletteIndex(r, colour);
        }
    }
    drawScene(view, picking);
    overlay();
    RgbImage picked = gl.read();

    std::memcpy(elementBuffer, savedElements, sizeof elementBuffer);
    return picked;
}

void dimUnpicked(RgbImage* picture, const RgbImage& picked)
{
    if (picked.rgb.size() != picture->rgb.size()) return;
    for (size_t i = 0; i + 2 < picture->rgb.size(); i += 3) {
        if (picked.rgb[i] >= 128) continue;
        for (size_t c = 0; c < 3; ++c) picture->rgb[i + c] = static_cast<uint8_t>(picture->rgb[i + c] / 3);
    }
}
