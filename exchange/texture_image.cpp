// texture_image.cpp: PNG through libpng's simplified reader, JPEG through libjpeg, both from
// memory with the size checked before any pixel is decoded.
#include "exchange/texture_image.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <png.h>

#include "exchange/colour.h"

namespace {

Fault checkSize(long width, long height)
{
    if (width <= 0 || height <= 0) return faultOf("an empty picture");
    if (width > textureSideLimit || height > textureSideLimit || int64_t{width} * height > texturePixelLimit) {
        return faultOf("%ld x %ld pixels: more than the %d x %d the importer bakes", width, height, textureSideLimit,
                       textureSideLimit);
    }
    return noFault();
}

Fault decodePng(const std::vector<uint8_t>& bytes, TextureImage* out)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        return faultOf("bad PNG: %s", image.message);
    if (const Fault f = checkSize(static_cast<long>(image.width), static_cast<long>(image.height))) {
        png_image_free(&image);
        return f;
    }
    image.format = PNG_FORMAT_RGBA;
    out->width = static_cast<int>(image.width);
    out->height = static_cast<int>(image.height);
    out->rgba.assign(PNG_IMAGE_SIZE(image), 0);
    if (!png_image_finish_read(&image, nullptr, out->rgba.data(), 0, nullptr)) {
        *out = TextureImage{};
        return faultOf("bad PNG: %s", image.message);
    }
    return noFault();
}

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf back;
    char message[JMSG_LENGTH_MAX];
};

void jpegFail(j_common_ptr info)
{
    auto* error = reinterpret_cast<JpegError*>(info->err);
    (*info->err->format_message)(info, error->message);
    std::longjmp(error->back, 1);
}

void jpegQuiet(j_common_ptr, int) {}

// Plain C state only between setjmp and longjmp: the pixel buffer is sized before, filled after.
Fault decodeJpeg(const std::vector<uint8_t>& bytes, TextureImage* out)
{
    jpeg_decompress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jpegFail;
    error.manager.emit_message = jpegQuiet;
    error.message[0] = '\0';
    std::vector<uint8_t> row;
    if (setjmp(error.back)) {
        jpeg_destroy_decompress(&info);
        *out = TextureImage{};
        return faultOf("bad JPEG: %s", error.message);
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    if (const Fault f = checkSize(static_cast<long>(info.image_width), static_cast<long>(info.image_height))) {
        jpeg_destroy_decompress(&info);
        return f;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    const auto width = static_cast<size_t>(info.output_width), height = static_cast<size_t>(info.output_height);
    out->width = static_cast<int>(width);
    out->height = static_cast<int>(height);
    out->rgba.assign(width * height * 4, 255);
    row.resize(width * 3);
    while (info.output_scanline < info.output_height) {
        const size_t y = info.output_scanline;
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&info, rows, 1);
        for (size_t x = 0; x < width; ++x) std::memcpy(&out->rgba[(y * width + x) * 4], &row[x * 3], 3);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return noFault();
}

int wrap(double t, int size, TextureWrap mode)
{
    double f = t;
    if (mode == TextureWrap::clampToEdge) {
        f = std::clamp(t, 0.0, 1.0);
    } else if (mode == TextureWrap::mirroredRepeat) {
        f = t - 2 * std::floor(t / 2);  // 0..2
        if (f > 1) f = 2 - f;
    } else {
        f = t - std::floor(t);
    }
    const double texel = std::floor(f * size);
    return static_cast<int>(std::clamp(texel, 0.0, static_cast<double>(size - 1)));
}

}  // namespace

Fault decodeTexture(const std::vector<uint8_t>& bytes, TextureImage* out)
{
    *out = TextureImage{};
    static const uint8_t pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (bytes.size() >= 8 && std::memcmp(bytes.data(), pngSignature, 8) == 0) return decodePng(bytes, out);
    if (bytes.size() >= 3 && bytes[0] == 0xff && bytes[1] == 0xd8 && bytes[2] == 0xff) return decodeJpeg(bytes, out);
    return faultOf("neither a PNG nor a JPEG picture");
}

std::array<double, 3> textureTexel(const TextureImage& image, const TextureSampler& sampler, const TexCoord& uv)
{
    if (image.width <= 0 || image.height <= 0) return {255, 255, 255};
    const double u = std::isfinite(uv[0]) ? uv[0] : 0, v = std::isfinite(uv[1]) ? uv[1] : 0;
    const auto x = static_cast<size_t>(wrap(u, image.width, sampler.wrapS));
    const auto y = static_cast<size_t>(wrap(v, image.height, sampler.wrapT));
    const uint8_t* p = &image.rgba[(y * static_cast<size_t>(image.width) + x) * 4];
    return {static_cast<double>(p[0]), static_cast<double>(p[1]), static_cast<double>(p[2])};
}

std::array<double, 3> meanTextureColour(const TextureImage& image, const TextureSampler& sampler, const TexCoord& a,
                                        const TexCoord& b, const TexCoord& c)
{
    // Steps a side: about one sample per texel the triangle covers, 1 to 10.
    const double area =
        std::fabs((b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])) * 0.5 * image.width * image.height;
    const int steps = std::isfinite(area) ? static_cast<int>(std::clamp(std::ceil(std::sqrt(2 * area)), 1.0, 10.0)) : 1;
    const float* linear = linearFromDisplayTable();
    std::array<double, 3> sum{};
    int samples = 0;
    for (int i = 0; i <= steps; ++i) {
        for (int j = 0; i + j <= steps; ++j) {
            // Every sample strictly inside the triangle, so a thin one still reads its own texels.
            const double wa = (i + 1.0 / 3) / (steps + 1), wb = (j + 1.0 / 3) / (steps + 1), wc = 1 - wa - wb;
            const TexCoord uv = {wa * a[0] + wb * b[0] + wc * c[0], wa * a[1] + wb * b[1] + wc * c[1]};
            const std::array<double, 3> t = textureTexel(image, sampler, uv);
            for (size_t k = 0; k < 3; ++k) sum[k] += linear[static_cast<uint8_t>(t[k])];
            ++samples;
        }
    }
    for (double& s : sum) s /= samples;
    return sum;
}
