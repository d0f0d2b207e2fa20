#!/usr/bin/env python3
"""Draws every picture of PyxRes.dll and the badge strip of PyxToolTip.dll.

Run at build time:  make_pictures.py --out DIR
Writes DIR/bmp/*.bmp (24-bit), DIR/PyxRes_pictures.rc and DIR/PyxToolTip_badges.rc.

Pictures that the toolbar masks (image lists, skinned buttons) use #FEFEFE for transparent pixels
and never use that colour for a visible one. Everything is drawn from code with the Nanum fonts, so
the pictures can be changed here and rebuilt; no drawn binary is kept in the repository.
"""
import argparse
import math
import os

from PIL import Image, ImageDraw, ImageFont

FONT_DIR = "/usr/share/fonts/truetype/nanum"
KEY = (254, 254, 254)          # the transparent colour of every masked picture
SS = 4                         # supersampling factor for shapes


def font(size, bold=False):
    name = "NanumGothicBold.ttf" if bold else "NanumGothic.ttf"
    return ImageFont.truetype(os.path.join(FONT_DIR, name), size)


def hexrgb(text):
    text = text.lstrip("#")
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def no_key(rgb):
    """A visible pixel never takes the transparent colour."""
    return (255, 255, 255) if tuple(rgb) == KEY else tuple(rgb)


def masked(rgba, ground=(255, 255, 255)):
    """RGBA -> RGB: pixels under half cover become #FEFEFE, the others are blended over `ground`
    (the colour the picture usually sits on), so edges stay smooth without a real alpha channel."""
    out = Image.new("RGB", rgba.size, KEY)
    src = rgba.load()
    dst = out.load()
    for y in range(rgba.size[1]):
        for x in range(rgba.size[0]):
            r, g, b, a = src[x, y]
            if a < 128:
                continue
            t = a / 255.0
            dst[x, y] = no_key(mix(ground, (r, g, b), t))
    return out


def opaque(rgb):
    out = rgb.convert("RGB")
    px = out.load()
    for y in range(out.size[1]):
        for x in range(out.size[0]):
            if px[x, y] == KEY:
                px[x, y] = (255, 255, 255)
    return out


class Canvas:
    """A supersampled RGBA drawing surface of w x h final pixels."""

    def __init__(self, w, h, scale=SS):
        self.w, self.h, self.s = w, h, scale
        self.img = Image.new("RGBA", (w * scale, h * scale), (0, 0, 0, 0))
        self.d = ImageDraw.Draw(self.img)

    def box(self, x0, y0, x1, y1):
        s = self.s
        return [x0 * s, y0 * s, x1 * s - 1, y1 * s - 1]

    def pts(self, points):
        return [(x * self.s, y * self.s) for x, y in points]

    def ellipse(self, x0, y0, x1, y1, fill=None, outline=None, width=1):
        self.d.ellipse(self.box(x0, y0, x1, y1), fill=fill, outline=outline,
                       width=int(width * self.s))

    def rrect(self, x0, y0, x1, y1, r, fill=None, outline=None, width=1):
        self.d.rounded_rectangle(self.box(x0, y0, x1, y1), radius=r * self.s, fill=fill,
                                 outline=outline, width=int(width * self.s))

    def rect(self, x0, y0, x1, y1, fill=None, outline=None, width=1):
        self.d.rectangle(self.box(x0, y0, x1, y1), fill=fill, outline=outline,
                         width=int(width * self.s))

    def poly(self, points, fill=None, outline=None):
        self.d.polygon(self.pts(points), fill=fill, outline=outline)

    def line(self, points, fill, width=1):
        self.d.line(self.pts(points), fill=fill, width=max(1, int(width * self.s)), joint="curve")

    def arc(self, x0, y0, x1, y1, start, end, fill, width=1):
        self.d.arc(self.box(x0, y0, x1, y1), start, end, fill=fill, width=int(width * self.s))

    def text(self, cx, cy, text, size, fill, bold=True):
        f = font(size * self.s, bold)
        l, t, r, b = self.d.textbbox((0, 0), text, font=f)
        self.d.text((cx * self.s - (l + r) / 2, cy * self.s - (t + b) / 2), text, font=f,
                    fill=fill)

    def translucent(self, draw):
        """Runs draw(canvas) on a clear layer and blends that layer over this one (plain drawing
        replaces pixels, alpha included)."""
        layer = Canvas(self.w, self.h, self.s)
        draw(layer)
        self.img = Image.alpha_composite(self.img, layer.img)
        self.d = ImageDraw.Draw(self.img)

    def done(self):
        return self.img.resize((self.w, self.h), Image.LANCZOS)


def strip(frames):
    w = sum(f.size[0] for f in frames)
    h = max(f.size[1] for f in frames)
    out = Image.new("RGB", (w, h), KEY)
    x = 0
    for f in frames:
        out.paste(f, (x, 0))
        x += f.size[0]
    return out


