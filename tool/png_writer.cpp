// png_writer.cpp: writes (and, for comparisons, reads back) 8-bit RGB PNG files with libpng.
#include "tool/png_writer.h"

#include <png.h>  // Required for: png_image, the simplified libpng interface

#include <cstring>
#include <utility>

bool savePng(const std::string& path, const RgbImage& image, std::string* error)
{
    if (image.width < 1 || image.height < 1 ||
        image.rgb.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3) {
        *error = "no picture to write";
        return false;
    }
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&png, path.c_str(), 0, image.rgb.data(), 0, nullptr)) {
        *error = png.message[0] != '\0' ? png.message : "cannot write the file";
        png_image_free(&png);
        return false;
    }
    return true;
}

bool loadPng(const std::string& path, RgbImage* image, std::string* error)
{
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        *error = png.message[0] != '\0' ? png.message : "cannot read the file";
        return false;
    }
    // Pictures here are screen-sized; refuse what could not be one rather than allocate it.
    if (png.width > 16384 || png.height > 16384) {
        *error = "picture too large";
        png_image_free(&png);
        return false;
    }
    png.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr)) {
        *error = png.message[0] != '\0' ? png.message : "cannot decode the file";
        png_image_free(&png);
        return false;
    }
    image->width = static_cast<int>(png.width);
    image->height = static_cast<int>(png.height);
    image->rgb = std::move(pixels);
    return true;
}
