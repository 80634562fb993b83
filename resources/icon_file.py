"""The bytes of a Windows .ico file: 16-colour and 32-bit images as
device-independent bitmaps, PNG-compressed images, the directory that lists
them, and the reverse (the images a file holds). Python 3 standard library
only; make_icon.py draws the pictures, this module only packs them.
"""

import struct
import zlib

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def _and_mask(rows, transparent):
    """The 1-bit AND mask, bottom-up, rows padded to four bytes: set where
    the background shows through."""
    size = len(rows)
    stride = ((size + 31) // 32) * 4
    mask_rows = []
    for line in reversed(rows):
        mask = bytearray(stride)
        for col, pixel in enumerate(line):
            if transparent(pixel):
                mask[col // 8] |= 0x80 >> (col % 8)
        mask_rows.append(bytes(mask))
    return b"".join(mask_rows)


def _header(size, bits, image_bytes, colours_used):
    return struct.pack(
        "<IiiHHIIiiII",
        40,  # header size
        size,
        size * 2,  # colour rows and mask rows together
        1,  # planes
        bits,
        0,  # BI_RGB
        image_bytes,
        0,
        0,
        colours_used,
        0,
    )


def bitmap_4bit(pixels, palette):
    """A 16-colour image: pixels are rows of palette indices, None where
    the background shows through."""
    size = len(pixels)
    stride = ((size * 4 + 31) // 32) * 4
    rows = []
    for line in reversed(pixels):
        row = bytearray(stride)
        for col, index in enumerate(line):
            row[col // 2] |= (index or 0) << (4 if col % 2 == 0 else 0)
        rows.append(bytes(row))
    image = b"".join(rows) + _and_mask(pixels, lambda p: p is None)
    table = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette)
    return _header(size, 4, len(image), len(palette)) + table + image


def bitmap_32bit(pixels):
    """A 32-bit image with alpha: pixels are rows of (r, g, b, a), straight
    (not premultiplied) alpha, as Windows reads icons."""
    size = len(pixels)
    colour = b"".join(
        bytes(channel for r, g, b, a in line for channel in (b, g, r, a))
        for line in reversed(pixels)
    )
    image = colour + _and_mask(pixels, lambda p: p[3] == 0)
    return _header(size, 32, len(image), 0) + image


def _png_chunk(kind, data):
    body = kind + data
    crc = struct.pack(">I", zlib.crc32(body))
    return struct.pack(">I", len(data)) + body + crc


def png(pixels):
    """An 8-bit RGBA PNG of the pixels, the form Windows takes for a 256 px
    icon image (a bitmap of that size would be a quarter of a megabyte)."""
    size = len(pixels)
    raw = b"".join(
        b"\0" + bytes(channel for pixel in line for channel in pixel)
        for line in pixels
    )
    return (
        PNG_SIGNATURE
        # 8 bits a channel, colour type 6 (RGBA), no interlacing.
        + _png_chunk(b"IHDR",
                     struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
        + _png_chunk(b"IDAT", zlib.compress(raw, 9))
        + _png_chunk(b"IEND", b"")
    )


def png_pixels(data):
    """The decoded pixel rows of a PNG that png() wrote (filter type 0
    only), so that two files are compared by what they show, not by how a
    zlib version happened to compress them."""
    width, height = struct.unpack_from(">II", data, 16)
    chunks, offset = [], len(PNG_SIGNATURE)
    while offset < len(data):
        length, kind = struct.unpack_from(">I4s", data, offset)
        if kind == b"IDAT":
            chunks.append(data[offset + 8 : offset + 8 + length])
        offset += 12 + length
    raw = zlib.decompress(b"".join(chunks))
    stride = width * 4 + 1
    return [raw[row * stride : (row + 1) * stride] for row in range(height)]


def icon(images):
    """The whole file from (size, bits per pixel, colours, image bytes)."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    for size, bits, colours, data in images:
        entries += struct.pack(
            "<BBBBHHII", size % 256, size % 256, colours, 0, 1, bits,
            len(data), offset,
        )
        offset += len(data)
    return directory + entries + b"".join(data for _, _, _, data in images)


def images_of(data):
    """(width, bits per pixel, image bytes) of each image an .ico holds, in
    the order of its directory."""
    _, _, count = struct.unpack_from("<HHH", data, 0)
    found = []
    for i in range(count):
        width, _, _, _, _, bits, size, offset = struct.unpack_from(
            "<BBBBHHII", data, 6 + 16 * i
        )
        found.append((width or 256, bits, data[offset : offset + size]))
    return found
