#!/usr/bin/python3
"""Draws Quorvo's alarm-clock icon and writes it as a Windows .ico file.

The picture is described below as a list of shapes (circles, lines and
rectangles) on a 32 x 32 canvas, painted back to front. The script renders
it at 32 x 32 and 16 x 16 pixels in the standard 16-colour palette, 4 bits
per pixel, with a 1-bit AND mask for the transparent background: the
pictures the clock has always had, and what old systems and the window's
own small icon use. For the scales of today's screens it renders the same
shapes, anti-aliased, at 20, 24, 40, 48 and 64 pixels in 32-bit colour with
alpha, and at 256 pixels as a PNG, and writes all eight images into one
icon file.

    make_icon.py [OUTPUT]       write the icon (default: quorvo.ico beside
                                this script)
    make_icon.py --check [FILE] exit 1 unless FILE (default: the committed
                                quorvo.ico) holds exactly the icon this
                                script draws

Only the Python 3 standard library is used, so the icon can be redrawn on
any machine with the same result byte for byte (the PNG image is compared
by its pixels, as zlib versions may pack the same pixels differently).
"""

import math
import os
import sys

sys.dont_write_bytecode = True  # nothing compiled beside the sources
import icon_file  # noqa: E402

# The standard 16-colour palette of Windows, in palette order, as RGB.
PALETTE = [
    (0x00, 0x00, 0x00),  # 0 black
    (0x80, 0x00, 0x00),  # 1 dark red
    (0x00, 0x80, 0x00),  # 2 dark green
    (0x80, 0x80, 0x00),  # 3 dark yellow
    (0x00, 0x00, 0x80),  # 4 dark blue
    (0x80, 0x00, 0x80),  # 5 dark magenta
    (0x00, 0x80, 0x80),  # 6 dark cyan
    (0xC0, 0xC0, 0xC0),  # 7 light grey
    (0x80, 0x80, 0x80),  # 8 dark grey
    (0xFF, 0x00, 0x00),  # 9 red
    (0x00, 0xFF, 0x00),  # 10 green
    (0xFF, 0xFF, 0x00),  # 11 yellow
    (0x00, 0x00, 0xFF),  # 12 blue
    (0xFF, 0x00, 0xFF),  # 13 magenta
    (0x00, 0xFF, 0xFF),  # 14 cyan
    (0xFF, 0xFF, 0xFF),  # 15 white
]
COLOUR = {
    "black": 0,
    "dark red": 1,
    "light grey": 7,
    "dark grey": 8,
    "red": 9,
    "white": 15,
}

# Index written under transparent pixels; the AND mask hides it.
TRANSPARENT = None

CANVAS = 32.0
# The 16-colour images, drawn as pixel art.
SIZES = (32, 16)
# The 32-bit images with alpha, drawn with the shapes of the 32 x 32 picture;
# the largest is stored as PNG.
TRUE_COLOUR_SIZES = (20, 24, 40, 48, 64, 256)
PNG_SIZES = (256,)

# The drawing, back to front, in canvas units (0..32, y downwards). Each
# shape is (kind, colour, geometry..., options):
#   ("circle", colour, cx, cy, r)
#   ("line", colour, x0, y0, x1, y1, width)  round-ended stroke
#   ("rect", colour, x0, y0, x1, y1)
# Options (a dict, optional last element):
#   "min_px": a line is never thinner than this many pixels, so the feet
#             stay visible at 16 x 16;
#   "sizes":  only draw the shape at these pixel sizes;
#   "wins":   the share of a pixel the shape must cover to colour it when it
#             is the frontmost shape there (default 0.5).
DRAWING = [
    # Feet: two short dark legs below the body.
    ("line", "dark red", 9.0, 24.0, 5.5, 30.0, 3.0, {"min_px": 1.5}),
    ("line", "dark red", 23.0, 24.0, 26.5, 30.0, 3.0, {"min_px": 1.5}),
    # Handle across the top, and the hammer between the bells.
    ("line", "dark grey", 10.0, 2.0, 22.0, 2.0, 2.0, {"sizes": (32,)}),
    ("rect", "dark grey", 10.0, 0.0, 22.0, 2.0, {"sizes": (16,)}),
    ("rect", "dark grey", 15.0, 2.0, 17.0, 6.0, {"sizes": (32,)}),
    # Bells: red domes with a dark rim, partly behind the body. At 16 x 16
    # every rim is a whole pixel wide, or it breaks up into loose dots.
    ("circle", "dark red", 7.0, 7.0, 5.5, {"sizes": (32,)}),
    ("circle", "red", 7.0, 7.0, 4.5, {"sizes": (32,)}),
    ("circle", "dark red", 25.0, 7.0, 5.5, {"sizes": (32,)}),
    ("circle", "red", 25.0, 7.0, 4.5, {"sizes": (32,)}),
    ("circle", "dark red", 6.0, 6.0, 5.5, {"sizes": (16,)}),
    ("circle", "red", 6.0, 6.0, 3.5, {"sizes": (16,)}),
    ("circle", "dark red", 26.0, 6.0, 5.5, {"sizes": (16,)}),
    ("circle", "red", 26.0, 6.0, 3.5, {"sizes": (16,)}),
    # Body: a red case with a dark rim.
    ("circle", "dark red", 16.0, 17.0, 13.0),
    ("circle", "red", 16.0, 17.0, 12.0, {"sizes": (32,)}),
    ("circle", "red", 16.0, 17.0, 11.0, {"sizes": (16,)}),
    # Face: white with a grey ring inside the case.
    ("circle", "dark grey", 16.0, 17.0, 9.5, {"sizes": (32,)}),
    ("circle", "white", 16.0, 17.0, 9.0),
    # Hour marks at 12, 3, 6 and 9.
    ("rect", "dark grey", 15.0, 9.0, 17.0, 11.0, {"sizes": (32,)}),
    ("rect", "dark grey", 22.0, 16.0, 24.0, 18.0, {"sizes": (32,)}),
    ("rect", "dark grey", 15.0, 23.0, 17.0, 25.0, {"sizes": (32,)}),
    ("rect", "dark grey", 8.0, 16.0, 10.0, 18.0, {"sizes": (32,)}),
    # Hands at ten past ten: the short hour hand up and left, the long
    # minute hand up and right.
    ("line", "black", 16.0, 17.0, 11.5, 13.5, 2.0, {"sizes": (32,)}),
    ("line", "black", 16.0, 17.0, 21.5, 11.0, 2.0, {"sizes": (32,)}),
    ("circle", "red", 16.0, 17.0, 1.5, {"sizes": (32,), "wins": 0.3}),
    # At 16 x 16 a slanted one-pixel hand breaks into steps, so the small
    # picture shows three o'clock with straight hands on whole pixels.
    ("rect", "black", 14.0, 10.0, 16.0, 18.0, {"sizes": (16,)}),
    ("rect", "black", 14.0, 16.0, 22.0, 18.0, {"sizes": (16,)}),
]