def draw_text(img, xy, text, size, fill, bold=False, anchor="la"):
    ImageDraw.Draw(img).text(xy, text, font=font(size, bold), fill=fill, anchor=anchor)


# ------------------------------------------------------------------------------------------------
# Small glyphs shared by several icons (coordinates in final pixels of a Canvas)

def glyph_check(c, x, y, s, colour, width=1.6):
    c.line([(x + 0.18 * s, y + 0.52 * s), (x + 0.42 * s, y + 0.76 * s),
            (x + 0.82 * s, y + 0.26 * s)], colour, width)


def shield(c, x, y, w, h, fill, outline=None):
    c.poly([(x + w / 2, y), (x + w, y + 0.18 * h), (x + w, y + 0.5 * h), (x + w / 2, y + h),
            (x, y + 0.5 * h), (x, y + 0.18 * h)], fill=fill, outline=outline)


def gear(c, cx, cy, r, fill, hole):
    teeth = 8
    pts = []
    for i in range(teeth * 2):
        a = math.pi * 2 * i / (teeth * 2)
        rr = r if i % 2 == 0 else r * 0.72
        for da in (-0.18, 0.18):
            pts.append((cx + rr * math.cos(a + da), cy + rr * math.sin(a + da)))
    c.poly(pts, fill=fill)
    c.ellipse(cx - r * 0.62, cy - r * 0.62, cx + r * 0.62, cy + r * 0.62, fill=fill)
    c.ellipse(cx - r * 0.3, cy - r * 0.3, cx + r * 0.3, cy + r * 0.3, fill=hole)


def lock(c, x, y, s, fill, keyhole):
    c.arc(x + 0.25 * s, y + 0.05 * s, x + 0.75 * s, y + 0.6 * s, 180, 360, fill, 0.12 * s)
    c.line([(x + 0.25 * s, y + 0.33 * s), (x + 0.25 * s, y + 0.45 * s)], fill, 0.12 * s)
    c.line([(x + 0.75 * s, y + 0.33 * s), (x + 0.75 * s, y + 0.45 * s)], fill, 0.12 * s)
    c.rrect(x + 0.15 * s, y + 0.42 * s, x + 0.85 * s, y + 0.95 * s, 0.08 * s, fill=fill)
    c.ellipse(x + 0.43 * s, y + 0.55 * s, x + 0.57 * s, y + 0.69 * s, fill=keyhole)


def star(c, cx, cy, r, fill):
    pts = []
    for i in range(10):
        a = -math.pi / 2 + math.pi * i / 5
        rr = r if i % 2 == 0 else r * 0.45
        pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
    c.poly(pts, fill=fill)


# ------------------------------------------------------------------------------------------------
# 4015: the signal lamp strip, 32 frames of 19 x 19

GREEN, GREEN_D = hexrgb("#7FB037"), hexrgb("#4E7A1C")
BLUE, BLUE_D = hexrgb("#4F8AC9"), hexrgb("#2F5F96")
ORANGE, ORANGE_D = hexrgb("#F2A516"), hexrgb("#B86E00")
RED, RED_D = hexrgb("#E0443E"), hexrgb("#9E1C18")
GREY, GREY_D = hexrgb("#A5A5A5"), hexrgb("#6E6E6E")


def lamp_disc(c, fill, edge):
    c.ellipse(1, 1, 18, 18, fill=edge)
    c.ellipse(2, 2, 17, 17, fill=fill)
    # soft highlight on the upper half
    c.translucent(lambda t: t.ellipse(4.5, 3, 14.5, 9.5, fill=(255, 255, 255, 70)))


def lamp_shine(c, phase):
    """A short white arc that runs round the disc: four phases of 90 degrees."""
    start = -90 + phase * 90
    c.arc(1.6, 1.6, 17.4, 17.4, start, start + 55, (255, 255, 255, 230), 1.5)


