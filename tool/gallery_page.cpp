// gallery_page.cpp: the gallery's index page, data script and model scripts as text.
#include "tool/gallery_page.h"

#include <cstdint>
#include <cstdio>

#include "exchange/base64.h"
#include "tool/gallery_web.h"

#ifndef ORVANE_VERSION
#define ORVANE_VERSION "unknown"
#endif

std::string galleryThumbName(int index) { return "thumbs/" + std::to_string(index) + ".png"; }
std::string galleryModelScript(int index) { return "models/" + std::to_string(index) + ".js"; }
std::string galleryFileName(int index, const char* extension)
{
    return "files/" + std::to_string(index) + "." + extension;
}

std::string htmlEscaped(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string scriptString(const std::string& text)
{
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        char hex[8];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == '<' || c == '>' || c == '&' || c == 0x7F) {
            std::snprintf(hex, sizeof hex, "\\u%04x", c);
            out += hex;
        } else if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
                   (static_cast<unsigned char>(text[i + 2]) == 0xA8 ||
                    static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
            // U+2028 and U+2029 end a line in older script parsers.
            out += static_cast<unsigned char>(text[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
            i += 2;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

namespace {

std::string plural(int n, const char* one) { return std::to_string(n) + " " + one + (n == 1 ? "" : "s"); }

std::string countsText(const GalleryEntry& e)
{
    return plural(e.points, "point") + " · " + plural(e.bones, "bone") + " · " + plural(e.polygons, "polygon") + " · " +
           plural(e.lines, "line") + " · " + plural(e.spheres, "sphere");
}

std::string card(const GalleryPage& page, const GalleryEntry& e)
{
    const std::string n = std::to_string(e.index);
    std::string s = "<li><a class=\"card" + std::string(e.fault.empty() ? "" : " card-fault") + "\" id=\"card-" + n +
                    "\" href=\"#entry-" + n + "\">";
    if (e.fault.empty()) {
        s += "<img src=\"" + galleryThumbName(e.index) + "\" width=\"" + std::to_string(page.thumbWidth) +
             "\" height=\"" + std::to_string(page.thumbHeight) + "\" alt=\"Entry " + n + "\" loading=\"lazy\">";
    } else {
        s += "<span class=\"fault-box\"><span class=\"fault-text\">" + htmlEscaped(e.fault) + "</span></span>";
    }
    s += "<span class=\"card-title\">Entry " + n + "</span><span class=\"counts\">";
    s += e.fault.empty() ? countsText(e) : "cannot be shown";
    return s + "</span></a></li>\n";
}

// The template with each @NAME@ replaced once, in one pass, so no replacement is read again.
std::string fill(const char* text, const std::vector<std::pair<std::string, std::string>>& values)
{
    std::string out;
    const std::string t = text;
    size_t at = 0;
    while (at < t.size()) {
        const size_t mark = t.find('@', at);
        if (mark == std::string::npos) break;
        out.append(t, at, mark - at);
        bool replaced = false;
        for (const auto& [name, value] : values) {
            if (t.compare(mark, name.size() + 2, "@" + name + "@") == 0) {
                out += value;
                at = mark + name.size() + 2;
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            out += '@';
            at = mark + 1;
        }
    }
    if (at < t.size()) out.append(t, at);
    return out;
}

}  // namespace

std::string galleryIndexHtml(const GalleryPage& page)
{
    int shown = 0;
    std::string cards;
    for (const GalleryEntry& e : page.entries) {
        shown += e.fault.empty() ? 1 : 0;
        cards += card(page, e);
    }
    const int total = static_cast<int>(page.entries.size());
    std::string summary = plural(total, "entry");
    if (total != 1) summary.replace(summary.size() - 6, 6, "entries");
    if (shown < total) summary += ", " + std::to_string(total - shown) + " of them cannot be shown";
    summary += ". Choose one to turn it in 3-D.";
    return fill(galleryPageTemplate, {{"VERSION", ORVANE_VERSION},
                                      {"TITLE", htmlEscaped(page.title)},
                                      {"SUMMARY", htmlEscaped(summary)},
                                      {"CARDS", cards}});
}

std::string galleryDataScript(const GalleryPage& page)
{
    char view[160];
    std::snprintf(view, sizeof view, "{\"zoom\":%.9g,\"angleX\":%.9g,\"angleY\":%.9g}", page.view.zoom,
                  page.view.angleX, page.view.angleY);
    std::string s =
        "// The gallery's entries, for gallery.js.\nwindow.orvaneGalleryData = {\"title\":" + scriptString(page.title) +
        ",\"view\":" + view + ",\"entries\":[\n";
    for (size_t k = 0; k < page.entries.size(); ++k) {
        const GalleryEntry& e = page.entries[k];
        s += "{\"index\":" + std::to_string(e.index);
        if (!e.fault.empty()) {
            s += ",\"fault\":" + scriptString(e.fault);
        } else {
            s += ",\"points\":" + std::to_string(e.points) + ",\"bones\":" + std::to_string(e.bones) +
                 ",\"polygons\":" + std::to_string(e.polygons) + ",\"lines\":" + std::to_string(e.lines) +
                 ",\"spheres\":" + std::to_string(e.spheres) +
                 ",\"files\":{\"model\":" + scriptString(galleryModelScript(e.index)) +
                 ",\"glb\":" + scriptString(galleryFileName(e.index, "glb")) +
                 ",\"obj\":" + scriptString(galleryFileName(e.index, "obj")) +
                 ",\"mtl\":" + scriptString(galleryFileName(e.index, "mtl"));
            if (e.turntable) s += ",\"gif\":" + scriptString(galleryFileName(e.index, "gif"));
            s += "}";
        }
        s += k + 1 < page.entries.size() ? "},\n" : "}\n";
    }
    return s + "]};\n";
}

std::vector<std::pair<std::string, std::string>> galleryPageFiles(const GalleryPage& page)
{
    return {{"index.html", galleryIndexHtml(page)},
            {"gallery-data.js", galleryDataScript(page)},
            {"gallery.css", galleryStyle},
            {"gallery.js", galleryScript}};
}

std::string galleryModelScriptText(int index, const std::vector<uint8_t>& glb)
{
    std::string s = "orvaneGalleryModel(" + std::to_string(index) + ",\"";
    s.reserve(s.size() + (glb.size() + 2) / 3 * 4 + 4);
    appendBase64(s, glb);
    s += "\");\n";
    return s;
}
