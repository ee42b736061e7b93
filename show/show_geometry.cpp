#include "show/show_geometry.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

int RoundHalfEven(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (v <= static_cast<double>(INT_MIN))
        return INT_MIN;
    // Done by hand rather than with nearbyint so that nobody's change of the
    // floating-point rounding mode can move a picture by a pixel.
    const double lower = std::floor(v);
    const double fraction = v - lower;
    double result = lower;
    if (fraction > 0.5)
        result = lower + 1.0;
    else if (fraction == 0.5 && std::fmod(lower, 2.0) != 0.0)
        result = lower + 1.0;
    return static_cast<int>(result);
}

std::optional<FitRectangle> FitRect(int w, int h, int cw, int ch)
{
    if (w <= 0 || h <= 0 || cw <= 0 || ch <= 0)
        return std::nullopt;
    const double dw = w, dh = h, dcw = cw, dch = ch;
    // Equal ratios give bit-identical quotients, so they take the second branch.
    if (dw / dh > dcw / dch) {
        const double sh = (dh * dcw) / dw;
        const int top = RoundHalfEven((dch - sh) / 2.0);
        return FitRectangle{0, top, cw, top + RoundHalfEven(sh)};
    }
    const double sw = (dw * dch) / dh;
    const int left = RoundHalfEven((dcw - sw) / 2.0);
    return FitRectangle{left, 0, left + RoundHalfEven(sw), ch};
}

QPoint NaturalOrigin(int w, int h, int cw, int ch)
{
    // C++ division truncates toward zero, which is the centring wanted for
    // pictures larger than the surface too (a difference of -3 gives -1).
    return QPoint((cw - w) / 2, (ch - h) / 2);
}

QPoint CaptionOrigin(int surfaceW, int surfaceH, int textW, int textH, bool pictureDrawn)
{
    const int x = (surfaceW - textW) / 2;
    const int y = pictureDrawn ? surfaceH - textH - 20 : (surfaceH - textH) / 2;
    return QPoint(x, y);
}

int StepIndex(int slideIndex, int delta, int count)
{
    if (count <= 0)
        return -1;
    long long index = static_cast<long long>(slideIndex) + delta;
    if (index < 0)
        index = count - 1;
    if (index >= count)
        index = 0;
    return static_cast<int>(index);
}

std::vector<int> LookAhead(int slideIndex, int direction, int count, int ahead)
{
    std::vector<int> order;
    const auto add = [&](int index) {
        if (index != slideIndex && std::find(order.begin(), order.end(), index) == order.end())
            order.push_back(index);
    };
    for (int i = 0, at = slideIndex; i < ahead && count > 1; ++i)
        add(at = StepIndex(at, direction, count));
    if (count > 1)
        add(StepIndex(slideIndex, -direction, count));
    return order;
}

void FillOutside(QImage& image, const QRect& keep, QRgb colour)
{
    const QRect inside = keep.intersected(image.rect());
    if (inside.isEmpty()) {
        image.fill(colour);
        return;
    }
    const int width = image.width();
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        if (y < inside.top() || y > inside.bottom()) {
            std::fill_n(row, width, colour);
        } else {
            std::fill_n(row, inside.left(), colour);
            std::fill_n(row + inside.right() + 1, width - inside.right() - 1, colour);
        }
    }
}

namespace {

// Source coordinate of destination coordinate i when n source pixels are
// spread over m destination pixels: the pixel under the centre of i.
inline int SourceOf(long long i, long long n, long long m)
{
    return static_cast<int>(((2 * i + 1) * n) / (2 * m));
}

struct Pixel32 {
    static QRgb at(const uchar* row, int offset)
    {
        QRgb p;
        std::memcpy(&p, row + offset, sizeof p);
        return 0xFF000000u | p;
    }
    static constexpr int bytes = 4;
};

struct PixelRgb888 {
    static QRgb at(const uchar* row, int offset)
    {
        const uchar* p = row + offset;
        return qRgb(p[0], p[1], p[2]);
    }
    static constexpr int bytes = 3;
};

struct PixelBgr888 {
    static QRgb at(const uchar* row, int offset)
    {
        const uchar* p = row + offset;
        return qRgb(p[2], p[1], p[0]);
    }
    static constexpr int bytes = 3;
};

template <typename Pixel>
void StretchRows(QImage& dst, const QRect& target, const QRect& clip, const QImage& src)
{
    const int sw = src.width();
    const int sh = src.height();
    const int tw = target.width();
    const int th = target.height();

    std::vector<int> columnOffsets(static_cast<std::size_t>(clip.width()));
    for (int x = 0; x < clip.width(); ++x)
        columnOffsets[static_cast<std::size_t>(x)] =
            SourceOf(clip.x() - target.x() + x, sw, tw) * Pixel::bytes;

    const uchar* srcBits = src.constBits();
    const qsizetype srcStride = src.bytesPerLine();
    uchar* dstBits = dst.bits();
    const qsizetype dstStride = dst.bytesPerLine();
    const std::size_t rowBytes = static_cast<std::size_t>(clip.width()) * 4;

    int previousSourceRow = -1;
    QRgb* previousOut = nullptr;
    for (int y = clip.y(); y < clip.y() + clip.height(); ++y) {
        const int sy = SourceOf(y - target.y(), sh, th);
        QRgb* out = reinterpret_cast<QRgb*>(dstBits + y * dstStride) + clip.x();
        if (sy == previousSourceRow) {
            // Enlarging repeats whole rows; copying the finished one is cheaper.
            std::memcpy(out, previousOut, rowBytes);
        } else {
            const uchar* in = srcBits + sy * srcStride;
            for (std::size_t x = 0; x < columnOffsets.size(); ++x)
                out[x] = Pixel::at(in, columnOffsets[x]);
        }
        previousSourceRow = sy;
        previousOut = out;
    }
}

} // namespace

bool StretchNearestInto(QImage& dst, const QRect& target, const QImage& src)
{
    if (src.isNull() || dst.isNull())
        return false;
    switch (dst.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        break;
    default:
        return false;
    }
    if (target.width() <= 0 || target.height() <= 0)
        return true;
    const QRect clip = target.intersected(dst.rect());
    if (clip.isEmpty())
        return true;

    switch (src.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        StretchRows<Pixel32>(dst, target, clip, src);
        break;
    case QImage::Format_RGB888:
        StretchRows<PixelRgb888>(dst, target, clip, src);
        break;
    case QImage::Format_BGR888:
        StretchRows<PixelBgr888>(dst, target, clip, src);
        break;
    default:
        StretchRows<Pixel32>(dst, target, clip, src.convertToFormat(QImage::Format_RGB32));
        break;
    }
    return true;
}

QImage StretchNearest(const QImage& src, QSize dst)
{
    if (src.isNull() || dst.isEmpty())
        return QImage();
    QImage out(dst, QImage::Format_RGB32);
    if (out.isNull())
        return QImage();
    StretchNearestInto(out, QRect(QPoint(0, 0), dst), src);
    return out;
}