def lamp_frame(kind, k=0):
    c = Canvas(19, 19)
    if kind == "trusted":
        lamp_disc(c, GREEN, GREEN_D)
        shield(c, 5, 4.2, 9, 11, fill=(255, 255, 255, 255))
        glyph_check(c, 6.2, 6.2, 6.6, GREEN_D + (255,), 1.4)
        lamp_shine(c, k)
    elif kind == "good":
        lamp_disc(c, BLUE, BLUE_D)
        glyph_check(c, 4.5, 4.5, 10, (255, 255, 255, 255), 2.0)
        lamp_shine(c, k)
    elif kind == "caution":
        fill = ORANGE if k == 0 else mix(ORANGE, (255, 230, 120), 0.55)
        c.poly([(9.5, 1.5), (18, 17), (1, 17)], fill=ORANGE_D + (255,))
        c.poly([(9.5, 3.4), (16.4, 16), (2.6, 16)], fill=fill + (255,))
        c.line([(9.5, 7), (9.5, 11.6)], (255, 255, 255, 255), 2.0)
        c.ellipse(8.4, 12.8, 10.6, 15, fill=(255, 255, 255, 255))
    elif kind == "danger":
        fill = RED if k == 0 else mix(RED, (255, 150, 140), 0.5)
        pts = [(9.5 + 8.6 * math.cos(math.pi / 8 + i * math.pi / 4),
                9.5 + 8.6 * math.sin(math.pi / 8 + i * math.pi / 4)) for i in range(8)]
        c.poly(pts, fill=RED_D + (255,))
        pts = [(9.5 + 7.4 * math.cos(math.pi / 8 + i * math.pi / 4),
                9.5 + 7.4 * math.sin(math.pi / 8 + i * math.pi / 4)) for i in range(8)]
        c.poly(pts, fill=fill + (255,))
        c.line([(6.3, 6.3), (12.7, 12.7)], (255, 255, 255, 255), 2.1)
        c.line([(12.7, 6.3), (6.3, 12.7)], (255, 255, 255, 255), 2.1)
    elif kind == "delayed":
        lamp_disc(c, GREY, GREY_D)
        c.ellipse(4.5, 4.5, 14.5, 14.5, fill=(255, 255, 255, 255))
        c.line([(9.5, 9.5), (9.5, 6)], GREY_D + (255,), 1.3)
        c.line([(9.5, 9.5), (12.2, 11)], GREY_D + (255,), 1.3)
    elif kind == "blank":
        c.ellipse(1, 1, 18, 18, fill=hexrgb("#95B6D8") + (255,))
        c.ellipse(2.2, 2.2, 16.8, 16.8, fill=hexrgb("#F4F8FD") + (255,))
    elif kind == "loading":
        c.ellipse(1.5, 1.5, 17.5, 17.5, fill=hexrgb("#C9DAEE") + (255,))
        c.ellipse(4.3, 4.3, 14.7, 14.7, fill=hexrgb("#F4F8FD") + (255,))
        start = -90 + k * 20
        c.arc(1.5, 1.5, 17.5, 17.5, start, start + 110, BLUE + (255,), 2.8)
    return masked(c.done())


def lamp_strip():
    frames = [lamp_frame("trusted", k) for k in range(4)]          # 0-3
    frames += [lamp_frame("good", k) for k in range(4)]            # 4-7
    frames += [lamp_frame("caution", k) for k in range(2)]         # 8-9
    frames += [lamp_frame("danger", k) for k in range(2)]          # 10-11
    frames.append(lamp_frame("delayed"))                           # 12
    frames.append(lamp_frame("blank"))                             # 13
    frames += [lamp_frame("loading", k) for k in range(18)]        # 14-31
    assert len(frames) == 32
    return strip(frames)


# ------------------------------------------------------------------------------------------------
# 4011 (16 x 16) and 4016 (20 x 16): certification class icons 0-6 and the certification mark 7

CERT_COLOURS = ["#2F7FD0", "#3A9A4A", "#D98A1A", "#8A5BC4", "#C9474B", "#1D9AA0", "#6C7A89"]


def cert_glyph(c, k, x, y, s):
    white = (255, 255, 255, 255)
    colour = hexrgb(CERT_COLOURS[k]) + (255,)
    if k == 0:
        lock(c, x + 0.1 * s, y + 0.05 * s, 0.8 * s, white, colour)
    elif k == 1:
        glyph_check(c, x, y, s, white, 0.16 * s)
    elif k == 2:
        star(c, x + s / 2, y + s / 2, 0.45 * s, white)
    elif k == 3:   # key
        c.ellipse(x + 0.05 * s, y + 0.28 * s, x + 0.45 * s, y + 0.68 * s, outline=white,
                  width=0.13 * s)
        c.line([(x + 0.44 * s, y + 0.48 * s), (x + 0.95 * s, y + 0.48 * s)], white, 0.13 * s)
        c.line([(x + 0.78 * s, y + 0.48 * s), (x + 0.78 * s, y + 0.7 * s)], white, 0.12 * s)
    elif k == 4:   # house (a registered business)
        c.poly([(x + 0.5 * s, y + 0.08 * s), (x + 0.95 * s, y + 0.48 * s),
                (x + 0.05 * s, y + 0.48 * s)], fill=white)
        c.rect(x + 0.2 * s, y + 0.46 * s, x + 0.8 * s, y + 0.92 * s, fill=white)
        c.rect(x + 0.42 * s, y + 0.62 * s, x + 0.58 * s, y + 0.92 * s, fill=colour)
    elif k == 5:   # card (payment)
        c.rrect(x + 0.02 * s, y + 0.2 * s, x + 0.98 * s, y + 0.82 * s, 0.1 * s, fill=white)
        c.rect(x + 0.02 * s, y + 0.34 * s, x + 0.98 * s, y + 0.47 * s, fill=colour)
    else:          # globe
        c.ellipse(x + 0.08 * s, y + 0.08 * s, x + 0.92 * s, y + 0.92 * s, outline=white,
                  width=0.1 * s)
        c.ellipse(x + 0.32 * s, y + 0.08 * s, x + 0.68 * s, y + 0.92 * s, outline=white,
                  width=0.08 * s)
        c.line([(x + 0.08 * s, y + 0.5 * s), (x + 0.92 * s, y + 0.5 * s)], white, 0.08 * s)


