#!/usr/bin/env python3
"""Draws the program's pictures: the icon, the settings dialog's link and step bitmaps and
the link cursor, written next to this script (or into the folder given with --out).

Run by hand whenever a picture or the web address changes; the outputs are committed, so
the build never runs it. Standard library only, and no clock, font or platform input: the
same arguments always give the same bytes.
"""

import argparse
import os
import struct

# Background of the dialog pictures. Wine's stock prefix applies its "Light" theme, whose
# ButtonFace (COLOR_3DFACE) is 245,245,245; the pictures then sit seamlessly on the dialog
# where the program is tested (Wine's built-in value without a theme is 212,208,200). Plain
# Windows 10/11 paints 240,240,240, close enough not to show a seam.
DIALOG_FACE = (245, 245, 245)
LINK_BLUE = (0, 0, 255)
BLACK = (0, 0, 0)

DEFAULT_ADDRESS = "www.example.com"


# --- pixel fonts ---------------------------------------------------------------------------
# A glyph is (first row, rows); rows use '#' for ink. All glyph cells of a font share the
# baseline on row 7 (descenders reach row 9), so they line up without per-glyph offsets.
BASELINE_ROW = 7

# Regular 1-pixel strokes, x-height 5, for the web address. Lower case only: host names are
# case-insensitive and a small font reads better without capitals.
LINK_FONT = {
    "a": (3, [".##.", "...#", ".###", "#..#", ".###"]),
    "b": (0, ["#...", "#...", "#...", "###.", "#..#", "#..#", "#..#", "###."]),
    "c": (3, [".###", "#...", "#...", "#...", ".###"]),
    "d": (0, ["...#", "...#", "...#", ".###", "#..#", "#..#", "#..#", ".###"]),
    "e": (3, [".##.", "#..#", "####", "#...", ".###"]),
    "f": (0, [".##", "#..", "#..", "##.", "#..", "#..", "#..", "#.."]),
    "g": (3, [".###", "#..#", "#..#", "#..#", ".###", "...#", "###."]),
    "h": (0, ["#...", "#...", "#...", "###.", "#..#", "#..#", "#..#", "#..#"]),
    "i": (1, ["#", ".", "#", "#", "#", "#", "#"]),
    "j": (1, [".#", "..", ".#", ".#", ".#", ".#", ".#", ".#", "#."]),
    "k": (0, ["#...", "#...", "#...", "#..#", "#.#.", "##..", "#.#.", "#..#"]),
    "l": (0, ["#", "#", "#", "#", "#", "#", "#", "#"]),
    "m": (3, ["####.", "#.#.#", "#.#.#", "#.#.#", "#.#.#"]),
    "n": (3, ["###.", "#..#", "#..#", "#..#", "#..#"]),
    "o": (3, [".##.", "#..#", "#..#", "#..#", ".##."]),
    "p": (3, ["###.", "#..#", "#..#", "#..#", "###.", "#...", "#..."]),
    "q": (3, [".###", "#..#", "#..#", "#..#", ".###", "...#", "...#"]),
    "r": (3, ["#.##", "##..", "#...", "#...", "#..."]),
    "s": (3, [".###", "#...", ".##.", "...#", "###."]),
    "t": (1, ["#..", "#..", "###", "#..", "#..", "#..", ".##"]),
    "u": (3, ["#..#", "#..#", "#..#", "#..#", ".###"]),
    "v": (3, ["#...#", "#...#", ".#.#.", ".#.#.", "..#.."]),
    "w": (3, ["#...#", "#...#", "#.#.#", "#.#.#", ".#.#."]),
    "x": (3, ["#...#", ".#.#.", "..#..", ".#.#.", "#...#"]),
    "y": (3, ["#..#", "#..#", "#..#", "#..#", ".###", "...#", ".##."]),
    "z": (3, ["####", "..#.", ".#..", "#...", "####"]),
    "0": (1, [".##.", "#..#", "#..#", "#..#", "#..#", "#..#", ".##."]),
    "1": (1, [".#.", "##.", ".#.", ".#.", ".#.", ".#.", "###"]),
    "2": (1, [".##.", "#..#", "...#", "..#.", ".#..", "#...", "####"]),
    "3": (1, ["###.", "...#", "...#", ".##.", "...#", "...#", "###."]),
    "4": (1, ["..#.", ".##.", "#.#.", "#.#.", "####", "..#.", "..#."]),
    "5": (1, ["####", "#...", "###.", "...#", "...#", "#..#", ".##."]),
    "6": (1, [".##.", "#...", "#...", "###.", "#..#", "#..#", ".##."]),
    "7": (1, ["####", "...#", "..#.", "..#.", ".#..", ".#..", ".#.."]),
    "8": (1, [".##.", "#..#", "#..#", ".##.", "#..#", "#..#", ".##."]),
    "9": (1, [".##.", "#..#", "#..#", ".###", "...#", "...#", ".##."]),
    ".": (7, ["#"]),
    "-": (5, ["###"]),
    "/": (1, ["..#", "..#", ".#.", ".#.", ".#.", "#..", "#.."]),
    ":": (4, ["#", ".", ".", "#"]),
    "_": (8, ["####"]),
}

