// demo_data.cpp: the demo archive and the demo files, from the palette and bodies beside it.
#include "demo/demo_data.h"

#include "archive/archive_writer.h"
#include "support/file_io.h"

Fault makeDemoArchive(std::vector<uint8_t>* archive)
{
    std::vector<DemoBody> bodies;
    if (const Fault fault = makeDemoBodies(&bodies)) return fault;
    std::vector<std::vector<uint8_t>> entries;
    std::vector<EntryPacking> packing;
    for (DemoBody& body : bodies) {
        entries.push_back(std::move(body.bytes));
        packing.push_back(body.packed ? EntryPacking::packedIfSmaller : EntryPacking::stored);
    }
    return buildArchive(entries, packing, archive);
}

std::vector<DemoBody> demoBodies()
{
    std::vector<DemoBody> bodies;
    if (makeDemoBodies(&bodies)) bodies.clear();
    return bodies;
}

std::vector<uint8_t> demoArchive()
{
    std::vector<uint8_t> archive;
    if (makeDemoArchive(&archive)) archive.clear();
    return archive;
}

Fault writeDemoFiles(const std::string& directory)
{
    std::vector<uint8_t> archive;
    if (const Fault fault = makeDemoArchive(&archive)) return fault;
    // Both or neither: a failed write leaves the folder as it was.
    return writeFilesTogether(
        {{directory + "/" + demoPaletteFileName, demoPalette()}, {directory + "/" + demoArchiveFileName, archive}});
}