def cert_icon(k, w, h):
    c = Canvas(w, h)
    ox = (w - 16) / 2
    if k < 7:
        colour = hexrgb(CERT_COLOURS[k])
        c.rrect(ox + 0.5, 0.5, ox + 15.5, 15.5, 4, fill=mix(colour, (0, 0, 0), 0.25) + (255,))
        c.rrect(ox + 1.5, 1.5, ox + 14.5, 14.5, 3, fill=colour + (255,))
        cert_glyph(c, k, ox + 3.5, 3.5, 9)
    else:
        # certification mark: a blue shield with a check and a gold ribbon edge
        shield(c, ox + 1, 0.3, 14, 15.4, fill=hexrgb("#C8961E") + (255,))
        shield(c, ox + 2.3, 1.6, 11.4, 12.8, fill=hexrgb("#2E6FB8") + (255,))
        glyph_check(c, ox + 4, 3.6, 8, (255, 255, 255, 255), 1.7)
    return masked(c.done())


def cert_strip(w, h):
    return strip([cert_icon(k, w, h) for k in range(8)])


# ------------------------------------------------------------------------------------------------
# 4017 logo 35 x 16, 4018 grip halves 5 x 16, 4019 function buttons 16 x 16, 4020 pages 20 x 20

def logo():
    c = Canvas(35, 16)
    c.rrect(0, 0, 35, 16, 5, fill=hexrgb("#2F5F96") + (255,))
    c.rrect(1, 1, 34, 15, 4, fill=hexrgb("#4F8AC9") + (255,))
    c.translucent(lambda t: t.rrect(2, 1.5, 33, 7.5, 3, fill=(255, 255, 255, 55)))
    img = c.done()
    d = ImageDraw.Draw(img)
    d.text((17.5, 8.3), "루모라", font=font(10, True), fill=(255, 255, 255, 255), anchor="mm")
    return masked(img, ground=hexrgb("#F0F0F0"))


def grip():
    out = Image.new("RGB", (10, 16), KEY)
    px = out.load()
    for half in (0, 5):
        for y in range(2, 14, 3):
            px[half + 1, y] = (140, 150, 165)
            px[half + 2, y + 1] = (255, 255, 255)
            px[half + 1, y + 1] = (190, 198, 210)
    return out


def fn_icon(n):
    c = Canvas(16, 16)
    white = (255, 255, 255, 255)
    if n == 0:     # site information: a page under a magnifier
        c.rect(1, 1, 11, 14, fill=hexrgb("#7A8FA8") + (255,))
        c.rect(2, 2, 10, 13, fill=white)
        for y in (4, 6.5, 9):
            c.line([(3.5, y), (8.5, y)], hexrgb("#9FB3CB") + (255,), 1)
        c.ellipse(6.5, 6.5, 13.5, 13.5, fill=hexrgb("#2F6FB8") + (255,))
        c.ellipse(8, 8, 12, 12, fill=hexrgb("#DDEBFA") + (255,))
        c.line([(12.3, 12.3), (15, 15)], hexrgb("#2F5F96") + (255,), 2.2)
    elif n == 1:   # PC clean-up: a monitor with a sparkle
        c.rrect(0.5, 1.5, 15.5, 12, 1.5, fill=hexrgb("#4E5B6B") + (255,))
        c.rect(2, 3, 14, 10.5, fill=hexrgb("#5FB4EA") + (255,))
        c.rect(6, 12, 10, 14, fill=hexrgb("#4E5B6B") + (255,))
        c.rect(4, 14, 12, 15.5, fill=hexrgb("#4E5B6B") + (255,))
        star(c, 8, 6.8, 3.6, white)
    elif n == 2:   # video service: a television with a play mark
        c.line([(5, 0.8), (8, 3.2), (11, 0.8)], hexrgb("#4E5B6B") + (255,), 1.1)
        c.rrect(0.5, 3, 15.5, 14.5, 2, fill=hexrgb("#D9443F") + (255,))
        c.rrect(2, 4.5, 14, 13, 1, fill=hexrgb("#2B2F36") + (255,))
        c.poly([(6.5, 6.2), (11, 8.75), (6.5, 11.3)], fill=white)
    elif n == 3:   # counselling: two speech bubbles
        c.rrect(0.5, 1, 11, 8.5, 3, fill=hexrgb("#3A9A4A") + (255,))
        c.poly([(3, 8), (2.5, 11), (6, 8)], fill=hexrgb("#3A9A4A") + (255,))
        c.rrect(5, 6, 15.5, 13.5, 3, fill=hexrgb("#F2A516") + (255,))
        c.poly([(12, 13), (13.5, 15.5), (10, 13)], fill=hexrgb("#F2A516") + (255,))
        for x in (3.5, 5.75, 8):
            c.ellipse(x - 0.7, 4, x + 0.7, 5.4, fill=white)
    elif n == 4:   # remote PC support: a monitor with a gear
        c.rrect(0.5, 1.5, 13, 11, 1.5, fill=hexrgb("#4E5B6B") + (255,))
        c.rect(2, 3, 11.5, 9.5, fill=hexrgb("#8CC7EE") + (255,))
        c.rect(5, 11, 8.5, 13, fill=hexrgb("#4E5B6B") + (255,))
        c.rect(3, 13, 10.5, 14.5, fill=hexrgb("#4E5B6B") + (255,))
        gear(c, 11.8, 11.6, 4.2, hexrgb("#E07B1A") + (255,), white)
    else:          # the grip item's nominal picture
        for y in range(3, 14, 3):
            c.ellipse(6.5, y - 1, 8.5, y + 1, fill=hexrgb("#8C96A5") + (255,))
            c.ellipse(9.5, y - 1, 11.5, y + 1, fill=hexrgb("#8C96A5") + (255,))
    return masked(c.done())