# Subsamples per pixel edge; each pixel takes the colour that covers most of
# it, so the outlines come out as clean pixel art without blending.
SUBSAMPLES = 8


def _options(shape):
    return shape[-1] if isinstance(shape[-1], dict) else {}


def _covers(shape, x, y, scale):
    """Whether the point (x, y) in canvas units lies inside the shape."""
    kind = shape[0]
    if kind == "circle":
        _, _, cx, cy, r = shape[:5]
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    if kind == "rect":
        _, _, x0, y0, x1, y1 = shape[:6]
        return x0 <= x < x1 and y0 <= y < y1
    if kind == "line":
        _, _, x0, y0, x1, y1, width = shape[:7]
        min_px = _options(shape).get("min_px", 0.0)
        width = max(width, min_px * scale)
        dx, dy = x1 - x0, y1 - y0
        length2 = dx * dx + dy * dy
        t = 0.0 if length2 == 0 else ((x - x0) * dx + (y - y0) * dy) / length2
        t = min(1.0, max(0.0, t))
        px, py = x0 + t * dx - x, y0 + t * dy - y
        return px * px + py * py <= (width / 2.0) ** 2
    raise ValueError("unknown shape kind: %r" % (kind,))


def render(size):
    """The picture at size x size pixels: rows top to bottom of palette
    indices, None where the background shows through."""
    scale = CANVAS / size  # canvas units per pixel
    shapes = [s for s in DRAWING if size in _options(s).get("sizes", SIZES)]
    pixels = []
    for row in range(size):
        line = []
        for col in range(size):
            # How many subsamples each shape shows in (frontmost wins).
            counts = {}
            for sy in range(SUBSAMPLES):
                for sx in range(SUBSAMPLES):
                    x = (col + (sx + 0.5) / SUBSAMPLES) * scale
                    y = (row + (sy + 0.5) / SUBSAMPLES) * scale
                    front = -1
                    for i in range(len(shapes) - 1, -1, -1):
                        if _covers(shapes[i], x, y, scale):
                            front = i
                            break
                    counts[front] = counts.get(front, 0) + 1
            total = SUBSAMPLES * SUBSAMPLES
            chosen = None
            # Thin details in front (hands, hub) win with a smaller share.
            for i in sorted((k for k in counts if k >= 0), reverse=True):
                if counts[i] >= _options(shapes[i]).get("wins", 0.5) * total:
                    chosen = i
                    break
            if chosen is None:
                chosen = max(counts, key=lambda k: (counts[k], k))
            line.append(TRANSPARENT if chosen < 0 else COLOUR[shapes[chosen][1]])
        pixels.append(line)
    return pixels


# Subsamples per pixel edge of the anti-aliased images: the share of each
# colour among them gives a pixel's colour and its opacity.
SMOOTH_SUBSAMPLES = 6


def _interval(a, b, low, high):
    """The x with low <= a * x + b <= high, as (x0, x1); None if there is
    none."""
    if a == 0:
        return (-math.inf, math.inf) if low <= b <= high else None
    x0, x1 = (low - b) / a, (high - b) / a
    return (min(x0, x1), max(x0, x1))


def _circle_span(cx, cy, r, y):
    dy = y - cy
    if abs(dy) > r:
        return None
    half = math.sqrt(r * r - dy * dy)
    return (cx - half, cx + half)


