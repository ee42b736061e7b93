#!/usr/bin/python3
"""Draws the sample pictures for Bimbalo's datasets folder.

Usage: draw.py OUTPUT_DIR

Every picture is drawn on a 800-unit-wide canvas (height follows the aspect
ratio of the output size), at twice the output size, then scaled down so the
edges come out smooth. Nothing random is used, so every run writes the same
files.
"""

import math
import os
import sys

from PIL import Image, ImageDraw, ImageFont

SUPERSAMPLE = 2
INK = (40, 30, 30)
WHITE = (255, 255, 255)
FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"


class Canvas:
    def __init__(self, width, height, background):
        self.width, self.height = width, height
        self.k = width * SUPERSAMPLE / 800.0
        self.h = 800.0 * height / width  # canvas height in drawing units
        self.img = Image.new("RGB", (width * SUPERSAMPLE, height * SUPERSAMPLE), background)
        self.d = ImageDraw.Draw(self.img)

    def _p(self, x, y):
        return (x * self.k, y * self.k)

    def _w(self, w):
        return max(1, int(round(w * self.k)))

    def rect(self, x0, y0, x1, y1, fill, outline=None, width=0, radius=0):
        box = [self._p(x0, y0), self._p(x1, y1)]
        kw = {"fill": fill}
        if outline:
            kw.update(outline=outline, width=self._w(width))
        if radius:
            self.d.rounded_rectangle(box, radius=radius * self.k, **kw)
        else:
            self.d.rectangle(box, **kw)

    def ellipse(self, cx, cy, rx, ry, fill, outline=None, width=0):
        box = [self._p(cx - rx, cy - ry), self._p(cx + rx, cy + ry)]
        kw = {"fill": fill}
        if outline:
            kw.update(outline=outline, width=self._w(width))
        self.d.ellipse(box, **kw)

    def circle(self, cx, cy, r, fill, outline=None, width=0):
        self.ellipse(cx, cy, r, r, fill, outline, width)

    def polygon(self, pts, fill, outline=None, width=0):
        scaled = [self._p(x, y) for x, y in pts]
        self.d.polygon(scaled, fill=fill)
        if outline:
            self.d.line(scaled + [scaled[0]], fill=outline, width=self._w(width), joint="curve")
            for x, y in scaled:
                r = self._w(width) / 2
                self.d.ellipse([x - r, y - r, x + r, y + r], fill=outline)

    def line(self, pts, fill, width):
        scaled = [self._p(x, y) for x, y in pts]
        self.d.line(scaled, fill=fill, width=self._w(width), joint="curve")
        r = self._w(width) / 2
        for x, y in (scaled[0], scaled[-1]):
            self.d.ellipse([x - r, y - r, x + r, y + r], fill=fill)

    def arc(self, cx, cy, rx, ry, start, end, fill, width):
        box = [self._p(cx - rx, cy - ry), self._p(cx + rx, cy + ry)]
        self.d.arc(box, start, end, fill=fill, width=self._w(width))

    def text(self, cx, cy, s, size, fill, outline=None, stroke=0):
        font = ImageFont.truetype(FONT_BOLD, int(size * self.k))
        kw = {}
        if outline:
            kw.update(stroke_width=self._w(stroke), stroke_fill=outline)
        self.d.text(self._p(cx, cy), s, font=font, fill=fill, anchor="mm", **kw)

    def save(self, path):
        out = self.img.resize((self.width, self.height), Image.LANCZOS)
        ext = os.path.splitext(path)[1].lower()
        os.makedirs(os.path.dirname(path), exist_ok=True)
        if ext == ".jpg":
            out.save(path, "JPEG", quality=88, optimize=True)
        elif ext == ".png":
            out.save(path, "PNG", optimize=True)
        elif ext == ".bmp":
            out.save(path, "BMP")
        else:
            raise SystemExit("unknown picture type: " + path)


def eye(c, x, y, r, look=(0, 0)):
    c.circle(x, y, r, WHITE, INK, 4)
    px, py = x + look[0] * r * 0.3, y + look[1] * r * 0.3
    c.circle(px, py, r * 0.55, INK)
    c.circle(px - r * 0.2, py - r * 0.22, r * 0.18, WHITE)


