// base64.cpp: base64 both ways, for data URIs.
#include "exchange/base64.h"

namespace {

int base64Value(uint8_t c)
{
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

bool decodeBase64(const std::string& text, size_t from, std::vector<uint8_t>* out)
{
    out->clear();
    out->reserve((text.size() - from) / 4 * 3 + 3);
    uint32_t bits = 0;
    int held = 0;
    for (size_t i = from; i < text.size(); ++i) {
        const auto c = static_cast<uint8_t>(text[i]);
        if (c == '=') {
            // Padding ends the text: at most two '=', and nothing after them.
            const size_t end = text.find_first_not_of('=', i);
            return end == std::string::npos && text.size() - i <= 2;
        }
        const int v = base64Value(c);
        if (v < 0) return false;
        bits = (bits << 6) | static_cast<uint32_t>(v);
        held += 6;
        if (held >= 8) {
            held -= 8;
            out->push_back(static_cast<uint8_t>(bits >> held));
        }
    }
    return true;
}

}  // namespace

void appendBase64(std::string& s, const std::vector<uint8_t>& bytes)
{
    static const char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    // Filled in place, '=' already standing where padding goes: buffers run to megabytes.
    const size_t start = s.size();
    s.resize(start + (bytes.size() + 2) / 3 * 4, '=');
    char* out = s.data() + start;
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t v =
            static_cast<uint32_t>(bytes[i]) << 16 | static_cast<uint32_t>(bytes[i + 1]) << 8 | bytes[i + 2];
        *out++ = table[v >> 18];
        *out++ = table[(v >> 12) & 63];
        *out++ = table[(v >> 6) & 63];
        *out++ = table[v & 63];
    }
    if (i < bytes.size()) {
        const bool two = i + 1 < bytes.size();
        const uint32_t v =
            static_cast<uint32_t>(bytes[i]) << 16 | (two ? static_cast<uint32_t>(bytes[i + 1]) << 8 : 0u);
        *out++ = table[v >> 18];
        *out++ = table[(v >> 12) & 63];
        if (two) *out = table[(v >> 6) & 63];
    }
}

void appendBase64DataUri(std::string& s, const std::vector<uint8_t>& bytes)
{
    s += "data:application/octet-stream;base64,";
    appendBase64(s, bytes);
}

bool isDataUri(const std::string& uri) { return uri.rfind("data:", 0) == 0; }

DataUriStatus decodeBase64DataUri(const std::string& uri, std::vector<uint8_t>* out)
{
    const size_t comma = uri.find(',');
    if (comma == std::string::npos || comma < 12 || uri.compare(comma - 7, 7, ";base64") != 0)
        return DataUriStatus::notBase64;
    return decodeBase64(uri, comma + 1, out) ? DataUriStatus::ok : DataUriStatus::badBase64;
}
