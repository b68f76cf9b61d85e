// gif_file.cpp: pictures as one looping animated GIF through giflib, encoded in memory.
#include "image/gif_file.h"

#include <gif_lib.h>  // Required for: the GIF encoder

#include "image/colour_quantiser.h"
#include "support/file_io.h"

namespace {

int appendBytes(GifFileType* gif, const GifByteType* bytes, int length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    out->insert(out->end(), bytes, bytes + length);
    return length;
}

Fault failure(int code)
{
    const char* reason = GifErrorString(code);
    return faultOf("%s", reason != nullptr ? reason : "cannot encode the GIF");
}

}  // namespace

Fault encodeAnimatedGif(const std::vector<RgbImage>& frames, int delay, std::vector<uint8_t>* out)
{
    if (frames.empty() || frames[0].width < 1 || frames[0].height < 1 || frames[0].width > 65535 ||
        frames[0].height > 65535)
        return faultOf("no frames to write");
    const int width = frames[0].width, height = frames[0].height;
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (const RgbImage& f : frames)
        if (f.width != width || f.height != height || f.rgb.size() != pixels * 3)
            return faultOf("frames of different sizes");

    const QuantisedPictures q = quantise(frames, 256);
    // A colour map holds a power of two entries; the unused ones stay black.
    int mapSize = 2;
    while (mapSize < static_cast<int>(q.palette.size())) mapSize *= 2;
    ColorMapObject* map = GifMakeMapObject(mapSize, nullptr);
    if (map == nullptr) return faultOf("out of memory");
    for (int i = 0; i < mapSize; ++i) {
        const bool used = i < static_cast<int>(q.palette.size());
        map->Colors[i].Red = used ? q.palette[static_cast<size_t>(i)][0] : 0;
        map->Colors[i].Green = used ? q.palette[static_cast<size_t>(i)][1] : 0;
        map->Colors[i].Blue = used ? q.palette[static_cast<size_t>(i)][2] : 0;
    }

    out->clear();
    int error = 0;
    GifFileType* gif = EGifOpen(out, appendBytes, &error);
    if (gif == nullptr) {
        GifFreeMapObject(map);
        return failure(error);
    }
    EGifSetGifVersion(gif, true);
    bool ok = EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK;
    GifFreeMapObject(map);  // the encoder keeps its own copy

    // The application block that makes viewers loop: "NETSCAPE2.0", sub-block 1, count 0 = for ever.
    static const GifByteType loopName[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static const GifByteType loopForever[] = {1, 0, 0};
    ok = ok && EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
         EGifPutExtensionBlock(gif, sizeof loopName, loopName) == GIF_OK &&
         EGifPutExtensionBlock(gif, sizeof loopForever, loopForever) == GIF_OK &&
         EGifPutExtensionTrailer(gif) == GIF_OK;

    GraphicsControlBlock control;
    control.DisposalMode = DISPOSE_DO_NOT;
    control.UserInputFlag = false;
    control.DelayTime = delay;
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType controlBytes[4];
    const size_t controlLength = EGifGCBToExtension(&control, controlBytes);
    for (size_t f = 0; ok && f < frames.size(); ++f) {
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(controlLength), controlBytes) == GIF_OK &&
             EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
        // giflib takes a row at a time but never changes the pixels it is given.
        auto* rows = const_cast<GifPixelType*>(q.indices[f].data());
        for (int y = 0; ok && y < height; ++y)
            ok = EGifPutLine(gif, rows + static_cast<size_t>(y) * static_cast<size_t>(width), width) == GIF_OK;
    }
    const int lastError = gif->Error;
    int closeError = 0;
    if (EGifCloseFile(gif, &closeError) != GIF_OK && ok) return failure(closeError);
    if (!ok) return failure(lastError);
    return noFault();
}

Fault saveAnimatedGif(const std::string& path, const std::vector<RgbImage>& frames, int delay)
{
    std::vector<uint8_t> encoded;
    if (const Fault fault = encodeAnimatedGif(frames, delay, &encoded)) return fault;
    return writeFileBytes(path, encoded);
}