# Bold 2-pixel strokes, cap height 8, for the step captions.
STEP_FONT = {
    "S": (0, [".####.", "##..##", "##....", ".####.", "....##", "....##", "##..##", ".####."]),
    "t": (0, [".##.", ".##.", "####", ".##.", ".##.", ".##.", ".##.", "..##"]),
    "e": (2, [".####.", "##..##", "######", "##....", "##..##", ".####."]),
    "p": (2, ["#####.", "##..##", "##..##", "##..##", "##..##", "#####.", "##....", "##...."]),
    " ": (0, ["..", ".."]),
    "1": (0, ["..##", ".###", "####", "..##", "..##", "..##", "..##", "..##"]),
    "2": (0, [".####.", "##..##", "....##", "...##.", "..##..", ".##...", "##....", "######"]),
    "3": (0, [".####.", "##..##", "....##", "..###.", "....##", "....##", "##..##", ".####."]),
}

LETTER_GAP = 1


def glyph_width(font, char):
    return len(font[char][1][0])


def text_width(font, text):
    return sum(glyph_width(font, c) for c in text) + LETTER_GAP * (len(text) - 1)


def draw_text(canvas, font, text, left, top, colour):
    """Paints text with the glyph cells' top row at `top`; returns the x after the last glyph."""
    x = left
    for char in text:
        first_row, rows = font[char]
        for dy, row in enumerate(rows):
            for dx, cell in enumerate(row):
                if cell == "#":
                    canvas[top + first_row + dy][x + dx] = colour
        x += glyph_width(font, char) + LETTER_GAP
    return x - LETTER_GAP


def blank_canvas(width, height, colour):
    return [[colour] * width for _ in range(height)]


# --- BMP ---------------------------------------------------------------------------------
def bitmap_info_header(width, height, bits, image_size):
    # 72 dpi; zero colours used means a full table for 8 bits and less.
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size,
                       2835, 2835, 0, 0)


def row_stride(width, bits):
    return (width * bits + 31) // 32 * 4


def bmp_file(info_and_palette, pixel_data):
    offset = 14 + len(info_and_palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixel_data), 0, 0, offset)
    return header + info_and_palette + pixel_data


def bmp24(canvas):
    height, width = len(canvas), len(canvas[0])
    stride = row_stride(width, 24)
    data = bytearray()
    for row in reversed(canvas):  # DIBs are stored bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        data += line + bytes(stride - len(line))
    return bmp_file(bitmap_info_header(width, height, 24, len(data)), bytes(data))


def bmp8(canvas):
    height, width = len(canvas), len(canvas[0])
    palette = []
    for row in canvas:
        for colour in row:
            if colour not in palette:
                palette.append(colour)
    if len(palette) > 256:
        raise ValueError("more than 256 colours in an 8-bit picture")
    stride = row_stride(width, 8)
    data = bytearray()
    for row in reversed(canvas):
        line = bytes(palette.index(colour) for colour in row)
        data += line + bytes(stride - len(line))
    # A full 256-entry table (unused entries black) suits every reader, old ones included.
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette) + bytes(4 * (256 - len(palette)))
    return bmp_file(bitmap_info_header(width, height, 8, len(data)) + table, bytes(data))


def draw_link(address):
    width, height = 94, 17
    text = address.lower()
    missing = sorted(set(c for c in text if c not in LINK_FONT))
    if missing:
        raise ValueError("no glyph for %r in the link font" % "".join(missing))
    span = text_width(LINK_FONT, text)
    if span > width - 2:
        raise ValueError("address %r is %d pixels wide; the link picture holds %d"
                         % (address, span, width - 2))
    canvas = blank_canvas(width, height, DIALOG_FACE)
    left, top = (width - span) // 2, 3
    right = draw_text(canvas, LINK_FONT, text, left, top, LINK_BLUE)
    underline = top + BASELINE_ROW + 2
    for x in range(left, right):
        canvas[underline][x] = LINK_BLUE
    return canvas


