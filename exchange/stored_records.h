// stored_records.h: a body's elements in stored order, whatever their kind, as the exporter
// carries them into the glTF's extras and the importer reads them back; the codec's records
// (body/body_codec.h) are what they come from and go back into.
#pragma once

#include <cstdint>
#include <vector>

#include "body/body_codec.h"

struct StoredElement {
    enum Kind { polygon, line, sphere } kind = polygon;
    // polygon
    uint8_t type = 0;               // render type
    uint16_t colour = 0;            // colour field
    int16_t polygonNormal = 0;      // types 7 and 8
    std::vector<uint16_t> normals;  // types 9 and up, per vertex
    // every kind: point offsets (polygon: per vertex; line: both ends; sphere: centre)
    std::vector<int16_t> offsets;
    // line and sphere
    uint32_t attributes = 0;
    int16_t radius = 0;
};

// The element of each record, and the record of an element.
StoredElement elementOf(const PolygonRecord& r);
StoredElement elementOf(PolygonRecord&& r);  // takes its lists
StoredElement elementOf(const LineRecord& r);
StoredElement elementOf(const SphereRecord& r);
// Appends `e` to its kind's list of `body`.
void appendRecord(const StoredElement& e, StoredBody* body);
