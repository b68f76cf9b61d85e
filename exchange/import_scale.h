// import_scale.h: the scale a model comes in at, and what to say when it does not suit the
// body's 16-bit coordinates: a scale that, given back as --scale, is accepted, or the reason no
// scale can help (a vertex so far out that the rest would shrink to a point).
#pragma once

#include <string>

#include "exchange/mesh_scene.h"
#include "support/fault.h"

// The scale that makes the largest extent of the faces' vertices `size` model units.
Fault fitScale(const MeshScene& scene, double size, double* scale);

// The largest number of six significant digits not above `bound`, as --scale reads it back.
std::string scaleSuggestion(double bound);

// The refusal for points that reach `reach` model units (above 32767) at `scale`.
Fault outOfRangeFault(const MeshScene& scene, double scale, double reach);

// The refusal when every one of the scene's `faces` faces lost its area at `scale`.
Fault nothingLeftFault(const MeshScene& scene, double scale, size_t faces);
