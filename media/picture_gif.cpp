// GIF through giflib: the first frame, drawn at its place on the logical screen. The screen
// around the frame and the frame's transparent colour are transparent, as browsers show them.
// Only the first frame is read; whatever follows it in the file is never looked at.

#include "media/picture_common.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace bimbalo::pictures {

namespace {

int ReadGif(GifFileType* gif, GifByteType* out, int length)
{
    if (length <= 0)
        return 0;
    return static_cast<int>(std::fread(out, 1, static_cast<std::size_t>(length), static_cast<std::FILE*>(gif->UserData)));
}

struct GifCloser {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

std::string GifReason(int code)
{
    const char* reason = GifErrorString(code);
    return reason ? reason : "unknown error";
}

[[noreturn]] void Damaged(const GifFileType* gif)
{
    throw PictureFault{PictureFault::Damaged, GifReason(gif->Error)};
}

// Skips the records before the first image, keeping the transparent colour of the graphic
// control extension that belongs to it; false at the end of a file with no image.
bool FindFirstImage(GifFileType* gif, int& transparent)
{
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            Damaged(gif);
        switch (type) {
        case IMAGE_DESC_RECORD_TYPE:
            return true;
        case EXTENSION_RECORD_TYPE: {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
                Damaged(gif);
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
                GraphicsControlBlock control{};
                if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
                    transparent = control.TransparentColor;
            }
            while (block)
                if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
                    Damaged(gif);
            break;
        }
        case TERMINATE_RECORD_TYPE:
            return false;
        default:
            throw PictureFault{PictureFault::Damaged, "unknown record type"};
        }
    }
}

}  // namespace

CutPicture DecodeGif(std::FILE* file, CutPlan& plan)
{
    int error = 0;
    const std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(file, ReadGif, &error));
    if (!gif) {
        if (error == D_GIF_ERR_NOT_GIF_FILE)
            throw PictureFault{PictureFault::NotOfKind, GifReason(error)};
        if (error == D_GIF_ERR_NOT_ENOUGH_MEM)
            throw PictureFault{PictureFault::OutOfMemory, "not enough memory"};
        throw PictureFault{PictureFault::Damaged, GifReason(error)};
    }
    int transparent = NO_TRANSPARENT_COLOR;
    if (!FindFirstImage(gif.get(), transparent))
        throw PictureFault{PictureFault::Damaged, "the file has no picture"};
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
        Damaged(gif.get());

    const GifImageDesc& frame = gif->Image;
    if (frame.Width <= 0 || frame.Height <= 0)
        throw PictureFault{PictureFault::Damaged, "the first frame has no pixels"};
    // A frame that reaches past the logical screen widens it, as browsers do; a screen of 0 x 0
    // is the frame's own.
    const std::int64_t right = std::int64_t{frame.Left} + frame.Width, bottom = std::int64_t{frame.Top} + frame.Height;
    const std::int64_t screenWidth = std::max<std::int64_t>(gif->SWidth, right);
    const std::int64_t screenHeight = std::max<std::int64_t>(gif->SHeight, bottom);
    CheckPictureSize(screenWidth, screenHeight, 4);

    const ColorMapObject* colours = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!colours || !colours->Colors)
        throw PictureFault{PictureFault::Damaged, "the first frame has no colour table"};
    // Indices past the table's end show black.
    QRgb palette[256];
    std::fill(std::begin(palette), std::end(palette), qRgb(0, 0, 0));
    for (int i = 0; i < std::min(colours->ColorCount, 256); ++i)
        palette[i] = qRgb(colours->Colors[i].Red, colours->Colors[i].Green, colours->Colors[i].Blue);
    const bool coversScreen = frame.Left == 0 && frame.Top == 0 && right == screenWidth && bottom == screenHeight;
    const bool keyed = transparent >= 0 && transparent < 256;
    if (keyed)
        palette[transparent] &= 0x00FFFFFFu;

    CutPicture picture;
    picture.natural = QSize(static_cast<int>(screenWidth), static_cast<int>(screenHeight));
    const PictureCut cut = plan.Plan(picture.natural, PictureMeta{});
    CutCollector collector(picture.natural, cut, keyed || !coversScreen, plan.corner());

    // Screen rows: transparent outside the frame, the frame's pixels at its place.
    std::vector<QRgb> row(static_cast<std::size_t>(screenWidth), 0);
    const std::vector<QRgb> empty(static_cast<std::size_t>(screenWidth), 0);
    std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
    for (int y = 0; y < frame.Top; ++y)
        if (collector.Wants(y))
            collector.Put(y, empty.data());
    const auto readLine = [&](int y) {
        if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR)
            Damaged(gif.get());
        const int shown = frame.Top + y;
        if (!collector.Wants(shown))
            return;
        QRgb* out = row.data() + frame.Left;
        for (int x = 0; x < frame.Width; ++x)
            out[x] = palette[line[static_cast<std::size_t>(x)]];
        collector.Put(shown, row.data());
    };
    if (frame.Interlace) {
        // Four passes: every eighth row from 0, every eighth from 4, every fourth from 2, every
        // second from 1. Each spans the whole frame, so the frame is read to its end.
        static constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = kStart[pass]; y < frame.Height; y += kStep[pass])
                readLine(y);
    } else {
        for (int y = 0; y < frame.Height; ++y) {
            readLine(y);
            if (frame.Top + y >= collector.LastWantedRow())
                break;
        }
    }
    for (std::int64_t y = bottom; y < screenHeight; ++y)
        if (collector.Wants(static_cast<int>(y)))
            collector.Put(static_cast<int>(y), empty.data());

    picture.corner = collector.corner();
    picture.image = collector.TakeImage();
    return picture;
}

}  // namespace bimbalo::pictures
