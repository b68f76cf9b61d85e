// edited_body.h: an edited export as read against its base body, before it is written over the
// base: the base's points where the edit put them and the new ones, the bones' angles, the
// elements kept, recoloured and added. Shared by the reader (edited_gltf_import.cpp) and the
// writer (edited_body_write.cpp) only.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "body/body_codec.h"
#include "exchange/edited_gltf_file.h"
#include "exchange/posed_body.h"

// A segment by its ends' places (the lower first), posed or in the bind pose.
using SegmentKey = std::tuple<bool, Position, Position>;

// The edit as read, before it is written over the base.
class EditedBody {
public:
    EditedBody(const StoredBody& stored, const PosedBody& p, const FileMesh& mesh, const std::vector<int>& fileJoint)
        : stored_(stored), p_(p), mesh_(mesh), fileJoint_(fileJoint)
    {}

    void readPoints(std::vector<std::string>* notes);
    Fault readBones(const GltfDocument& doc, std::vector<std::string>* notes);
    void readElements(const GltfDocument& doc, std::vector<std::string>* notes);
    void addLines(std::map<SegmentKey, int>& segments, int* added, int* unplaced);
    Fault write(std::vector<uint8_t>* out);

private:
    struct NewPoint {
        int anchor;  // placed just before the base's point `anchor` (the end of its bone's run)
        int bone;
        Position position;
    };
    struct Element {
        int base = -1;            // its base record, or -1 for a new one
        int colour = -1;          // a new colour (-1: as it was)
        std::vector<int> points;  // new records: their points (base or new)
        bool translucent = false;
    };

    const StoredBody& stored_;  // the base's records
    const PosedBody& p_;        // the base as posed: its bind pose and joints
    const FileMesh& mesh_;
    const std::vector<int>& fileJoint_;
    std::vector<Position> bind_;    // each base point's bind position after the edit
    std::vector<NewPoint> added_;   // new points, numbered pointCount + k
    std::vector<size_t> order_;     // the new points in their written order: by anchor, then as met
    std::vector<int32_t> number_;   // the written index of each base point and of their end, then of each new point
    std::vector<int> vertexPoint_;  // each vertex's point (base or new), -1: none
    std::vector<int16_t> angles_;   // per bone, new angles X and Y (pairs)
    std::vector<Element> elements_;
    int32_t unreachable_ = -1;  // a point a written offset cannot name, -1: none

    Position framePosition(int point) const
    {
        const Point16& f = p_.framePoints[static_cast<size_t>(point)];
        return {f.x, f.y, f.z};
    }
    Position basePosition(int point) const
    {
        const Point16& b = p_.bindPoints[static_cast<size_t>(point)];
        return {b.x, b.y, b.z};
    }
    // A line may name a point past the body's own (the viewer draws whatever was placed there last):
    // the edit moves only the body's.
    Position editedPosition(int point) const
    {
        return point < p_.pointCount ? bind_[static_cast<size_t>(point)] : basePosition(point);
    }
    int jointBone(int fileJoint) const
    {
        const int j = fileJoint >= 0 && static_cast<size_t>(fileJoint) < fileJoint_.size()
                          ? fileJoint_[static_cast<size_t>(fileJoint)]
                          : -1;
        return j < 0 ? 0 : p_.joints[static_cast<size_t>(j)].index;
    }
    void numberPoints();
    // A point of the edit's (base or new): its index in the written body.
    int32_t renumbered(int point) const
    {
        return point < p_.pointCount ? renumberedBase(point)
                                     : number_[static_cast<size_t>(p_.pointCount + 1 + (point - p_.pointCount))];
    }
    // A point index as the base stores it (a bone's run or origin, a record's offset), whatever it
    // holds: the new points anchored at or before it come first.
    int32_t renumberedBase(int32_t index) const
    {
        if (index < 0) return index;
        return index <= p_.pointCount ? number_[static_cast<size_t>(index)]
                                      : index + static_cast<int32_t>(added_.size());
    }
    // The stored offset of written point `index`; a point of the body that 16 bits cannot reach
    // is kept in unreachable_ (the write is refused), whatever lies past the points wraps as stored.
    int16_t offsetOf(int32_t index, bool signedOffset)
    {
        const int32_t reach = signedOffset ? signedOffsetPointRoom : 0xFFFF / pointBytes + 1;
        if (index >= reach && index < p_.pointCount + static_cast<int32_t>(added_.size()) && unreachable_ < 0)
            unreachable_ = index;
        return static_cast<int16_t>(static_cast<uint16_t>(index * pointBytes));
    }
    int16_t renumberedOffset(int16_t offset, bool signedOffset)
    {
        if (added_.empty()) return offset;  // as stored, whatever it holds
        return offsetOf(renumberedBase(pointIndexOf(offset, signedOffset)), signedOffset);
    }
    void writeElement(StoredBody& out, const Element& e);
};
