// gltf_export.h: a posed body as glTF 2.0, binary .glb or JSON .gltf with the buffer embedded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exchange/export_options.h"
#include "exchange/posed_body.h"

std::vector<uint8_t> writeGlb(const PosedBody& body, const ExportOptions& options);
// The same into `out`, replacing what it held: a batch reuses one vector for every entry.
void writeGlb(const PosedBody& body, const ExportOptions& options, std::vector<uint8_t>* out);
std::string writeGltf(const PosedBody& body, const ExportOptions& options);
