// archive_loader_fuzz.cpp: fuzz harness: whole archive files, every entry through the loader.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "archive/archive_format.h"
#include "archive/archive_loader.h"
#include "fuzz/input_file.h"
#include "support/little_endian.h"

namespace {

constexpr int32_t entriesTried = 64;  // the first entries, and the first index past the table

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* archivePath = inputAsFile(data, size);

    const int32_t count = size >= 4 ? static_cast<int32_t>(readU32(data)) / 4 : 0;
    const int32_t last = std::clamp(count, 0, entriesTried);
    for (int32_t index = -1; index <= last; ++index) {
        uint8_t untouched = 0;
        uint8_t* out = &untouched;
        uint32_t outSize = 0;
        const Fault fault = loadArchiveEntry(archivePath, static_cast<int16_t>(index), &out, &outSize);
        if (!fault) {
            // The whole buffer is readable, and it is no larger than the file could produce.
            if (out == nullptr || out == &untouched || outSize > 8 * static_cast<uint64_t>(size)) std::abort();
            volatile uint8_t sum = 0;
            for (uint32_t i = 0; i < outSize; ++i) sum = static_cast<uint8_t>(sum + out[i]);
            std::free(out);
        } else if (std::strcmp(fault.reason, archiveOutOfMemory) == 0 ? out != nullptr : out != &untouched) {
            std::abort();  // a refusal must leave the out pointer alone (null only without memory)
        }
    }
    return 0;
}
