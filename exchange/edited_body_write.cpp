// edited_body_write.cpp: an edited body written over its base: the base's records renumbered
// around the new points, each point kept relative to its bone's origin, refused where the body
// could not hold the result.
#include <algorithm>
#include <numeric>

#include "body/body_format.h"
#include "exchange/body_from_mesh.h"
#include "exchange/edited_body.h"

// Each new point goes just before its anchor, those of one anchor in the order they were met.
// Work in proportion to the points, whatever the edit adds.
void EditedBody::numberPoints()
{
    order_.resize(added_.size());
    std::iota(order_.begin(), order_.end(), size_t{0});
    std::stable_sort(order_.begin(), order_.end(),
                     [&](size_t a, size_t b) { return added_[a].anchor < added_[b].anchor; });
    const auto base = static_cast<size_t>(p_.pointCount) + 1;
    number_.assign(base + added_.size(), 0);
    size_t placed = 0;
    for (int32_t i = 0; i <= p_.pointCount; ++i) {
        for (; placed < order_.size() && added_[order_[placed]].anchor <= i; ++placed)
            number_[base + order_[placed]] = added_[order_[placed]].anchor + static_cast<int32_t>(placed);
        number_[static_cast<size_t>(i)] = i + static_cast<int32_t>(placed);
    }
    for (; placed < order_.size(); ++placed)  // past the points: refused when written
        number_[base + order_[placed]] = p_.pointCount + static_cast<int32_t>(placed);
}

void EditedBody::writeElement(StoredBody& out, const Element& e)
{
    const size_t polygons = stored_.polygons.size(), lines = stored_.lines.size();
    if (e.base == -1) {  // a new flat polygon
        PolygonRecord r;
        r.renderType = e.translucent ? 5 : 0;
        r.colour = static_cast<uint16_t>(e.colour);
        for (const int point : e.points)
            r.offsets.push_back(offsetOf(renumbered(point), polygonOffsetsSigned(r.renderType)));
        out.polygons.push_back(r);
    } else if (e.base == -2) {  // a new line
        LineRecord r;
        r.attributes = static_cast<uint32_t>(e.colour) << 8;
        r.first = offsetOf(renumbered(e.points[0]), true);
        r.second = offsetOf(renumbered(e.points[1]), true);
        out.lines.push_back(r);
    } else if (static_cast<size_t>(e.base) < polygons) {
        PolygonRecord r = stored_.polygons[static_cast<size_t>(e.base)];
        if (e.colour >= 0) r.colour = static_cast<uint16_t>((r.colour & 0xFF00) | e.colour);
        for (int16_t& o : r.offsets) o = renumberedOffset(o, polygonOffsetsSigned(r.renderType));
        out.polygons.push_back(r);
    } else if (static_cast<size_t>(e.base) < polygons + lines) {
        LineRecord r = stored_.lines[static_cast<size_t>(e.base) - polygons];
        r.first = renumberedOffset(r.first, true);
        r.second = renumberedOffset(r.second, true);
        out.lines.push_back(r);
    } else {
        SphereRecord r = stored_.spheres[static_cast<size_t>(e.base) - polygons - lines];
        r.centre = renumberedOffset(r.centre, true);
        out.spheres.push_back(r);
    }
}

