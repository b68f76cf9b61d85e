// png_file.cpp: writes (and, for comparisons, reads back) 8-bit RGB PNG files with libpng.
#include "image/png_file.h"

#include <png.h>  // Required for: png_image, the simplified libpng interface

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "support/file_io.h"

namespace {

Fault libpngFault(const png_image& png, const char* otherwise)
{
    return faultOf("%s", png.message[0] != '\0' ? png.message : otherwise);
}

}  // namespace

Fault encodePng(const RgbImage& image, std::vector<uint8_t>* encoded)
{
    encoded->clear();
    if (image.width < 1 || image.height < 1 ||
        image.rgb.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3) {
        return faultOf("no picture to write");
    }
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    // Room for the worst case, so that the picture is compressed once, not measured first.
    // Left uninitialised: only the pages the compressed bytes reach are ever touched.
    png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(png);
    const std::unique_ptr<uint8_t[]> room(new uint8_t[size]);
    if (!png_image_write_to_memory(&png, room.get(), &size, 0, image.rgb.data(), 0, nullptr)) {
        const Fault fault = libpngFault(png, "cannot encode the picture");
        png_image_free(&png);
        return fault;
    }
    encoded->assign(room.get(), room.get() + size);
    return noFault();
}

Fault savePng(const std::string& path, const RgbImage& image)
{
    // Encoded in memory first, so that the file itself is written in one place.
    std::vector<uint8_t> encoded;
    if (const Fault fault = encodePng(image, &encoded)) return fault;
    return writeFileBytes(path, encoded);
}

Fault loadPng(const std::string& path, RgbImage* image)
{
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return libpngFault(png, "cannot read the file");
    // Pictures here are screen-sized; refuse what could not be one rather than allocate it.
    if (png.width > 16384 || png.height > 16384) {
        png_image_free(&png);
        return faultOf("picture too large");
    }
    png.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr)) {
        const Fault fault = libpngFault(png, "cannot decode the file");
        png_image_free(&png);
        return fault;
    }
    image->width = static_cast<int>(png.width);
    image->height = static_cast<int>(png.height);
    image->rgb = std::move(pixels);
    return noFault();
}
