// cmd_patch_files.cpp: reading archives and patches whole, with a size cap.
#include "tool/cmd_patch_files.h"

#include <sys/stat.h>

#include <cstdio>

#include "support/file_io.h"

bool readWholeInput(const CommandSyntax& syntax, const std::string& path, std::vector<uint8_t>* out)
{
    // The size is checked before the read, and again after it for a file that grew meanwhile.
    struct stat status;
    Fault fault;
    if (stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
        static_cast<uint64_t>(status.st_size) > wholeInputLimit)
        fault = faultOf("larger than %llu MiB, the most this command reads",
                        static_cast<unsigned long long>(wholeInputLimit >> 20));
    if (!fault) fault = readFileBytes(path, out);
    if (!fault && out->size() > wholeInputLimit)
        fault = faultOf("larger than %llu MiB, the most this command reads",
                        static_cast<unsigned long long>(wholeInputLimit >> 20));
    if (fault) {
        out->clear();
        std::fprintf(stderr, "orvane %s: cannot read %s: %s\n", syntax.name, path.c_str(), fault.reason);
        return false;
    }
    return true;
}

bool readPatchableInput(const CommandSyntax& syntax, const std::string& path, std::vector<uint8_t>* bytes,
                        PatchableArchive* archive)
{
    if (!readWholeInput(syntax, path, bytes)) return false;
    if (const Fault fault = readPatchableArchive(*bytes, archive)) {
        std::fprintf(stderr, "orvane %s: %s: %s\n", syntax.name, path.c_str(), fault.reason);
        return false;
    }
    return true;
}

bool readPatchInput(const CommandSyntax& syntax, const std::string& path, ArchivePatch* patch, uint64_t* size)
{
    std::vector<uint8_t> bytes;
    if (!readWholeInput(syntax, path, &bytes)) return false;
    if (size != nullptr) *size = bytes.size();
    if (const Fault fault = decodePatch(bytes, patch)) {
        std::fprintf(stderr, "orvane %s: %s: %s\n", syntax.name, path.c_str(), fault.reason);
        return false;
    }
    return true;
}
