// gallery_page.h: the text of a gallery's index page and data script from what each entry
// showed, with every text from the archive escaped for where it goes.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "render/view.h"

struct GalleryEntry {
    int index = 0;
    std::string fault;  // why it cannot be shown; empty when it can
    int points = 0, bones = 0, polygons = 0, lines = 0, spheres = 0;
    bool turntable = false;  // a GIF beside the models
};

struct GalleryPage {
    std::string title;
    View view;  // where each 3-D view starts
    int thumbWidth = 0, thumbHeight = 0;
    std::vector<GalleryEntry> entries;
};

// Where an entry's files go in the gallery's folder.
std::string galleryThumbName(int index);                        // thumbs/N.png
std::string galleryModelScript(int index);                      // models/N.js
std::string galleryFileName(int index, const char* extension);  // files/N.EXT

std::string galleryIndexHtml(const GalleryPage& page);
std::string galleryDataScript(const GalleryPage& page);
// The page's files, name and text: index.html, its data script, style and script.
std::vector<std::pair<std::string, std::string>> galleryPageFiles(const GalleryPage& page);
// models/N.js: hands the page a .glb as base64.
std::string galleryModelScriptText(int index, const std::vector<uint8_t>& glb);

// Text made safe inside HTML elements and quoted attributes.
std::string htmlEscaped(const std::string& text);
// A JSON string literal that is also safe inside a script ("</script>" and line separators too).
std::string scriptString(const std::string& text);
