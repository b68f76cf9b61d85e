// json_text.h: JSON written as text, fast: numbers, strings, hex byte strings and integer
// lists appended to a std::string, or put through a pointer into room made beforehand for the
// long arrays (with a bound on each record's length, then the text cut to what was written).
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

inline void appendInt(std::string& s, long long v)
{
    char text[24];
    s.append(text, std::to_chars(text, text + sizeof text, v).ptr);
}

// The shortest text that reads back as the float's exact value, even into a double.
inline void appendFloat(std::string& s, float v)
{
    char text[32];
    s.append(text, std::to_chars(text, text + sizeof text, static_cast<double>(v)).ptr);
}

void appendFloats(std::string& s, const float* v, int count);
// A JSON string; bytes that are not UTF-8 (a file name may hold any) become U+FFFD.
void appendString(std::string& s, const std::string& v);
// A JSON string of two lowercase hex digits a byte.
void appendHex(std::string& s, const uint8_t* bytes, size_t count);

// `bytes` more characters at the end of `s`, to be written through the pointer returned.
inline char* room(std::string& s, size_t bytes)
{
    const size_t at = s.size();
    s.resize(at + bytes);
    return s.data() + at;
}

// Cuts `s` back to end where the writing through room's pointer stopped.
inline void cut(std::string& s, const char* end) { s.resize(static_cast<size_t>(end - s.data())); }

template <size_t N>
inline char* put(char* p, const char (&text)[N])
{
    std::memcpy(p, text, N - 1);
    return p + N - 1;
}

inline char* put(char* p, long long v) { return std::to_chars(p, p + 24, v).ptr; }

template <typename List>
inline char* putList(char* p, const List& values)
{
    *p++ = '[';
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0) *p++ = ',';
        p = put(p, static_cast<long long>(values[i]));
    }
    *p++ = ']';
    return p;
}

char* putHex(char* p, const uint8_t* bytes, size_t count);

template <typename List>
inline void appendInts(std::string& s, const List& values)
{
    cut(s, putList(room(s, 2 + 21 * values.size()), values));
}

// Compact JSON laid out for reading: a container that fits on a line stays on one; a longer
// object takes a line a member, a longer array a line an item when its items are containers.
std::string indented(const std::string& compact);