def page_icon(n):
    c = Canvas(20, 20)
    white = (255, 255, 255, 255)
    if n == 0:     # general settings: a gear
        gear(c, 10, 10, 9, hexrgb("#5F7FA8") + (255,), white)
    elif n == 1:   # ticker settings: a strip with moving text
        c.rrect(0.5, 3.5, 19.5, 16.5, 3, fill=hexrgb("#5F90BD") + (255,))
        c.rrect(2, 5, 18, 15, 2, fill=white)
        c.line([(7, 8), (16, 8)], hexrgb("#95B6D8") + (255,), 1.6)
        c.line([(7, 12), (13, 12)], hexrgb("#95B6D8") + (255,), 1.6)
        c.poly([(6, 6.8), (6, 13.2), (3, 10)], fill=hexrgb("#E07B1A") + (255,))
    elif n == 2:   # communication: a globe with a signal
        c.ellipse(1, 1, 19, 19, fill=hexrgb("#2F7FD0") + (255,))
        c.ellipse(2.5, 2.5, 17.5, 17.5, outline=white, width=1.2)
        c.ellipse(6.5, 2.5, 13.5, 17.5, outline=white, width=1.1)
        c.line([(2.5, 10), (17.5, 10)], white, 1.1)
        c.line([(4, 6), (16, 6)], white, 0.9)
        c.line([(4, 14), (16, 14)], white, 0.9)
    else:          # harmful sites: the red "19" sign of content for adults
        c.ellipse(0.5, 0.5, 19.5, 19.5, fill=hexrgb("#C8201C") + (255,))
        c.ellipse(2.3, 2.3, 17.7, 17.7, fill=white)
        img = c.done()
        ImageDraw.Draw(img).text((10, 10.5), "19", font=font(10, True),
                                 fill=hexrgb("#C8201C") + (255,), anchor="mm")
        return masked(img)
    return masked(c.done())


# ------------------------------------------------------------------------------------------------
# Skins. "Light" (the default) is pale blue with dark text, "Standard" deep blue with white text;
# both share the layout, the title band, the emblem and the button shapes.

SKINS = {
    "Light": {
        "body_top": hexrgb("#F7FAFE"), "body_bottom": hexrgb("#E1EEFC"),
        "band_top": hexrgb("#8DB6E0"), "band_bottom": hexrgb("#5F90BD"),
        "border": hexrgb("#5F90BD"), "title": (255, 255, 255), "text": hexrgb("#3E5670"),
        "soft": hexrgb("#788CA6"), "panel": hexrgb("#FFFFFF"), "panel_edge": hexrgb("#95B6D8"),
        "btn": [hexrgb("#FFFFFF"), hexrgb("#DCE9F7")], "btn_edge": hexrgb("#5F90BD"),
        "btn_text": hexrgb("#2F5F8F"),
        "primary": [hexrgb("#74A3D6"), hexrgb("#3F73A8")], "primary_edge": hexrgb("#2F5F8F"),
    },
    "Standard": {
        "body_top": hexrgb("#3A5E8A"), "body_bottom": hexrgb("#1E3656"),
        "band_top": hexrgb("#5B88BC"), "band_bottom": hexrgb("#2A4E7C"),
        "border": hexrgb("#142842"), "title": (255, 255, 255), "text": hexrgb("#F2F6FB"),
        "soft": hexrgb("#B9CCE3"), "panel": hexrgb("#FFFFFF"), "panel_edge": hexrgb("#142842"),
        "btn": [hexrgb("#5C86B8"), hexrgb("#34598A")], "btn_edge": hexrgb("#142842"),
        "btn_text": (255, 255, 255),
        "primary": [hexrgb("#F7B24A"), hexrgb("#D97B0F")], "primary_edge": hexrgb("#7A4200"),
    },
}


