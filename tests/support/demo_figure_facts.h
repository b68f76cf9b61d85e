// demo_figure_facts.h: what the information box states for the demo's figure (entry 0 of 8),
// fixed here rather than counted, so that a miscount in the viewer fails instead of being repeated.
#pragma once

#include <string>

#include "app/info_overlay.h"

inline InfoFacts demoFigureFacts(std::string archive, int entry = 0, double fps = -1.0)
{
    return {.archive = std::move(archive),
            .entry = entry,
            .entryCount = 8,
            .fault = "",
            .points = 335,
            .bones = 16,
            .polygons = 210,
            .lines = 17,
            .spheres = 14,
            .fps = fps};
}