def draw_step(number):
    canvas = blank_canvas(40, 17, DIALOG_FACE)
    # The same left edge in all three, so "Step" does not jump between the pictures.
    draw_text(canvas, STEP_FONT, "Step %d" % number, 2, 4, BLACK)
    return canvas


# --- icon --------------------------------------------------------------------------------
# The cube in unit coordinates (0..1 across the icon): a square front face, with the top and
# right faces slanting back to the upper right.
LEFT, UPPER, SIDE, DEPTH = 0.06, 0.30, 0.64, 0.24
RIGHT_X, LOWER = LEFT + SIDE, UPPER + SIDE

FRONT = [(LEFT, UPPER), (RIGHT_X, UPPER), (RIGHT_X, LOWER), (LEFT, LOWER)]
TOP = [(LEFT + DEPTH, UPPER - DEPTH), (RIGHT_X + DEPTH, UPPER - DEPTH), (RIGHT_X, UPPER),
       (LEFT, UPPER)]
RIGHT = [(RIGHT_X, UPPER), (RIGHT_X + DEPTH, UPPER - DEPTH), (RIGHT_X + DEPTH, LOWER - DEPTH),
         (RIGHT_X, LOWER)]
# Every visible edge once: the silhouette and the three edges meeting at the near corner.
SILHOUETTE = [TOP[3], TOP[0], TOP[1], RIGHT[2], RIGHT[3], FRONT[3]]
EDGES = [(SILHOUETTE[i], SILHOUETTE[(i + 1) % len(SILHOUETTE)]) for i in range(len(SILHOUETTE))]
EDGES += [((LEFT, UPPER), (RIGHT_X, UPPER)), ((RIGHT_X, UPPER), (RIGHT_X + DEPTH, UPPER - DEPTH)),
          ((RIGHT_X, UPPER), (RIGHT_X, LOWER))]
# The play sign points right, centred on the front face.
PLAY = [(LEFT + SIDE * 0.34, UPPER + SIDE * 0.24),
        (LEFT + SIDE * 0.78, UPPER + SIDE * 0.50),
        (LEFT + SIDE * 0.34, UPPER + SIDE * 0.76)]

TOP_COLOUR = (126, 184, 242)
FRONT_COLOUR = (40, 112, 212)
RIGHT_COLOUR = (22, 64, 142)
EDGE_COLOUR = (10, 30, 78)
PLAY_COLOUR = (255, 255, 255)

SUBSAMPLES = 8  # per axis and pixel


def inside_convex(point, polygon):
    """True when point lies inside or on a convex polygon of either winding."""
    px, py = point
    sign = 0
    for i, (ax, ay) in enumerate(polygon):
        bx, by = polygon[(i + 1) % len(polygon)]
        cross = (bx - ax) * (py - ay) - (by - ay) * (px - ax)
        if cross == 0:
            continue
        side = 1 if cross > 0 else -1
        if sign == 0:
            sign = side
        elif side != sign:
            return False
    return True


def near_segment(point, segment, half_width):
    (ax, ay), (bx, by) = segment
    px, py = point
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = min(1.0, max(0.0, t))
    ex, ey = px - (ax + t * dx), py - (ay + t * dy)
    return ex * ex + ey * ey <= half_width * half_width


def icon_colour_at(point, half_width):
    """The colour of the top-most part of the drawing at point, or None outside the cube."""
    if inside_convex(point, PLAY):
        return PLAY_COLOUR
    if any(near_segment(point, edge, half_width) for edge in EDGES):
        return EDGE_COLOUR
    if inside_convex(point, FRONT):
        return FRONT_COLOUR
    if inside_convex(point, TOP):
        return TOP_COLOUR
    if inside_convex(point, RIGHT):
        return RIGHT_COLOUR
    return None


def rounded_ratio(numerator, denominator):
    return (2 * numerator + denominator) // (2 * denominator)


def draw_icon(size):
    """Rows of (r, g, b, a) with straight alpha, by counting subsamples; integer mixing only."""
    half_width = 0.7 / size  # a line a little over one pixel wide at every size
    samples = SUBSAMPLES * SUBSAMPLES
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            hits, sums = 0, [0, 0, 0]
            for sy in range(SUBSAMPLES):
                for sx in range(SUBSAMPLES):
                    point = ((x + (sx + 0.5) / SUBSAMPLES) / size,
                             (y + (sy + 0.5) / SUBSAMPLES) / size)
                    colour = icon_colour_at(point, half_width)
                    if colour is None:
                        continue
                    hits += 1
                    for i in range(3):
                        sums[i] += colour[i]
            if hits == 0:
                row.append((0, 0, 0, 0))
                continue
            r, g, b = (rounded_ratio(s, hits) for s in sums)
            row.append((r, g, b, rounded_ratio(255 * hits, samples)))
        pixels.append(row)
    return pixels


