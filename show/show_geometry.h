#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

#include <vector>
#include <QSize>

#include <optional>

// Rounds to the nearest whole number; a half goes to the even neighbour
// (0.5 -> 0, 1.5 -> 2, 766.5 -> 766). Values beyond the int range are clamped.
int RoundHalfEven(double v);

// Where a fitted picture lands on the surface. Right and bottom are exclusive.
struct FitRectangle {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    QRect toQRect() const { return QRect(left, top, width(), height()); }
    bool operator==(const FitRectangle&) const = default;
};

// The rectangle a w x h picture is stretched into on a cw x ch surface,
// keeping its aspect ratio and centred along the spare direction.
// Empty when any size is not positive: such a picture cannot be fitted.
std::optional<FitRectangle> FitRect(int w, int h, int cw, int ch);

// Top-left corner of a w x h picture drawn unscaled and centred on a cw x ch
// surface; negative when the picture is larger (it is then clipped).
QPoint NaturalOrigin(int w, int h, int cw, int ch);

// Where a caption of textW x textH goes: centred horizontally; 20 pixels above
// the bottom edge under a picture, otherwise centred vertically.
QPoint CaptionOrigin(int surfaceW, int surfaceH, int textW, int textH, bool pictureDrawn);

// Fills every pixel of a 32-bit image outside `keep` with the colour; `keep`
// may reach past the image's edges.
void FillOutside(QImage& image, const QRect& keep, QRgb colour);

// Moves a slide position by delta with wrap-around: below 0 goes to the last
// slide, at or past the end goes to the first. So a position that no longer
// exists after the list shrank lands on slide 0. Returns -1 for an empty list.
int StepIndex(int slideIndex, int delta, int count);

// The slides the next steps may show, nearest first: `ahead` steps in the direction the show
// moves (+1 or -1), then one back the other way; without the current slide or repeats.
std::vector<int> LookAhead(int slideIndex, int direction, int count, int ahead);

// Nearest-neighbour stretch of src to dst: pixels are repeated or dropped,
// never blended. The result is Format_RGB32; null when src is null or dst empty.
QImage StretchNearest(const QImage& src, QSize dst);

// The same stretch drawn straight into dst at target; target may reach past
// dst's edges and is clipped there. dst must be a 32-bit RGB image (RGB32,
// ARGB32 or ARGB32_Premultiplied); returns false, drawing nothing, otherwise
// or when src is null.
bool StretchNearestInto(QImage& dst, const QRect& target, const QImage& src);
