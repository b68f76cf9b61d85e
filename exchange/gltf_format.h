// gltf_format.h: the numbers glTF 2.0 gives meaning to, for the writer and the readers alike.
#pragma once

#include <cstdint>

// Accessor component types.
inline constexpr int gltfByte = 5120;
inline constexpr int gltfUnsignedByte = 5121;
inline constexpr int gltfShort = 5122;
inline constexpr int gltfUnsignedShort = 5123;
inline constexpr int gltfUnsignedInt = 5125;
inline constexpr int gltfFloat = 5126;

// Buffer view targets.
inline constexpr int gltfArrayBuffer = 34962;
inline constexpr int gltfElementArrayBuffer = 34963;

// Primitive modes.
inline constexpr int gltfPoints = 0;
inline constexpr int gltfLines = 1;
inline constexpr int gltfLineLoop = 2;
inline constexpr int gltfLineStrip = 3;
inline constexpr int gltfTriangles = 4;
inline constexpr int gltfTriangleStrip = 5;
inline constexpr int gltfTriangleFan = 6;

// The GLB container: a 12-byte header, then chunks of an 8-byte header (length, type) each.
inline constexpr uint32_t glbMagic = 0x46546C67;  // "glTF"
inline constexpr uint32_t glbVersion = 2;
inline constexpr uint32_t glbJsonChunk = 0x4E4F534A;  // "JSON"
inline constexpr uint32_t glbBinChunk = 0x004E4942;   // "BIN\0"
inline constexpr size_t glbHeaderBytes = 12;
inline constexpr size_t glbChunkHeaderBytes = 8;
