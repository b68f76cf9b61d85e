// picture_output.cpp: pictures encoded in memory and written through a temporary file.
#include "tool/picture_output.h"

#include <png.h>       // Required for: png_image_write_to_memory
#include <sys/stat.h>  // Required for: umask, fchmod
#include <unistd.h>    // Required for: write, close, unlink

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

std::string replaceFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    if (path == "-") {
        if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size()) return std::strerror(errno);
        if (std::fflush(stdout) != 0) return std::strerror(errno);
        return {};
    }
    const std::filesystem::path target(path);
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(temp.data());
    if (fd < 0) return std::strerror(errno);
    size_t done = 0;
    int error = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = errno;
            break;
        }
        done += static_cast<size_t>(n);
    }
    // mkstemp makes the file private; a picture is as readable as any file the user makes.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (error == 0 && ::fchmod(fd, 0666 & ~mask) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && std::rename(temp.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temp.c_str());
        return std::strerror(error);
    }
    return {};
}

std::string encodePng(const RgbImage& image, std::vector<uint8_t>* out)
{
    if (image.width < 1 || image.height < 1 ||
        image.rgb.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3) {
        return "no picture to write";
    }
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_get_memory_size(png, size, 0, image.rgb.data(), 0, nullptr)) {
        std::string reason = png.message[0] != '\0' ? png.message : "cannot encode the picture";
        png_image_free(&png);
        return reason;
    }
    out->resize(size);
    if (!png_image_write_to_memory(&png, out->data(), &size, 0, image.rgb.data(), 0, nullptr)) {
        std::string reason = png.message[0] != '\0' ? png.message : "cannot encode the picture";
        png_image_free(&png);
        return reason;
    }
    out->resize(size);
    return {};
}

std::string writePng(const std::string& path, const RgbImage& image)
{
    std::vector<uint8_t> bytes;
    std::string error = encodePng(image, &bytes);
    return error.empty() ? replaceFile(path, bytes) : error;
}

bool sameFile(const std::string& output, const std::string& input)
{
    std::error_code error;
    return output != "-" && std::filesystem::equivalent(output, input, error) && !error;
}
