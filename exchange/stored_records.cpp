// stored_records.cpp: elements to the codec's records and back.
#include "exchange/stored_records.h"

StoredElement elementOf(const PolygonRecord& r)
{
    StoredElement e;
    e.type = r.renderType;
    e.colour = r.colour;
    e.polygonNormal = r.normal;
    e.normals = r.normals;
    e.offsets = r.offsets;
    return e;
}

StoredElement elementOf(PolygonRecord&& r)
{
    StoredElement e;
    e.type = r.renderType;
    e.colour = r.colour;
    e.polygonNormal = r.normal;
    e.normals = std::move(r.normals);
    e.offsets = std::move(r.offsets);
    return e;
}

StoredElement elementOf(const LineRecord& r)
{
    StoredElement e;
    e.kind = StoredElement::line;
    e.attributes = r.attributes;
    e.offsets = {r.first, r.second};
    return e;
}

StoredElement elementOf(const SphereRecord& r)
{
    StoredElement e;
    e.kind = StoredElement::sphere;
    e.attributes = r.attributes;
    e.radius = r.radius;
    e.offsets = {r.centre};
    return e;
}

void appendRecord(const StoredElement& e, StoredBody* body)
{
    switch (e.kind) {
    case StoredElement::polygon: {
        PolygonRecord r;
        r.renderType = e.type;
        r.colour = e.colour;
        r.normal = e.polygonNormal;
        r.offsets = e.offsets;
        r.normals = e.normals;
        body->polygons.push_back(std::move(r));
        break;
    }
    case StoredElement::line:
        body->lines.push_back({e.attributes, e.offsets[0], e.offsets[1]});
        break;
    case StoredElement::sphere:
        body->spheres.push_back({e.attributes, e.radius, e.offsets[0]});
        break;
    }
}