def vgradient(img, box, top, bottom):
    d = ImageDraw.Draw(img)
    x0, y0, x1, y1 = box
    for y in range(y0, y1):
        t = (y - y0) / max(1, y1 - y0 - 1)
        d.line([(x0, y), (x1 - 1, y)], fill=mix(top, bottom, t))


def emblem(size):
    """The product's emblem: a blue disc with a light ray, as on the logo button."""
    c = Canvas(size, size)
    s = size
    c.ellipse(0, 0, s, s, fill=hexrgb("#2F5F96") + (255,))
    c.ellipse(s * 0.06, s * 0.06, s * 0.94, s * 0.94, fill=hexrgb("#4F8AC9") + (255,))
    shield(c, s * 0.28, s * 0.2, s * 0.44, s * 0.6, fill=(255, 255, 255, 255))
    glyph_check(c, s * 0.34, s * 0.3, s * 0.32, hexrgb("#2F5F96") + (255,), s * 0.06)
    return c.done()


def dialog_background(w, h, skin, title):
    k = SKINS[skin]
    img = Image.new("RGB", (w, h), k["border"])
    vgradient(img, (1, 1, w - 1, h - 1), k["body_top"], k["body_bottom"])
    vgradient(img, (1, 1, w - 1, 30), k["band_top"], k["band_bottom"])
    d = ImageDraw.Draw(img)
    d.line([(1, 30), (w - 2, 30)], fill=mix(k["band_bottom"], (0, 0, 0), 0.2))
    em = emblem(18)
    img.paste(em, (8, 6), em)
    draw_text(img, (32, 15), title, 13, k["title"], bold=True, anchor="lm")
    return img, d, k


def panel(img, k, box):
    d = ImageDraw.Draw(img)
    d.rounded_rectangle(box, radius=4, fill=k["panel"], outline=k["panel_edge"])


def about_background(skin):
    # Close button at (270, 182)-(347, 202); the version text control sits right of "버전 :"
    # at about (140, 122)-(300, 138) and takes #FAFAFA ("Standard") or #788CA6 (other skins).
    img, d, k = dialog_background(357, 212, skin, "프로그램 정보")
    em = emblem(56)
    img.paste(em, (22, 52), em)
    draw_text(img, (96, 54), "루모라 툴바", 22, k["text"], bold=True)
    draw_text(img, (97, 84), "Lumora Toolbar", 12, k["soft"])
    draw_text(img, (97, 104), "안전한 인터넷 이용을 지켜 드립니다.", 12, k["text"])
    draw_text(img, (97, 124), "버전 :", 12, k["text"], bold=True)
    d.line([(20, 166), (336, 166)], fill=k["panel_edge"])
    draw_text(img, (20, 176), "Copyright (C) Orvx.", 11, k["soft"])
    draw_text(img, (20, 191), "All rights reserved.", 11, k["soft"])
    return opaque(img)


def iframe_background(skin):
    # Close button at x 398-475, y 172-192 (window height - 28 to - 8).
    img, d, k = dialog_background(485, 200, skin, "위험 프레임 차단 알림")
    c = Canvas(52, 48)
    c.poly([(26, 1), (51, 46), (1, 46)], fill=RED_D + (255,))
    c.poly([(26, 5), (47.5, 44), (4.5, 44)], fill=RED + (255,))
    c.line([(26, 17), (26, 32)], (255, 255, 255, 255), 5)
    c.ellipse(23, 35, 29, 41, fill=(255, 255, 255, 255))
    icon = c.done()
    img.paste(icon, (20, 52), icon)
    strong = hexrgb("#C8201C") if skin == "Light" else hexrgb("#FFD4D0")
    draw_text(img, (88, 50), "위험한 내부 프레임(iframe)을 차단하였습니다.", 14, strong, bold=True)
    lines = ["지금 보고 계신 페이지에 악성코드 유포 등 보안 위협이 확인된",
             "내부 프레임이 들어 있어, 루모라 툴바가 그 프레임의 연결을",
             "차단하였습니다. 페이지의 나머지 내용은 그대로 이용하실 수 있습니다."]
    for i, line in enumerate(lines):
        draw_text(img, (88, 80 + i * 20), line, 12, k["text"])
    d.line([(20, 160), (464, 160)], fill=k["panel_edge"])
    draw_text(img, (20, 182), "루모라 툴바가 안전한 인터넷 이용을 지켜 드립니다.", 11, k["soft"],
              anchor="lm")
    return opaque(img)


