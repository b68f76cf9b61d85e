// json_text.cpp: JSON written as text.
#include "exchange/json_text.h"

#include <vector>

#include <nlohmann/json.hpp>

void appendFloats(std::string& s, const float* v, int count)
{
    s += '[';
    for (int i = 0; i < count; ++i) {
        if (i > 0) s += ',';
        appendFloat(s, v[i]);
    }
    s += ']';
}

void appendString(std::string& s, const std::string& v)
{
    s += nlohmann::json(v).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

char* putHex(char* p, const uint8_t* bytes, size_t count)
{
    static const char digits[] = "0123456789abcdef";
    *p++ = '"';
    for (size_t i = 0; i < count; ++i) {
        *p++ = digits[bytes[i] >> 4];
        *p++ = digits[bytes[i] & 15];
    }
    *p++ = '"';
    return p;
}

void appendHex(std::string& s, const uint8_t* bytes, size_t count)
{
    cut(s, putHex(room(s, 2 + 2 * count), bytes, count));
}

std::string indented(const std::string& compact)
{
    constexpr size_t lineLength = 100;
    // Where each container closes, by its opening's rank.
    std::vector<size_t> closes;
    {
        std::vector<size_t> open;
        bool quoted = false;
        for (size_t i = 0; i < compact.size(); ++i) {
            const char c = compact[i];
            if (quoted) {
                if (c == '\\')
                    ++i;
                else if (c == '"')
                    quoted = false;
            } else if (c == '"') {
                quoted = true;
            } else if (c == '{' || c == '[') {
                open.push_back(closes.size());
                closes.push_back(0);
            } else if ((c == '}' || c == ']') && !open.empty()) {
                closes[open.back()] = i;
                open.pop_back();
            }
        }
    }
    std::string out;
    out.reserve(compact.size() + compact.size() / 4);
    std::vector<bool> broken;  // the open containers: laid out a line an item?
    size_t opened = 0, depth = 0;
    const auto newline = [&] {
        out += '\n';
        out.append(depth, ' ');
    };
    bool quoted = false;
    for (size_t i = 0; i < compact.size(); ++i) {
        const char c = compact[i];
        if (quoted) {
            out += c;
            if (c == '\\' && i + 1 < compact.size())
                out += compact[++i];
            else if (c == '"')
                quoted = false;
            continue;
        }
        switch (c) {
        case '"':
            quoted = true;
            out += c;
            break;
        case '{':
        case '[': {
            const size_t end = closes[opened++];
            const char next = i + 1 < compact.size() ? compact[i + 1] : ' ';
            const bool brk = end - i + 1 > lineLength && (c == '{' || next == '{' || next == '[');
            out += c;
            broken.push_back(brk);
            if (brk) {
                ++depth;
                newline();
            }
            break;
        }
        case '}':
        case ']':
            if (!broken.empty() && broken.back()) {
                --depth;
                newline();
            }
            if (!broken.empty()) broken.pop_back();
            out += c;
            break;
        case ',':
            out += c;
            if (!broken.empty() && broken.back()) newline();
            break;
        case ':':
            out += c;
            if (!broken.empty() && broken.back()) out += ' ';
            break;
        default:
            out += c;
        }
    }
    return out;
}
