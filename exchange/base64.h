// base64.h: buffers as base64 data URIs, written and read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Appends `bytes` in base64, padded.
void appendBase64(std::string& s, const std::vector<uint8_t>& bytes);
// Appends `bytes` as "data:application/octet-stream;base64,...".
void appendBase64DataUri(std::string& s, const std::vector<uint8_t>& bytes);

// True when `uri` is a data URI (of any kind).
bool isDataUri(const std::string& uri);

enum class DataUriStatus { ok, notBase64, badBase64 };
// Decodes a base64 data URI into *out.
DataUriStatus decodeBase64DataUri(const std::string& uri, std::vector<uint8_t>* out);