def and_mask(rows, transparent):
    """1-bit mask rows, bottom-up, 32-bit aligned; a set bit lets the screen through."""
    width = len(rows[0])
    stride = row_stride(width, 1)
    data = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, pixel in enumerate(row):
            if transparent(pixel):
                line[x // 8] |= 0x80 >> (x % 8)
        data += line
    return bytes(data)


def icon_image(pixels):
    size = len(pixels)
    xor = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask = and_mask(pixels, lambda p: p[3] == 0)
    header = bitmap_info_header(size, 2 * size, 32, len(xor) + len(mask))
    return header + bytes(xor) + mask


def icon_file(images):
    """images: (size, image bytes) pairs -> an .ico file."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries, bodies = b"", b""
    for size, image in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32,
                               len(image), offset + len(bodies))
        bodies += image
    return directory + entries + bodies


# --- cursor ------------------------------------------------------------------------------
# '#' black outline, 'o' white fill, '.' transparent. The index finger's tip is the top
# pixel of column 12 on row 1: the hot spot.
HAND = [
    "................................",
    "...........###..................",
    "..........#ooo#.................",
    "..........#ooo#.................",
    "..........#ooo#.................",
    "..........#ooo#.................",
    "..........#ooo#.................",
    "..........#ooo#.................",
    "..........#ooo####..............",
    "..........#ooo#ooo####..........",
    "..........#ooo#ooo#ooo###.......",
    "..........#ooo#ooo#ooo#oo#......",
    "..........#ooo#ooo#ooo#oo#......",
    ".....###..#ooo#ooo#ooo#oo#......",
    "....#ooo#.#ooooooooooooooo#.....",
    "....#oooo##ooooooooooooooo#.....",
    ".....#ooooooooooooooooooooo#....",
    ".....#ooooooooooooooooooooo#....",
    "......#oooooooooooooooooooo#....",
    "......#oooooooooooooooooooo#....",
    ".......#ooooooooooooooooooo#....",
    ".......#oooooooooooooooooo#.....",
    "........#ooooooooooooooooo#.....",
    ".........#ooooooooooooooo#......",
    "..........#oooooooooooooo#......",
    "..........#oooooooooooooo#......",
    "..........################......",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
]
HOT_SPOT = (12, 1)

# The standard 16-colour table; the hand uses black (0) and white (15).
VGA_PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
CURSOR_INDEX = {"#": 0, "o": 15, ".": 0}  # transparent: black XOR under a set AND bit


def cursor_file(art, hot_spot):
    size = len(art)
    if any(len(row) != size for row in art):
        raise ValueError("cursor art must be square")
    xor = bytearray()
    for row in reversed(art):
        for x in range(0, size, 2):
            xor.append(CURSOR_INDEX[row[x]] << 4 | CURSOR_INDEX[row[x + 1]])
    mask = and_mask(art, lambda cell: cell == ".")
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in VGA_PALETTE)
    image = bitmap_info_header(size, 2 * size, 4, len(xor) + len(mask)) + table + bytes(xor) + mask
    directory = struct.pack("<HHH", 0, 2, 1)
    # In a cursor directory the planes and bit-count fields carry the hot spot.
    entry = struct.pack("<BBBBHHII", size, size, 16, 0, hot_spot[0], hot_spot[1],
                        len(image), len(directory) + 16)
    return directory + entry + image


# --- main --------------------------------------------------------------------------------
def write(folder, name, data):
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.dirname(os.path.abspath(__file__)),
                        help="folder for the pictures (default: this script's folder)")
    parser.add_argument("--address", default=DEFAULT_ADDRESS,
                        help="web address shown by the link picture (default: %(default)s)")
    args = parser.parse_args()

    # Everything is drawn before anything is written, so a bad address leaves no half set.
    try:
        files = {"link.bmp": bmp24(draw_link(args.address))}
    except ValueError as error:
        parser.error(str(error))
    files["orvel.ico"] = icon_file([(s, icon_image(draw_icon(s))) for s in (16, 32, 48)])
    for number in (1, 2, 3):
        files["step%d.bmp" % number] = bmp8(draw_step(number))
    files["hand.cur"] = cursor_file(HAND, HOT_SPOT)
    for name, data in sorted(files.items()):
        write(args.out, name, data)

if __name__ == "__main__":
    main()