Fault EditedBody::write(std::vector<uint8_t>* out)
{
    const auto total = static_cast<int64_t>(p_.pointCount) + static_cast<int64_t>(added_.size());
    if (total > importPointLimit)
        return faultOf("%lld points: more than the viewer's %d", static_cast<long long>(total), importPointLimit);
    for (const NewPoint& n : added_) {
        if (n.anchor < 0 || n.anchor > p_.pointCount)
            return faultOf("bone %d's points are not among the body's %d: no point can be added to it", n.bone,
                           p_.pointCount);
    }
    StoredBody body = stored_;
    // A point keeps its place relative to its bone's origin, which moves with the origin's point.
    const auto shift = [&](int point) -> Position {
        if (point < 0 || point >= p_.pointCount) return {0, 0, 0};
        const Position b = basePosition(point), n = bind_[static_cast<size_t>(point)];
        return {n[0] - b[0], n[1] - b[1], n[2] - b[2]};
    };
    const auto originShift = [&](int bone) -> Position {
        const BoneRecord& b = stored_.bones[static_cast<size_t>(bone)];
        return b.parent == -1 ? Position{0, 0, 0} : shift(b.basePoint / pointBytes);
    };
    bool fits = true;
    body.points.clear();
    const auto putPoint = [&](const Position& p) {
        fits &= std::all_of(p.begin(), p.end(), [](int32_t v) { return v >= -32768 && v <= 32767; });
        body.points.push_back({static_cast<int16_t>(p[0]), static_cast<int16_t>(p[1]), static_cast<int16_t>(p[2])});
    };
    size_t next = 0;  // in order_
    const auto putNew = [&](int anchor) {
        for (; next < order_.size() && added_[order_[next]].anchor == anchor; ++next) {
            const NewPoint& n = added_[order_[next]];
            const int joint = p_.boneJoint[static_cast<size_t>(n.bone)];
            const Vec3 origin = joint >= 0 ? p_.joints[static_cast<size_t>(joint)].bindOrigin : Vec3{0, 0, 0};
            const Position s = originShift(n.bone);
            putPoint({n.position[0] - static_cast<int32_t>(origin[0]) - s[0],
                      n.position[1] - static_cast<int32_t>(origin[1]) - s[1],
                      n.position[2] - static_cast<int32_t>(origin[2]) - s[2]});
        }
    };
    for (int i = 0; i < p_.pointCount; ++i) {
        putNew(i);
        const Point16& stored = stored_.points[static_cast<size_t>(i)];
        const Position d = shift(i),
                       o = originShift(p_.joints[static_cast<size_t>(p_.pointJoint[static_cast<size_t>(i)])].index);
        putPoint({stored.x + d[0] - o[0], stored.y + d[1] - o[1], stored.z + d[2] - o[2]});
    }
    putNew(p_.pointCount);
    if (!fits) return faultOf("a point lies more than 32,767 units from its bone's origin");

    for (size_t i = 0; i < body.bones.size(); ++i) {
        BoneRecord& b = body.bones[i];
        b.angleX = angles_[2 * i];
        b.angleY = angles_[2 * i + 1];
        if (added_.empty()) continue;
        const int first = b.firstPoint / pointBytes, end = first + b.pointCount;
        b.firstPoint = offsetOf(renumberedBase(first), true);
        b.pointCount = static_cast<int16_t>(renumberedBase(end) - renumberedBase(first));
        b.basePoint = offsetOf(renumberedBase(b.basePoint / pointBytes), true);
    }
    body.polygons.clear();
    body.lines.clear();
    body.spheres.clear();
    for (const Element& e : elements_) writeElement(body, e);
    if (unreachable_ >= 0) {
        return faultOf("with the new points a record names point %d: a 16-bit offset reaches only points below %d",
                       unreachable_, signedOffsetPointRoom);
    }
    // Past the viewer's render list and element buffer the counts would not even fit their fields.
    const size_t entries = body.polygons.size() + body.lines.size() + body.spheres.size();
    int64_t elementBytes = static_cast<int64_t>(body.lines.size()) * lineConvertedBytes +
                           static_cast<int64_t>(body.spheres.size()) * sphereConvertedBytes;
    for (const PolygonRecord& r : body.polygons)
        elementBytes += polygonHeaderBytes + polygonSlotBytes * static_cast<int64_t>(r.offsets.size());
    if (entries > static_cast<size_t>(importRenderLimit))
        return faultOf("%zu render entries: more than the viewer's %d", entries, importRenderLimit);
    if (elementBytes > importElementByteLimit)
        return faultOf("element buffer of %lld bytes: more than the viewer's %d", static_cast<long long>(elementBytes),
                       importElementByteLimit);
    *out = encodeBody(body);
    return noFault();
}
