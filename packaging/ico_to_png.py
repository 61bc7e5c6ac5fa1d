#!/usr/bin/env python3
"""Writes the images of a Windows icon file as PNG files (RGBA), one per
image, named <size>x<size>.png in the output folder: the hicolor theme's
sizes. Reads the kind of icon res/make_icon.py writes: 8-bit palette
images with a transparency mask.

Deterministic (the standard library's zlib at a fixed level, no time or
text chunks), so two builds write the same bytes.

    python3 packaging/ico_to_png.py res/qarvel.ico OUTPUT_FOLDER
"""

import os
import struct
import sys
import zlib


def images(data):
    """(size, rows of (r, g, b, a) top to bottom) for each image."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1:
        raise ValueError("not an icon file")
    for i in range(count):
        _, _, _, _, _, _, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        yield decode_bitmap(data[offset:offset + length])


def decode_bitmap(bmp):
    (header_size, width, height2, _, bits, compression, _, _, _, colours,
     _) = struct.unpack_from("<IiiHHIIiiII", bmp, 0)
    height = height2 // 2
    if bits != 8 or compression != 0 or width != height:
        raise ValueError("only square 8-bit uncompressed icon images are read")
    colours = colours or 256
    palette = [struct.unpack_from("<BBBB", bmp, header_size + 4 * k)[2::-1]
               for k in range(colours)]
    xor_at = header_size + 4 * colours
    xor_stride = (width + 3) // 4 * 4
    and_at = xor_at + xor_stride * height
    and_stride = (width + 31) // 32 * 4
    rows = []
    for y in range(height - 1, -1, -1):  # bitmaps are stored bottom-up
        row = []
        for x in range(width):
            index = bmp[xor_at + y * xor_stride + x]
            clear = bmp[and_at + y * and_stride + x // 8] & (0x80 >> (x % 8))
            row.append(palette[index] + ((0,) if clear else (255,)))
        rows.append(row)
    return width, rows


def png_bytes(size, rows):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body)))

    raw = b"".join(b"\0" + bytes(v for pixel in row for v in pixel) for row in rows)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    source, folder = sys.argv[1:]
    with open(source, "rb") as f:
        data = f.read()
    os.makedirs(folder, exist_ok=True)
    for size, rows in images(data):
        with open(os.path.join(folder, "%dx%d.png" % (size, size)), "wb") as f:
            f.write(png_bytes(size, rows))


if __name__ == "__main__":
    main()
