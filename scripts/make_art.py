#!/usr/bin/env python3
"""Draws the launcher's art: res/orvix_launcher.ico (32x32 and 16x16, 16 colours)
and res/banner.bmp (350x70, 256 colours). Standard library only; run it again
after changing a drawing and keep the results in res/."""

import math
import os
import struct

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
    dx, dy = x + 0.5 - cx, y + 0.5 - cy
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


def draw_banner(width=350, height=70):
    pixels = [[0] * width for _ in range(height)]
    for y in range(height):
        for x in range(width):
            t = (x / (width - 1)) * 0.7 + (1 - y / (height - 1)) * 0.3
            pixels[y][x] = int(t * 127)

    colours = {"rim": 130, "face": 131, "hand": 132}
    for y in range(height):
        for x in range(width):
            part = clock_pixel(x, y, 38, 35, 27)
            if part is not None:
                pixels[y][x] = colours[part]

    def painter(colour):
        def put(x, y):
            if 0 <= x < width and 0 <= y < height:
                pixels[y][x] = colour
        return put

    title, scale = "ORVIX LAUNCHER", 3
    left = 78 + (width - 78 - text_width(title, scale)) // 2
    draw_text(painter(129), title, left + 2, 12 + 2, scale)
    draw_text(painter(128), title, left, 12, scale)
    subtitle = "VERSION 2.11"
    sub_left = left + (text_width(title, scale) - text_width(subtitle, 2)) // 2
    draw_text(painter(133), subtitle, sub_left, 44, 2)
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

VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, GREY, RED, YELLOW, WHITE = 0, 4, 8, 9, 11, 15


def draw_icon(size):
    """Returns (colour indices, transparency) rows: a clock on a rounded navy tile."""
    colours = [[0] * size for _ in range(size)]
    transparent = [[True] * size for _ in range(size)]
    corner = size * 0.22
    for y in range(size):
        for x in range(size):
            cx = min(max(x + 0.5, corner), size - corner)
            cy = min(max(y + 0.5, corner), size - corner)
            if math.hypot(x + 0.5 - cx, y + 0.5 - cy) <= corner:
                transparent[y][x] = False
                colours[y][x] = NAVY
            part = clock_pixel(x, y, size / 2, size / 2, size * 0.40)
            if part is not None:
                colours[y][x] = {"rim": YELLOW, "face": WHITE, "hand": RED}[part]
    # A dark outline keeps the tile's edge visible on light backgrounds.
    for y in range(size):
        for x in range(size):
            if transparent[y][x]:
                continue
            edge = any(
                not (0 <= x + dx < size and 0 <= y + dy < size) or transparent[y + dy][x + dx]
                for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))
            )
            if edge:
                colours[y][x] = BLACK
    return colours, transparent


def icon_image(size):
    colours, transparent = draw_icon(size)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(size)):
        row = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x in range(size):
            index = 0 if transparent[y][x] else colours[y][x]
            row[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if transparent[y][x]:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += row
        mask += bits
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in VGA)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    return info + palette + bytes(xor) + bytes(mask)


def write_ico(path, sizes):
    images = [icon_image(size) for size in sizes]
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, image in zip(sizes, images):
        entries += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    with open(path, "wb") as out:
        out.write(header + entries + b"".join(images))


def main():
    write_bmp8(os.path.join(RES, "banner.bmp"), draw_banner(), banner_palette())
    write_ico(os.path.join(RES, "orvix_launcher.ico"), [32, 16])


if __name__ == "__main__":
    main()
