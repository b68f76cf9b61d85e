// glb.cpp: writes and walks the GLB container.
#include "exchange/glb.h"

#include <cstring>

#include "exchange/gltf_format.h"
#include "support/little_endian.h"

uint8_t* frameGlb(std::string& json, size_t binBytes, std::vector<uint8_t>* out)
{
    json.resize((json.size() + 3) & ~size_t{3}, ' ');
    out->clear();
    out->resize(glbHeaderBytes + glbChunkHeaderBytes + json.size() + glbChunkHeaderBytes + binBytes);
    uint8_t* p = out->data();
    writeU32(p, glbMagic);
    writeU32(p + 4, glbVersion);
    writeU32(p + 8, static_cast<uint32_t>(out->size()));
    writeU32(p + 12, static_cast<uint32_t>(json.size()));
    writeU32(p + 16, glbJsonChunk);
    std::memcpy(p + 20, json.data(), json.size());
    p += glbHeaderBytes + glbChunkHeaderBytes + json.size();
    writeU32(p, static_cast<uint32_t>(binBytes));
    writeU32(p + 4, glbBinChunk);
    return p + glbChunkHeaderBytes;
}

bool looksLikeGlb(const std::vector<uint8_t>& bytes) { return bytes.size() >= 4 && readU32(bytes.data()) == glbMagic; }

Fault readGlb(const std::vector<uint8_t>& bytes, const std::function<Fault(const uint8_t*, size_t)>& onJson,
              std::vector<uint8_t>* bin, bool* haveBin)
{
    *haveBin = false;
    if (bytes.size() < 20) return faultOf("GLB header truncated");
    const uint32_t version = readU32(bytes.data() + 4);
    const uint32_t total = readU32(bytes.data() + 8);
    if (version != glbVersion) return faultOf("GLB version %u, not 2", version);
    if (total > bytes.size()) return faultOf("GLB declares %u bytes but the file has %zu", total, bytes.size());
    size_t at = glbHeaderBytes;
    bool haveJson = false;
    while (at + glbChunkHeaderBytes <= total) {
        const uint32_t length = readU32(bytes.data() + at);
        const uint32_t type = readU32(bytes.data() + at + 4);
        at += glbChunkHeaderBytes;
        if (length > total - at) return faultOf("GLB chunk of %u bytes runs past the end of the file", length);
        if (!haveJson) {
            if (type != glbJsonChunk) return faultOf("GLB does not start with a JSON chunk");
            if (const Fault f = onJson(bytes.data() + at, length)) return f;
            haveJson = true;
        } else if (type == glbBinChunk && !*haveBin) {
            bin->assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                        bytes.begin() + static_cast<std::ptrdiff_t>(at + length));
            *haveBin = true;
        }
        at += length;
    }
    if (!haveJson) return faultOf("GLB without a JSON chunk");
    return noFault();
}