def star_points(cx, cy, r_out, r_in, n=5, rot=-90):
    pts = []
    for i in range(n * 2):
        r = r_out if i % 2 == 0 else r_in
        a = math.radians(rot + i * 180.0 / n)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def cat(path):
    c = Canvas(1024, 768, (120, 200, 255))
    orange, pink = (255, 150, 40), (255, 150, 180)
    # ears
    c.polygon([(225, 230), (250, 60), (370, 170)], orange, INK, 6)
    c.polygon([(575, 230), (550, 60), (430, 170)], orange, INK, 6)
    c.polygon([(262, 195), (270, 110), (335, 170)], pink)
    c.polygon([(538, 195), (530, 110), (465, 170)], pink)
    # head
    c.ellipse(400, 330, 230, 200, orange, INK, 6)
    # stripes on the forehead
    for dx in (-40, 0, 40):
        c.line([(400 + dx, 140), (400 + dx, 185)], (220, 110, 20), 12)
    # eyes
    eye(c, 320, 300, 42, (0.3, 0.2))
    eye(c, 480, 300, 42, (-0.3, 0.2))
    # cheeks
    c.ellipse(275, 390, 30, 18, (255, 120, 120))
    c.ellipse(525, 390, 30, 18, (255, 120, 120))
    # nose and mouth
    c.polygon([(380, 360), (420, 360), (400, 385)], pink, INK, 4)
    c.arc(378, 385, 22, 22, 0, 160, INK, 5)
    c.arc(422, 385, 22, 22, 20, 180, INK, 5)
    # whiskers
    for dy in (-12, 12):
        c.line([(330, 380 + dy), (175, 365 + dy * 2.5)], INK, 4)
        c.line([(470, 380 + dy), (625, 365 + dy * 2.5)], INK, 4)
    # body peeking up from below
    c.ellipse(400, 640, 200, 120, orange, INK, 6)
    c.ellipse(400, 660, 110, 80, (255, 215, 160))
    c.save(path)


def car(path):
    c = Canvas(1200, 800, (150, 215, 255))  # 3:2, so the canvas is 800x533
    c.circle(690, 80, 45, (255, 220, 40))
    c.ellipse(150, 90, 70, 28, WHITE)
    c.ellipse(200, 75, 55, 30, WHITE)
    c.rect(0, 400, 800, 533, (90, 90, 100))
    for x in range(20, 800, 120):
        c.rect(x, 460, x + 60, 470, (250, 250, 250))
    c.rect(0, 380, 800, 400, (110, 190, 80))
    red = (225, 30, 40)
    # cabin and body
    c.polygon([(250, 230), (300, 150), (500, 150), (570, 230)], red, INK, 6)
    c.rect(120, 225, 690, 365, red, INK, 6, radius=40)
    c.polygon([(275, 228), (315, 168), (395, 168), (395, 228)], (190, 235, 255), INK, 4)
    c.polygon([(420, 228), (420, 168), (490, 168), (540, 228)], (190, 235, 255), INK, 4)
    # door line, handle, lights, bumper
    c.line([(408, 235), (408, 345)], INK, 4)
    c.rect(425, 255, 460, 265, INK, radius=4)
    c.ellipse(672, 265, 16, 22, (255, 240, 80), INK, 4)
    c.rect(122, 255, 142, 285, (255, 140, 40), INK, 3, radius=4)
    c.rect(640, 330, 705, 350, (200, 200, 210), INK, 4, radius=8)
    # wheels
    for x in (235, 570):
        c.circle(x, 365, 58, (30, 30, 35), INK, 4)
        c.circle(x, 365, 26, (200, 200, 210), INK, 4)
    c.save(path)


def sun(path):
    c = Canvas(640, 480, (30, 80, 200))
    yellow, orange = (255, 225, 30), (255, 160, 20)
    cx, cy = 400, 300
    for i in range(12):
        a = math.radians(i * 30)
        b1 = math.radians(i * 30 - 9)
        b2 = math.radians(i * 30 + 9)
        c.polygon([(cx + 190 * math.cos(b1), cy + 190 * math.sin(b1)),
                   (cx + 270 * math.cos(a), cy + 270 * math.sin(a)),
                   (cx + 190 * math.cos(b2), cy + 190 * math.sin(b2))], orange, INK, 5)
    c.circle(cx, cy, 185, yellow, INK, 6)
    eye(c, 335, 260, 30, (0, 0.3))
    eye(c, 465, 260, 30, (0, 0.3))
    c.ellipse(300, 335, 28, 16, (255, 140, 120))
    c.ellipse(500, 335, 28, 16, (255, 140, 120))
    c.arc(cx, 310, 85, 70, 20, 160, INK, 9)
    c.save(path)


