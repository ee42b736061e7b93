// Feeds arbitrary bytes to each picture decoder. The first byte picks the decoder; every
// outcome other than a picture or a refusal (a crash, a sanitizer report, a hang) is a bug.

#include "picture_common.h"

#include <QBuffer>

#include <cstddef>
#include <cstdio>
#include <memory>
#include <cstdint>
#include <new>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace bimbalo::pictures;
    if (size < 1)
        return 0;
    const std::uint8_t selector = data[0];
    ++data;
    --size;
    try {
        QImage picture;
        switch (selector % 4) {
        case 0:
            picture = DecodeJpeg(data, size, 0, 0);
            break;
        case 1:
            picture = DecodeJpeg(data, size, 64, 48);
            break;
        case 2: {
            // fmemopen refuses an empty buffer.
            std::unique_ptr<std::FILE, FileCloser> file(
                size > 0 ? fmemopen(const_cast<std::uint8_t*>(data), size, "rb") : nullptr);
            if (!file)
                return 0;
            picture = DecodePng(file.get());
            break;
        }
        default: {
            QBuffer device;
            device.setData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
            device.open(QIODevice::ReadOnly);
            picture = DecodeBmp(device);
            break;
        }
        }
        if (picture.isNull() || picture.format() != QImage::Format_RGB32)
            __builtin_trap();
    } catch (const PictureFault&) {
    } catch (const std::bad_alloc&) {
    }
    return 0;
}
