// posed_body.h: one body taken through the viewer's pipeline for export: its frame pose, its
// bind pose (every angle 0), the skeleton as a tree of joints and its elements as drawn, plus
// every stored field that geometry cannot carry.
//
// The frame is the second one the viewer runs on a freshly loaded body held at one auto-angle,
// as `orvane render` draws it: from then on the picture stays put (the root has taken the angle
// X that the last rotation bone leaves in the register).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "body/body.h"
#include "exchange/geometry.h"
#include "exchange/stored_records.h"
#include "support/fault.h"

struct PosedBone {
    int index = 0;                 // in the bone table
    int parentJoint = -1;          // joint it hangs under (-1 for the root joint)
    bool regular = true;           // its parent field names an earlier processed bone (or none, for the root)
    int depth = 1;                 // joints from the root down to this one, itself included
    int16_t turnX = 0, turnY = 0;  // the angle registers its matrix was made with
    Vec3 origin{};                 // frame: where its points are moved to (model units, integers)
    Vec3 bindOrigin{};             // bind pose: the same with every angle 0
    Mat3 world{};                  // frame: its turn as a rotation (the glTF joint's world rotation)
    Mat3 local{};                  // the same relative to the joint it hangs under: its own turn when regular
    Matrix fixed{};                // frame: the viewer's own fixed-point matrix
};

// One element as drawn, with its stored record.
struct PosedElement : StoredElement {
    uint8_t drawType = 0;                 // polygon: draw type
    uint16_t drawnColour = 0;             // polygon: colour field as drawn (with the shade for types 7 and 8)
    std::vector<uint16_t> vertexColours;  // polygon types 9 and up, per vertex, as drawn
    std::vector<uint16_t> points;         // point indices as drawn
    uint8_t paletteIndex() const
    {
        return kind == polygon ? static_cast<uint8_t>(drawnColour) : static_cast<uint8_t>(attributes >> 8);
    }
    bool translucent() const { return kind == polygon && type == 5; }
    bool smooth() const { return kind == polygon && (type == 9 || type == 10); }
};

struct PosedBody {
    int32_t autoAngle = 0;
    int pointCount = 0;                // the body's own points
    int pointRoom = 0;                 // points any element or bone may name (up to the table's room)
    std::vector<Point16> framePoints;  // the viewer's transformed points of the frame, pointRoom of them
    std::vector<Point16> bindPoints;   // bind pose, pointRoom of them (integers, 16-bit like the viewer's)
    std::vector<int> pointJoint;       // owning joint per point (the last bone to place it; the root otherwise)
    std::vector<PosedBone> joints;     // processed bones in table order; joint 0 is the root
    std::vector<BoneRecord> bones;     // the whole bone table, as stored
    std::vector<int> boneJoint;        // each bone's joint, -1 for a bone the skeleton pass skips
    std::vector<NormalRecord> normalRecords;
    int16_t normalTotal = 0;             // the normal section's stored count
    std::vector<PosedElement> elements;  // polygons, lines, spheres in stored order
    std::vector<uint8_t> header;         // bytes before the data section (26), as stored
    std::vector<uint8_t> tail;           // bytes after the element section, as stored
    std::vector<Point16> storedPoints;   // the point section, as stored
};

// Takes a raw (unprepared) entry through the checks, preparation and two frames at `autoAngle`
// and fills *out; or the fault that keeps the entry from being shown: the check's, or the
// viewer's fatal message. Uses the pipeline's process-wide tables (reset first).
Fault poseBody(const uint8_t* raw, size_t size, int32_t autoAngle, PosedBody* out);