def _span(shape, y, scale):
    """The stretch (x0, x1) of the row at height y (canvas units) that the
    shape covers, or None: each shape is convex, so a row meets it once."""
    kind = shape[0]
    if kind == "circle":
        _, _, cx, cy, r = shape[:5]
        return _circle_span(cx, cy, r, y)
    if kind == "rect":
        _, _, x0, y0, x1, y1 = shape[:6]
        return (x0, x1) if y0 <= y < y1 else None
    _, _, x0, y0, x1, y1, width = shape[:7]
    radius = max(width, _options(shape).get("min_px", 0.0) * scale) / 2.0
    # The round ends, and the band between them: along the stroke between
    # its ends, across it within half the width.
    length = math.hypot(x1 - x0, y1 - y0)
    pieces = [_circle_span(x0, y0, radius, y), _circle_span(x1, y1, radius, y)]
    if length > 0:
        ux, uy = (x1 - x0) / length, (y1 - y0) / length
        along = _interval(ux, (y - y0) * uy - x0 * ux, 0.0, length)
        across = _interval(-uy, (y - y0) * ux + x0 * uy, -radius, radius)
        if along and across:
            low, high = max(along[0], across[0]), min(along[1], across[1])
            if low <= high:
                pieces.append((low, high))
    pieces = [p for p in pieces if p]
    if not pieces:
        return None
    return (min(p[0] for p in pieces), max(p[1] for p in pieces))


def render_smooth(size):
    """The picture at size x size pixels, anti-aliased: rows top to bottom
    of (r, g, b, a), drawn with the shapes of the 32 x 32 picture."""
    scale = CANVAS / size
    shapes = [s for s in DRAWING if 32 in _options(s).get("sizes", SIZES)]
    n = SMOOTH_SUBSAMPLES
    columns = size * n
    # Each subsample holds 1 + the palette index of the frontmost shape
    # there, 0 where none is.
    pixels = []
    for row in range(size):
        sub_rows = []
        for sy in range(n):
            y = (row + (sy + 0.5) / n) * scale
            line = bytearray(columns)
            for shape in shapes:
                span = _span(shape, y, scale)
                if span is None:
                    continue
                # Subsample j's centre lies at (j + 0.5) * scale / n.
                first = max(0, math.ceil(span[0] * n / scale - 0.5))
                last = min(columns - 1, math.floor(span[1] * n / scale - 0.5))
                if last >= first:
                    code = COLOUR[shape[1]] + 1
                    line[first : last + 1] = bytes([code]) * (last - first + 1)
            sub_rows.append(line)
        out = []
        for col in range(size):
            block = b"".join(sub[col * n : (col + 1) * n] for sub in sub_rows)
            shown = [code for code in block if code]
            if not shown:
                out.append((0, 0, 0, 0))
                continue
            r = g = b = 0
            for code in shown:
                pr, pg, pb = PALETTE[code - 1]
                r, g, b = r + pr, g + pg, b + pb
            count = len(shown)
            out.append((round(r / count), round(g / count), round(b / count),
                        round(255 * count / len(block))))
        pixels.append(out)
    return pixels


def images():
    """(size, bits per pixel, colours, image bytes) of every image, in the
    order the file lists them: the two 16-colour pictures first, as the
    icon had them, then the larger and true-colour ones."""
    found = [(size, 4, 16, icon_file.bitmap_4bit(render(size), PALETTE))
             for size in SIZES]
    for size in TRUE_COLOUR_SIZES:
        pixels = render_smooth(size)
        data = (icon_file.png(pixels) if size in PNG_SIZES
                else icon_file.bitmap_32bit(pixels))
        found.append((size, 32, 0, data))
    return found


def icon_bytes():
    """The whole .ico file: directory, one entry per size, the images."""
    return icon_file.icon(images())


def same_icon(committed, drawn):
    """Whether two icon files hold the same images: byte for byte, except
    that PNG images are compared by their pixels."""
    first, second = icon_file.images_of(committed), icon_file.images_of(drawn)
    if [(w, b) for w, b, _ in first] != [(w, b) for w, b, _ in second]:
        return False
    for (_, _, one), (_, _, other) in zip(first, second):
        if one.startswith(icon_file.PNG_SIGNATURE) and other.startswith(
                icon_file.PNG_SIGNATURE):
            if icon_file.png_pixels(one) != icon_file.png_pixels(other):
                return False
        elif one != other:
            return False
    return True


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    default_output = os.path.join(here, "quorvo.ico")
    if len(argv) >= 2 and argv[1] == "--check":
        path = argv[2] if len(argv) > 2 else default_output
        with open(path, "rb") as f:
            committed = f.read()
        if not same_icon(committed, icon_bytes()):
            sys.stderr.write(
                "%s differs from what make_icon.py draws; "
                "run resources/make_icon.py to redraw it\n" % path
            )
            return 1
        print("%s matches the drawing" % path)
        return 0
    output = argv[1] if len(argv) > 1 else default_output
    with open(output, "wb") as f:
        f.write(icon_bytes())
    print("wrote %s" % output)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
