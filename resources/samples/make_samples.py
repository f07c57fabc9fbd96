#!/usr/bin/env python3
"""Writes the sample images shipped with Tessary as uncompressed BMP files.

  gradient.bmp    128 x 96, 24-bit colour: red grows to the right
                  (red = x * 2), green grows downwards (green = y * 8 / 3,
                  integer), blue falls to the right (blue = 255 - x * 2);
                  72 pixels per inch.
  grey_chart.bmp  128 x 64, 8-bit grey with a grey palette: sixteen vertical
                  steps (level = (x // 8) * 17) in the top half, a smooth ramp
                  (level = x * 2) in the bottom half; 150 pixels per inch.

Run it from any folder; the files are written beside this script.
"""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def pixels_per_metre(ppi):
    return int(round(ppi / 0.0254))


def bmp_file(width, height, bits, rows, ppi, palette=b""):
    """`rows` are the image rows top first, each already packed for `bits`."""
    row_bytes = (width * bits // 8 + 3) & ~3
    pixel_offset = 14 + 40 + len(palette)
    size = pixel_offset + row_bytes * height
    out = bytearray()
    out += struct.pack("<2sIHHI", b"BM", size, 0, 0, pixel_offset)
    ppm = pixels_per_metre(ppi)
    colours = len(palette) // 4
    out += struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0,
                       row_bytes * height, ppm, ppm, colours, 0)
    out += palette
    for row in reversed(rows):  # bottom-up
        out += row + b"\0" * (row_bytes - len(row))
    return bytes(out)


def gradient():
    width, height = 128, 96
    rows = []
    for y in range(height):
        row = bytearray()
        for x in range(width):
            red, green, blue = x * 2, y * 8 // 3, 255 - x * 2
            row += bytes((blue, green, red))
        rows.append(bytes(row))
    return bmp_file(width, height, 24, rows, 72)


def grey_chart():
    width, height = 128, 64
    palette = b"".join(bytes((v, v, v, 0)) for v in range(256))
    rows = []
    for y in range(height):
        if y < height // 2:
            row = bytes((x // 8) * 17 for x in range(width))
        else:
            row = bytes(x * 2 for x in range(width))
        rows.append(row)
    return bmp_file(width, height, 8, rows, 150, palette)


def main():
    for name, data in (("gradient.bmp", gradient()), ("grey_chart.bmp", grey_chart())):
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
