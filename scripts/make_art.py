#!/usr/bin/env python3
"""Draws the launcher's art: res/orvix_launcher.ico (16, 20, 24, 32, 40, 48 and
256 px square, 32-bit with alpha, so that the icon stays sharp at every display
scaling) and the banner in 256 colours at three sizes, one drawing each:
res/banner.bmp (350x70), res/banner_2x.bmp (700x140) and res/banner_3x.bmp
(1050x210), from which the launcher picks the one that fits its frame at the
display's scaling. Standard library only; run it again after changing a drawing
and keep the results in res/. The same script gives the same bytes."""

import math
import os
import struct
import zlib

RES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res")

# A 5x7 pixel font: enough glyphs for the banner's texts.
FONT = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "F": ["11111", "10000", "10000", "11110", "10000", "10000", "10000"],
    "G": ["01110", "10001", "10000", "10111", "10001", "10001", "01111"],
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "K": ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "W": ["10001", "10001", "10001", "10101", "10101", "10101", "01010"],
    "X": ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
    "Y": ["10001", "10001", "01010", "00100", "00100", "00100", "00100"],
    "1": ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    "2": ["01110", "10001", "00001", "00010", "00100", "01000", "11111"],
    ".": ["00000", "00000", "00000", "00000", "00000", "01100", "01100"],
    " ": ["00000"] * 7,
}


def text_width(text, scale):
    return len(text) * 6 * scale - scale


def draw_text(put, text, x, y, scale):
    for index, char in enumerate(text):
        glyph = FONT[char]
        for row, bits in enumerate(glyph):
            for col, bit in enumerate(bits):
                if bit == "1":
                    for dy in range(scale):
                        for dx in range(scale):
                            put(x + index * 6 * scale + col * scale + dx, y + row * scale + dy)


def clock_pixel(x, y, cx, cy, radius):
    """What the clock emblem shows at a pixel: None (outside), 'rim', 'face' or 'hand'."""
    return clock_point(x + 0.5, y + 0.5, cx, cy, radius)


def clock_point(px, py, cx, cy, radius):
    """What the clock emblem shows at a point: None (outside), 'rim', 'face' or 'hand'."""
    dx, dy = px - cx, py - cy
    distance = math.hypot(dx, dy)
    if distance > radius:
        return None
    if distance > radius * 0.78:
        return "rim"
    width = max(0.9, radius * 0.09)
    # Hour hand towards ten o'clock, minute hand straight up.
    for angle, length in ((math.radians(-60), 0.45), (math.radians(0), 0.62)):
        hx, hy = math.sin(angle), -math.cos(angle)
        along = dx * hx + dy * hy
        across = abs(dx * hy - dy * hx)
        if -width <= along <= radius * length and across <= width:
            return "hand"
    return "face"


# ---------------------------------------------------------------- banner

def banner_palette():
    palette = []
    # 0..127: the background gradient, deep blue to teal.
    for i in range(128):
        t = i / 127
        palette.append((int(16 + 10 * t), int(32 + 96 * t), int(96 + 64 * t)))
    extra = [
        (255, 255, 255),  # 128 text
        (8, 16, 48),      # 129 shadow
        (255, 200, 40),   # 130 clock rim
        (250, 250, 240),  # 131 clock face
        (200, 40, 40),    # 132 clock hands
        (180, 220, 255),  # 133 subtitle
    ]
    palette.extend(extra)
    while len(palette) < 256:
        palette.append((0, 0, 0))
    return palette


# The banner's sizes: each is the 1x drawing with every length multiplied, so
# that all show the same picture, only finer.
BANNER_WIDTH, BANNER_HEIGHT = 350, 70
BANNER_SCALES = {1: "banner.bmp", 2: "banner_2x.bmp", 3: "banner_3x.bmp"}