def fish(path):
    c = Canvas(1280, 960, (20, 120, 200))
    c.rect(0, 520, 800, 600, (240, 210, 140))
    for x, h in ((60, 200), (105, 150), (740, 120), (775, 90)):
        c.line([(x + 14 * math.sin(i * 0.9), 530 - h * i / 8) for i in range(9)], (40, 170, 80), 16)
    for x, y, r in ((620, 120, 18), (650, 70, 12), (600, 40, 9), (230, 150, 14)):
        c.circle(x, y, r, (190, 235, 255), WHITE, 3)
    orange, dark = (255, 130, 20), (230, 80, 10)
    # tail, fins
    c.polygon([(560, 300), (720, 190), (690, 300), (720, 410)], dark, INK, 6)
    c.polygon([(330, 200), (420, 120), (480, 205)], dark, INK, 6)
    c.polygon([(360, 400), (420, 460), (450, 395)], dark, INK, 6)
    c.ellipse(400, 300, 200, 120, orange, INK, 6)
    # white stripes
    for x in (440, 520):
        c.ellipse(x, 300, 22, 100 if x == 440 else 75, WHITE, INK, 4)
    eye(c, 290, 270, 34, (-0.4, 0))
    c.arc(230, 330, 30, 20, 300, 60, INK, 6)
    c.save(path)


def duck(path):
    c = Canvas(800, 600, (170, 225, 255))
    water = (60, 140, 220)
    yellow = (255, 220, 30)
    # body, tail, wing, head, beak
    c.polygon([(620, 350), (720, 270), (690, 400)], yellow, INK, 6)
    c.ellipse(430, 390, 230, 130, yellow, INK, 6)
    c.ellipse(470, 370, 110, 60, (255, 200, 20), INK, 5)
    c.circle(280, 210, 110, yellow, INK, 6)
    c.polygon([(185, 220), (95, 230), (110, 255), (185, 262)], (255, 130, 20), INK, 6)
    c.line([(110, 243), (180, 243)], INK, 4)
    eye(c, 255, 180, 28, (-0.6, 0))
    c.ellipse(245, 240, 22, 12, (255, 150, 150))
    # the pond hides the bottom of the duck
    c.rect(0, 450, 800, 600, water)
    c.line([(0, 450), (800, 450)], (230, 245, 255), 5)
    for x in range(60, 800, 140):
        c.arc(x, 510, 40, 14, 200, 340, WHITE, 5)
        c.arc(x + 70, 560, 40, 14, 200, 340, WHITE, 5)
    c.save(path)


def tree(path):
    c = Canvas(1024, 768, (160, 220, 255))
    c.rect(0, 470, 800, 600, (100, 200, 70))
    for x in range(30, 800, 70):
        c.line([(x, 500), (x + 8, 485)], (70, 160, 50), 5)
    c.polygon([(360, 470), (375, 300), (425, 300), (440, 470)], (140, 85, 40), INK, 6)
    green = (40, 170, 60)
    for x, y, r in ((400, 130, 110), (300, 210, 105), (500, 210, 105), (400, 270, 110)):
        c.circle(x, y, r, green, INK, 6)
    # cover inner outlines so the crown reads as one shape
    for x, y, r in ((400, 130, 104), (300, 210, 99), (500, 210, 99), (400, 270, 104)):
        c.circle(x, y, r, green)
    c.circle(400, 210, 120, green)
    for x, y in ((330, 160), (470, 150), (400, 240), (290, 250), (510, 255), (440, 320)):
        c.circle(x, y, 20, (230, 30, 40), INK, 4)
        c.line([(x, y - 20), (x + 5, y - 30)], (120, 70, 30), 4)
    c.save(path)


def bell(path):
    c = Canvas(800, 600, (120, 60, 180))
    gold, dark = (255, 200, 40), (220, 150, 20)
    c.circle(400, 95, 28, None, INK, 10)
    c.circle(400, 95, 28, None, gold, 6)
    c.polygon([(300, 380), (310, 200), (340, 140), (400, 115), (460, 140), (490, 200), (500, 380)],
              gold, INK, 6)
    c.rect(230, 370, 570, 420, dark, INK, 6, radius=25)
    c.circle(400, 460, 38, dark, INK, 6)
    c.line([(350, 170), (335, 330)], (255, 240, 170), 14)
    # ringing marks
    for side in (-1, 1):
        c.line([(400 + side * 230, 220), (400 + side * 280, 190)], WHITE, 10)
        c.line([(400 + side * 245, 290), (400 + side * 305, 290)], WHITE, 10)
        c.line([(400 + side * 230, 360), (400 + side * 280, 390)], WHITE, 10)
    c.save(path)


