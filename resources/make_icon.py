#!/usr/bin/python3
"""Draws Quorvo's alarm-clock icon and writes it as a Windows .ico file.

The picture is described below as a list of shapes (circles, lines and
rectangles) on a 32 x 32 canvas, painted back to front. The script renders it
at 32 x 32 and 16 x 16 pixels in the standard 16-colour palette, 4 bits per
pixel, with a 1-bit AND mask for the transparent background, and writes both
images into one icon file.

    make_icon.py [OUTPUT]       write the icon (default: quorvo.ico beside
                                this script)
    make_icon.py --check [FILE] exit 1 unless FILE (default: the committed
                                quorvo.ico) holds exactly the icon this
                                script draws

Only the Python 3 standard library is used, so the icon can be redrawn on
any machine with the same result byte for byte.
"""

import os
import struct
import sys

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
SIZES = (32, 16)

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


def _bitmap(pixels):
    """One icon image: BITMAPINFOHEADER, palette, 4-bit colour rows and the
    1-bit AND mask, both bottom-up with rows padded to four bytes."""
    size = len(pixels)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor_rows = []
    and_rows = []
    for line in reversed(pixels):
        xor = bytearray(xor_stride)
        mask = bytearray(and_stride)
        for col, index in enumerate(line):
            if index is TRANSPARENT:
                mask[col // 8] |= 0x80 >> (col % 8)
                index = 0
            xor[col // 2] |= index << (4 if col % 2 == 0 else 0)
        xor_rows.append(bytes(xor))
        and_rows.append(bytes(mask))
    image = b"".join(xor_rows) + b"".join(and_rows)
    header = struct.pack(
        "<IiiHHIIiiII",
        40,  # header size
        size,
        size * 2,  # colour rows and mask rows together
        1,  # planes
        4,  # bits per pixel
        0,  # BI_RGB
        len(image),
        0,
        0,
        16,  # colours used
        0,
    )
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + image


def icon_bytes():
    """The whole .ico file: directory, one entry per size, the images."""
    images = [_bitmap(render(size)) for size in SIZES]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    for size, image in zip(SIZES, images):
        entries += struct.pack(
            "<BBBBHHII",
            size % 256,
            size % 256,
            16,  # colours
            0,
            1,  # planes
            4,  # bits per pixel
            len(image),
            offset,
        )
        offset += len(image)
    return directory + entries + b"".join(images)


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    default_output = os.path.join(here, "quorvo.ico")
    if len(argv) >= 2 and argv[1] == "--check":
        path = argv[2] if len(argv) > 2 else default_output
        with open(path, "rb") as f:
            committed = f.read()
        if committed != icon_bytes():
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