def draw_banner(scale=1):
    width, height = BANNER_WIDTH * scale, BANNER_HEIGHT * scale
    pixels = [[0] * width for _ in range(height)]
    for y in range(height):
        for x in range(width):
            t = (x / (width - 1)) * 0.7 + (1 - y / (height - 1)) * 0.3
            pixels[y][x] = int(t * 127)

    colours = {"rim": 130, "face": 131, "hand": 132}
    for y in range(height):
        for x in range(width):
            part = clock_pixel(x, y, 38 * scale, 35 * scale, 27 * scale)
            if part is not None:
                pixels[y][x] = colours[part]

    def painter(colour):
        def put(x, y):
            if 0 <= x < width and 0 <= y < height:
                pixels[y][x] = colour
        return put

    # Placed at 1x, then multiplied, so that no rounding moves a text.
    title, subtitle = "ORVIX LAUNCHER", "VERSION 2.11"
    left = 78 + (BANNER_WIDTH - 78 - text_width(title, 3)) // 2
    sub_left = left + (text_width(title, 3) - text_width(subtitle, 2)) // 2
    draw_text(painter(129), title, (left + 2) * scale, (12 + 2) * scale, 3 * scale)
    draw_text(painter(128), title, left * scale, 12 * scale, 3 * scale)
    draw_text(painter(133), subtitle, sub_left * scale, 44 * scale, 2 * scale)
    return pixels


def write_bmp8(path, pixels, palette):
    height, width = len(pixels), len(pixels[0])
    stride = (width + 3) & ~3
    image = bytearray()
    for row in reversed(pixels):
        image += bytes(row) + bytes(stride - width)
    palette_bytes = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    offset = 14 + 40 + len(palette_bytes)
    header = struct.pack("<2sIHHI", b"BM", offset + len(image), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(image), 2835, 2835, 256, 0)
    with open(path, "wb") as out:
        out.write(header + info + palette_bytes + image)


# ---------------------------------------------------------------- icon

ICON_SIZES = [16, 20, 24, 32, 40, 48, 256]
# Sizes from this one up are stored compressed (PNG), as Windows expects.
PNG_FROM = 256
SUBSAMPLES = 4  # per pixel and axis: smooth edges at every size

OUTLINE = (0, 0, 0)
TILE = (0, 0, 128)
CLOCK = {"rim": (255, 255, 0), "face": (255, 255, 255), "hand": (255, 0, 0)}


def tile_distance(px, py, size):
    """Signed distance from a point to the edge of the rounded tile (negative inside)."""
    corner = size * 0.22
    half = size / 2
    qx = abs(px - half) - (half - corner)
    qy = abs(py - half) - (half - corner)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - corner


def icon_point(px, py, size):
    """The colour at a point of the icon: a clock on a rounded navy tile with a
    dark outline that keeps its edge visible on light backgrounds; None outside."""
    distance = tile_distance(px, py, size)
    if distance > 0:
        return None
    if distance > -max(1.0, size / 32):
        return OUTLINE
    part = clock_point(px, py, size / 2, size / 2, size * 0.40)
    return CLOCK[part] if part is not None else TILE


def draw_icon(size):
    """Rows of (red, green, blue, alpha), each pixel the mean of its subsamples."""
    rows = []
    step = 1 / SUBSAMPLES
    for y in range(size):
        row = []
        for x in range(size):
            covered, red, green, blue = 0, 0, 0, 0
            for sy in range(SUBSAMPLES):
                for sx in range(SUBSAMPLES):
                    colour = icon_point(x + (sx + 0.5) * step, y + (sy + 0.5) * step, size)
                    if colour is not None:
                        covered += 1
                        red, green, blue = red + colour[0], green + colour[1], blue + colour[2]
            if covered == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((red // covered, green // covered, blue // covered,
                            covered * 255 // (SUBSAMPLES * SUBSAMPLES)))
        rows.append(row)
    return rows


def bmp_image(rows):
    """An icon image as Windows stores it: BGRA rows bottom up, then the AND mask."""
    size = len(rows)
    and_stride = ((size + 31) // 32) * 4
    pixels = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(and_stride)
        for x, (red, green, blue, alpha) in enumerate(row):
            pixels += bytes((blue, green, red, alpha))
            if alpha == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return info + bytes(pixels) + bytes(mask)


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png_image(rows):
    size = len(rows)
    raw = bytearray()
    for row in rows:
        raw.append(0)  # no filter
        for pixel in row:
            raw += bytes(pixel)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) +
            png_chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + png_chunk(b"IEND", b""))


def write_ico(path, sizes):
    images = [png_image(draw_icon(size)) if size >= PNG_FROM else bmp_image(draw_icon(size)) for size in sizes]
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, image in zip(sizes, images):
        # A width or height of 256 is written as 0.
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(path, "wb") as out:
        out.write(header + entries + b"".join(images))


def main():
    for scale, name in BANNER_SCALES.items():
        write_bmp8(os.path.join(RES, name), draw_banner(scale), banner_palette())
    write_ico(os.path.join(RES, "orvix_launcher.ico"), ICON_SIZES)


if __name__ == "__main__":
    main()
