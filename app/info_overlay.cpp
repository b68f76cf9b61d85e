// info_overlay.cpp: --info: a box in the window's top-left corner telling what is shown.
#include "app/info_overlay.h"

#include <algorithm>  // Required for: std::copy
#include <cstdio>     // Required for: std::snprintf

#include "app/options.h"
#include "app/viewer_state.h"
#include "body/render_records.h"
#include "render/screen_image.h"
#include "support/little_endian.h"

namespace {

constexpr uint32_t fpsWindowMilliseconds = 1000;
static_assert(infoBoxWidth <= screenImageRoomWidth && infoBoxHeight <= screenImageRoomHeight);

std::string fit(std::string text)
{
    if (text.size() <= static_cast<size_t>(infoColumns)) return text;
    return "..." + text.substr(text.size() - (infoColumns - 3));
}

std::string printed(const char* format, long a, long b)
{
    char line[64];
    std::snprintf(line, sizeof line, format, a, b);
    return line;
}

// Breaks `text` between words into at most `count` lines of infoColumns characters; a word
// longer than a line is cut, and text left over ends the last line with "...".
void wrap(const std::string& text, std::string* lines, int count)
{
    const size_t width = infoColumns;
    size_t at = 0;
    for (int n = 0; n < count; ++n) {
        while (at < text.size() && text[at] == ' ') ++at;
        if (at >= text.size()) return;
        size_t end = at + width;
        if (end >= text.size()) {
            lines[n] = text.substr(at);
            return;
        }
        const size_t space = text.rfind(' ', end);
        if (space != std::string::npos && space > at) end = space;
        lines[n] = text.substr(at, end - at);
        at = end;
    }
    while (at < text.size() && text[at] == ' ') ++at;
    if (at < text.size()) {
        std::string& last = lines[count - 1];
        if (last.size() > width - 3) last.resize(width - 3);
        last += "...";
    }
}

}  // namespace

InfoLines composeInfoLines(const InfoFacts& facts)
{
    InfoLines lines;
    const size_t slash = facts.archive.rfind('/');
    lines[0] = fit(slash == std::string::npos ? facts.archive : facts.archive.substr(slash + 1));
    lines[1] = facts.entryCount < 0 ? printed("entry %ld", facts.entry, 0)
                                    : printed("entry %ld of %ld", facts.entry, facts.entryCount);
    if (!facts.fault.empty()) {
        wrap(facts.fault, &lines[2], 3);
    } else {
        lines[2] = fit(printed("points %ld bones %ld", facts.points, facts.bones));
        lines[3] = fit(printed("polygons %ld lines %ld", facts.polygons, facts.lines));
        lines[4] = fit(printed("spheres %ld", facts.spheres, 0));
    }
    if (facts.fps < 0.0) {
        lines[5] = "fps --";
    } else {
        char line[32];
        std::snprintf(line, sizeof line, "fps %.1f", facts.fps);
        lines[5] = fit(line);
    }
    return lines;
}

RgbImage paintInfoBox(const InfoLines& lines)
{
    RgbImage box = blackImage(infoBoxWidth, infoBoxHeight);
    for (size_t i = 0; i < box.rgb.size(); i += 3) std::copy(infoBacking, infoBacking + 3, &box.rgb[i]);
    for (int i = 0; i < infoLineCount; ++i) {
        drawLabel(box, infoPadding, infoPadding + i * labelHeight(infoScale), fit(lines[i]).c_str(), infoScale,
                  infoInk);
    }
    return box;
}

int32_t bodyPointCount(const uint8_t* body, uint32_t size)
{
    if (body == nullptr || size < static_cast<uint32_t>(bodyFrameDataOffset) + 2) return 0;
    return readI16(body + bodyFrameDataOffset);
}

void drawInfoOverlay(uint32_t nowMilliseconds, const BoneTree* tree)
{
    static bool started = false;
    static uint32_t windowStart = 0;
    static uint32_t framesInWindow = 0;
    static InfoFacts facts;
    static uint32_t countedLoads = 0;
    static InfoLines shown;
    static ScreenImage box;
    static bool painted = false;

    bool secondPassed = false;
    if (!started) {
        started = true;
        windowStart = nowMilliseconds;
    }
    ++framesInWindow;
    const uint32_t elapsed = nowMilliseconds - windowStart;
    if (elapsed >= fpsWindowMilliseconds) {
        facts.fps = framesInWindow * 1000.0 / elapsed;
        framesInWindow = 0;
        windowStart = nowMilliseconds;
        secondPassed = true;
    }

    // The archive's entry count is read again whenever the entry changes, and under --watch
    // once a second too, since a reload that fails changes no entry but may change the file.
    if ((secondPassed && viewerOptions.watch) || !painted || countedLoads != bodyLoads || facts.entry != modelIndex) {
        facts.archive = viewerOptions.archivePath;
        facts.entry = modelIndex;
        facts.entryCount = announcedArchiveEntries(viewerOptions.archivePath.c_str());
        countedLoads = bodyLoads;
    }
    facts.fault = currentBody == nullptr ? std::string(currentBodyFault ? currentBodyFault.reason : "nothing loaded")
                                         : std::string();
    facts.points = facts.bones = facts.polygons = facts.lines = facts.spheres = 0;
    if (currentBody != nullptr) {
        facts.points = bodyPointCount(currentBody, currentBodySize);
        facts.bones = tree == nullptr ? 0 : static_cast<int32_t>(tree->bones.size());
        const int32_t count = renderEntryCount();
        for (int32_t i = 0; i < count; ++i) {
            const uint16_t kind = renderList[i].kind;
            facts.polygons += kind == renderKindPolygon;
            facts.lines += kind == renderKindLine;
            facts.spheres += kind == renderKindSphere;
        }
    }

    const InfoLines lines = composeInfoLines(facts);
    if (!painted || lines != shown) {
        uploadScreenImage(&box, paintInfoBox(lines));
        shown = lines;
        painted = true;
    }
    drawScreenImage(box, windowWidth, windowHeight);
}
