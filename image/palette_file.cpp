// palette_file.cpp: reads a palette file into a palette.
#include "image/palette_file.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "support/file_io.h"

Fault readPalette(const char* path, Palette& palette)
{
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return faultOf("cannot open palette %s", path);
    std::memset(palette, 0, sizeof(Palette));
    // One read of 768 one-byte items; a short count is accepted as it is.
    (void)std::fread(palette, 1, sizeof(Palette), file);
    std::fclose(file);
    return noFault();
}

Fault loadPaletteFile(const char* path, Palette& palette)
{
    std::vector<uint8_t> bytes;
    // Only the first 768 bytes count; anything far larger is no palette.
    if (const Fault fault = readFileBytes(path, &bytes, {std::size_t{1} << 20, "a palette"}))
        return withContext(path, fault);
    if (bytes.empty()) return faultOf("%s: empty palette file", path);
    std::memset(palette, 0, sizeof(Palette));
    std::memcpy(palette, bytes.data(), bytes.size() < sizeof(Palette) ? bytes.size() : sizeof(Palette));
    return noFault();
}
