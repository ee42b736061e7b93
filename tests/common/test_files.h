#pragma once

// Small real files for tests: pictures and sounds written on the spot.

#include <QColor>
#include <QFile>
#include <QImage>
#include <QString>
#include <cmath>
#include <cstdint>
#include <vector>

namespace testfiles {

// A picture of one colour, saved in the format its extension names.
inline bool writePicture(const QString& path, int w, int h, QColor color, const char* format = nullptr)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(color);
    return img.save(path, format);
}

// A 16-bit mono PCM WAV with a sine tone.
inline bool writeWav(const QString& path, double seconds, double hz = 440.0, int rate = 22050)
{
    const auto frames = static_cast<std::uint32_t>(seconds * rate);
    std::vector<std::int16_t> samples(frames);
    for (std::uint32_t i = 0; i < frames; ++i)
        samples[i] = static_cast<std::int16_t>(12000 * std::sin(2 * M_PI * hz * i / rate));
    const std::uint32_t dataBytes = frames * 2;
    QByteArray out;
    auto u32 = [&](std::uint32_t v) { out.append(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](std::uint16_t v) { out.append(reinterpret_cast<const char*>(&v), 2); };
    out.append("RIFF");
    u32(36 + dataBytes);
    out.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(static_cast<std::uint32_t>(rate));
    u32(static_cast<std::uint32_t>(rate * 2));
    u16(2);
    u16(16);
    out.append("data");
    u32(dataBytes);
    out.append(reinterpret_cast<const char*>(samples.data()), dataBytes);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(out) == out.size();
}

inline bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace testfiles