def upgrade_background(skin):
    # List view 252 over the panel (14, 60)-(531, 254), status text 225 over (14, 266)-(531, 282),
    # buttons at (374, 292)-(451, 312) and (456, 292)-(533, 312).
    img, d, k = dialog_background(545, 324, skin, "루모라 업데이트")
    draw_text(img, (14, 44), "설치된 구성요소의 버전을 최신 버전과 비교합니다.", 12, k["text"],
              anchor="lm")
    panel(img, k, (12, 58, 532, 255))
    d.rounded_rectangle((12, 262, 532, 285), radius=4,
                        fill=mix(k["body_top"], k["body_bottom"], 0.3), outline=k["panel_edge"])
    return opaque(img)


def reminder_background(skin):
    # Close button at (461, 10)-(475, 23) in the title band, how-to button at (398, 172)-(475, 192);
    # text 222 and the second text over (76, 44)-(470, 124), check box 221 at about (16, 172).
    img, d, k = dialog_background(485, 200, skin, "Windows 자동 업데이트 알림")
    c = Canvas(44, 48)
    shield(c, 1, 1, 42, 46, fill=hexrgb("#B86E00") + (255,))
    shield(c, 4, 4, 36, 40, fill=ORANGE + (255,))
    c.line([(22, 13), (22, 29)], (255, 255, 255, 255), 5)
    c.ellipse(19, 32, 25, 38, fill=(255, 255, 255, 255))
    icon = c.done()
    img.paste(icon, (18, 50), icon)
    d.line([(16, 160), (469, 160)], fill=k["panel_edge"])
    return opaque(img)


def button(w, h, skin, label, state, primary=False):
    """A three-state button: 0 normal, 1 hover (lighter, accent edge), 2 pressed (darker, text
    moved down one pixel). Corners outside the rounded shape are transparent."""
    k = SKINS[skin]
    top, bottom = k["primary"] if primary else k["btn"]
    edge = k["primary_edge"] if primary else k["btn_edge"]
    text = (255, 255, 255) if primary else k["btn_text"]
    if state == 1:
        top, bottom = mix(top, (255, 255, 255), 0.35), mix(bottom, (255, 255, 255), 0.25)
        edge = hexrgb("#2F8FEA") if not primary else mix(edge, (255, 255, 255), 0.4)
    elif state == 2:
        top, bottom = mix(bottom, (0, 0, 0), 0.12), mix(top, (0, 0, 0), 0.05)
    grad = Image.new("RGB", (w, h))
    vgradient(grad, (0, 0, w, h), top, bottom)
    c = Canvas(w, h)
    c.rrect(0, 0, w, h, 4, fill=edge + (255,))
    shape = c.done()
    inner = Canvas(w, h)
    inner.rrect(1, 1, w - 1, h - 1, 3, fill=(255, 255, 255, 255))
    inner_mask = inner.done().split()[3]
    shape.paste(grad.convert("RGBA"), (0, 0), inner_mask)
    dy = 1 if state == 2 else 0
    ImageDraw.Draw(shape).text((w / 2, h / 2 + dy + 0.5), label, font=font(12, True),
                               fill=text + (255,), anchor="mm")
    ground = SKINS[skin]["body_bottom"]
    return masked(shape, ground=ground)


def small_close(skin, state):
    """The 14 x 13 close box of the reminder and the message list."""
    k = SKINS[skin]
    base = {0: k["band_bottom"], 1: hexrgb("#E0443E"), 2: hexrgb("#9E1C18")}[state]
    c = Canvas(14, 13)
    c.rrect(0, 0, 14, 13, 2.5, fill=mix(base, (0, 0, 0), 0.3) + (255,))
    c.rrect(1, 1, 13, 12, 2, fill=base + (255,))
    c.line([(4, 3.5), (10, 9.5)], (255, 255, 255, 255), 1.6)
    c.line([(10, 3.5), (4, 9.5)], (255, 255, 255, 255), 1.6)
    return masked(c.done(), ground=k["band_bottom"])


# ------------------------------------------------------------------------------------------------
# PyxToolTip 9000: five 29 x 14 badges with white lettering

BADGES = [("신뢰", "#6E9F2C"), ("양호", "#3F7FC4"), ("주의", "#DB740A"), ("위험", "#D8322C"),
          ("지연", "#8E8E8E")]