def balloon(path):
    c = Canvas(1024, 768, (255, 240, 150))
    for x, y, r, col in ((160, 200, 70, (60, 130, 240)), (640, 180, 75, (60, 190, 90))):
        c.line([(x, y + r * 1.2), (x + 10, y + r * 1.2 + 150)], INK, 3)
        c.ellipse(x, y, r, r * 1.2, col, INK, 5)
        c.ellipse(x - r * 0.35, y - r * 0.45, r * 0.15, r * 0.25, WHITE)
    red = (230, 30, 50)
    c.line([(400, 430), (385, 480), (410, 530), (395, 600)], INK, 4)
    c.polygon([(385, 432), (400, 410), (415, 432)], red, INK, 5)
    c.ellipse(400, 270, 150, 175, red, INK, 6)
    c.ellipse(345, 190, 30, 50, (255, 180, 180))
    c.save(path)


def letter(path, upper, lower, bg, fg, extra):
    c = Canvas(1024, 768, bg)
    c.text(300, 300, upper, 380, fg, WHITE, 12)
    c.text(590, 350, lower, 240, fg, WHITE, 10)
    extra(c)
    c.save(path)


def apple(c):
    c.circle(680, 500, 55, (230, 30, 40), INK, 5)
    c.line([(680, 450), (690, 420)], (120, 70, 30), 8)
    c.ellipse(715, 432, 25, 12, (60, 170, 60), INK, 3)


def ball(c):
    c.circle(680, 490, 60, (255, 220, 40), INK, 5)
    c.arc(680, 490, 60, 22, 0, 360, (30, 100, 220), 10)
    c.circle(680, 490, 60, None, INK, 5)


def cake(c):
    c.rect(615, 470, 745, 545, (255, 170, 200), INK, 5, radius=10)
    c.rect(615, 470, 745, 490, WHITE, INK, 4, radius=8)
    c.rect(672, 425, 688, 470, (80, 160, 255), INK, 3)
    c.ellipse(680, 412, 9, 15, (255, 170, 30))


def dog(path):
    c = Canvas(1600, 1200, (255, 230, 80))
    brown, dark = (180, 110, 60), (110, 60, 30)
    # floppy ears behind the head
    c.ellipse(225, 300, 70, 150, dark, INK, 6)
    c.ellipse(575, 300, 70, 150, dark, INK, 6)
    c.ellipse(400, 300, 200, 190, brown, INK, 6)
    c.ellipse(480, 245, 55, 45, (230, 200, 160))
    eye(c, 330, 250, 34, (0.2, 0.3))
    eye(c, 470, 250, 34, (-0.2, 0.3))
    c.ellipse(400, 370, 100, 75, (240, 215, 180), INK, 5)
    c.ellipse(400, 335, 38, 26, INK)
    c.ellipse(390, 328, 10, 6, (120, 120, 120))
    c.line([(400, 360), (400, 385)], INK, 5)
    c.arc(378, 385, 22, 20, 10, 170, INK, 5)
    c.arc(422, 385, 22, 20, 10, 170, INK, 5)
    c.polygon([(385, 410), (415, 410), (412, 440), (400, 448), (388, 440)], (240, 90, 110), INK, 4)
    c.rect(290, 480, 510, 515, (220, 30, 40), INK, 5, radius=15)
    c.circle(400, 535, 22, (255, 200, 40), INK, 4)
    c.save(path)


def star(path):
    c = Canvas(1024, 768, (20, 25, 90))
    for x, y in ((90, 80), (700, 70), (120, 480), (720, 500), (680, 300), (110, 300)):
        c.polygon(star_points(x, y, 18, 7), (255, 250, 200))
    c.polygon(star_points(400, 320, 230, 100), (255, 215, 30), INK, 7)
    eye(c, 360, 300, 22, (0, 0.3))
    eye(c, 440, 300, 22, (0, 0.3))
    c.arc(400, 345, 40, 30, 20, 160, INK, 7)
    c.save(path)


PICTURES = [
    ("cat.jpg", cat),
    ("car.png", car),
    ("sun.bmp", sun),
    ("fish.jpg", fish),
    ("Duck.PNG", duck),
    ("tree.png", tree),
    ("bell.jpg", bell),
    ("balloon.jpg", balloon),
    ("letters/A.png", lambda p: letter(p, "A", "a", (255, 225, 60), (220, 30, 40), apple)),
    ("letters/B.jpg", lambda p: letter(p, "B", "b", (255, 160, 60), (30, 80, 210), ball)),
    ("letters/C.png", lambda p: letter(p, "C", "c", (255, 170, 210), (20, 140, 60), cake)),
    ("animals/dog.png", dog),
    ("star.png", star),
]


def main():
    if len(sys.argv) != 2:
        raise SystemExit("usage: draw.py OUTPUT_DIR")
    out = sys.argv[1]
    for name, draw in PICTURES:
        draw(os.path.join(out, name))
        print(name)


if __name__ == "__main__":
    main()