def badge_strip():
    frames = []
    for label, colour in BADGES:
        c = Canvas(29, 14)
        col = hexrgb(colour)
        c.rrect(0, 0, 29, 14, 4, fill=mix(col, (0, 0, 0), 0.18) + (255,))
        c.rrect(1, 1, 28, 13, 3, fill=col + (255,))
        img = c.done()
        ImageDraw.Draw(img).text((14.5, 7.4), label, font=font(11, True),
                                 fill=(255, 255, 255, 255), anchor="mm")
        frames.append(masked(img))
    return strip(frames)


# ------------------------------------------------------------------------------------------------

BUTTON_W, BUTTON_H = 77, 20
STATE = {"normal": 0, "hover": 1, "pressed": 2}

# (label, primary, {skin: {state: id}}) of every three-state button.
BUTTONS = [
    ("업그레이드", True, {"Standard": {"normal": 3066, "hover": 3064, "pressed": 3062},
                     "Light": {"normal": 3065, "hover": 3063, "pressed": 3061}}),
    ("나중에", False, {"Standard": {"normal": 3056, "hover": 3054, "pressed": 3052},
                    "Light": {"normal": 3055, "hover": 3053, "pressed": 3051}}),
    ("확인", False, {"Standard": {"normal": 3036, "hover": 3034, "pressed": 3032},
                   "Light": {"normal": 3035, "hover": 3033, "pressed": 3031}}),
    ("설정방법", True, {"Standard": {"normal": 3012, "hover": 3016, "pressed": 3014},
                    "Light": {"normal": 3011, "hover": 3015, "pressed": 3013}}),
    ("닫기", False, {"Standard": {"normal": 3042, "hover": 3046, "pressed": 3044},
                   "Light": {"normal": 3041, "hover": 3043, "pressed": 3045}}),
]
SMALL_CLOSE = {"Standard": {"normal": 3002, "hover": 3006, "pressed": 3004},
               "Light": {"normal": 3001, "hover": 3005, "pressed": 3003}}


def all_pictures():
    """id -> (image, comment)"""
    pics = {
        4015: (lamp_strip(), "signal lamp strip, 32 frames of 19 x 19"),
        4016: (cert_strip(20, 16), "site marks, 20 x 16"),
        4011: (cert_strip(16, 16), "ticker icons, 16 x 16 (7 = certification mark)"),
        4017: (logo(), "logo, 35 x 16"),
        4018: (grip(), "grip halves, 5 x 16"),
        4019: (strip([fn_icon(n) for n in range(6)]), "function buttons and grip, 16 x 16"),
        4020: (strip([page_icon(n) for n in range(4)]), "settings page icons, 20 x 20"),
        4022: (about_background("Standard"), "program information, Standard"),
        4023: (about_background("Light"), "program information, Light"),
        4024: (upgrade_background("Standard"), "upgrade dialog, Standard"),
        4025: (upgrade_background("Light"), "upgrade dialog, Light"),
        4026: (reminder_background("Light"), "automatic update reminder, Light"),
        4027: (reminder_background("Standard"), "automatic update reminder, Standard"),
        5001: (iframe_background("Light"), "blocked frame notice, Light"),
        5002: (iframe_background("Standard"), "blocked frame notice, Standard"),
    }
    for label, primary, skins in BUTTONS:
        for skin, states in skins.items():
            for state, pid in states.items():
                pics[pid] = (button(BUTTON_W, BUTTON_H, skin, label, STATE[state], primary),
                             "button %s, %s, %s" % (label, skin, state))
    for skin, states in SMALL_CLOSE.items():
        for state, pid in states.items():
            pics[pid] = (small_close(skin, STATE[state]), "close box, %s, %s" % (skin, state))
    return pics


def write_rc(path, header, entries):
    with open(path, "w", encoding="utf-8") as f:
        f.write(header)
        for pid, bmp, comment in entries:
            f.write("// %s\n%d BITMAP \"%s\"\n" % (comment, pid, bmp.replace("\\", "/")))


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    bmp_dir = os.path.join(os.path.abspath(args.out), "bmp")
    os.makedirs(bmp_dir, exist_ok=True)

    entries = []
    for pid, (img, comment) in sorted(all_pictures().items()):
        path = os.path.join(bmp_dir, "pyxres_%d.bmp" % pid)
        img.save(path, "BMP")
        entries.append((pid, path, comment))
    write_rc(os.path.join(args.out, "PyxRes_pictures.rc"),
             "// Pictures of PyxRes.dll, generated by make_pictures.py.\n", entries)

    path = os.path.join(bmp_dir, "pyxtooltip_9000.bmp")
    badge_strip().save(path, "BMP")
    write_rc(os.path.join(args.out, "PyxToolTip_badges.rc"),
             "// Badge strip of PyxToolTip.dll, generated by make_pictures.py.\n",
             [(9000, path, "balloon badges, five of 29 x 14")])


if __name__ == "__main__":
    main()
