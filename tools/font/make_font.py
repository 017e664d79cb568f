#!/usr/bin/env python3
"""Builds src/present/font8x8.cpp, the game's 8 x 8 code page 437 font.

The glyphs are taken from the 8-line VGA console fonts of Debian's console-setup-linux package
(/usr/share/consolefonts/*-VGA8.psf.gz; the package's copyright file says its console fonts are
public domain), looked up through each font's Unicode table. Those tables also map many characters
to look-alikes (a double-line box corner to the single-line one, alpha to sharp s), so a font's
glyph is only taken when no other code page 437 character has the same glyph in that font. The
Greek letters, which no console font draws in the code page 437 forms, and the box characters with
a double line, which must join the single-line ones, are drawn by hand below.
Every byte must end with a glyph of its own (only 0, 32 and 255 are blank), or nothing is written.
Run once by hand, optionally naming another folder of console fonts; the output is committed.
"""
import gzip
import sys

# FullCyrSlav is the one to draw the triangles 30 and 31 apart from the arrows 24 and 25.
FONTS = ["Uni2-VGA8", "Uni1-VGA8", "Lat15-VGA8", "FullGreek-VGA8", "Lat2-VGA8", "Lat38-VGA8", "FullCyrSlav-VGA8"]

# Unicode characters of code page 437 bytes 0..31 and 127 (the graphic set of the PC).
LOW = [0x0000, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9,
       0x2642, 0x2640, 0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7,
       0x25AC, 0x21A8, 0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC]

# Drawn by hand where no console font has the character.
HAND = {
    0x20A7: bytes([0xF8, 0xCC, 0xCC, 0xFA, 0xC6, 0xCF, 0xC6, 0xC7]),  # peseta sign
    0x2310: bytes([0x00, 0x00, 0x00, 0xFC, 0xC0, 0xC0, 0x00, 0x00]),  # reversed not sign
    0x221E: bytes([0x00, 0x00, 0x7E, 0xDB, 0xDB, 0x7E, 0x00, 0x00]),  # infinity
    0x2229: bytes([0x78, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0x00]),  # intersection
    0x2261: bytes([0x00, 0xFC, 0x00, 0xFC, 0x00, 0xFC, 0x00, 0x00]),  # identical to
    0x25BA: bytes([0x80, 0xE0, 0xF8, 0xFE, 0xF8, 0xE0, 0x80, 0x00]),  # right-pointing pointer
    0x25C4: bytes([0x02, 0x0E, 0x3E, 0xFE, 0x3E, 0x0E, 0x02, 0x00]),  # left-pointing pointer
}

# Drawn by hand: the code page 437 Greek letters, '#' for a set pixel.
ART = {
    0x03B1: ["........", "........", ".####.#.", "##..##..", "##..##..", "##..##..", ".####.#.", "........"],  # alpha
    0x0393: ["#######.", "##...##.", "##......", "##......", "##......", "##......", "####....", "........"],  # Gamma
    0x03C0: ["........", "#######.", ".##.##..", ".##.##..", ".##.##..", ".##.##..", ".##..##.", "........"],  # pi
    0x03A3: ["#######.", "##...##.", ".##.....", "..##....", ".##.....", "##...##.", "#######.", "........"],  # Sigma
    0x03C3: ["........", "........", ".######.", "##.##...", "##..##..", "##..##..", ".####...", "........"],  # sigma
    0x03C4: ["........", "........", ".######.", "##.##...", "...##...", "...##...", "...###..", "........"],  # tau
    0x03A6: ["...##...", ".######.", "##.##.##", "##.##.##", "##.##.##", ".######.", "...##...", "........"],  # Phi
    0x0398: [".#####..", "##...##.", "##...##.", "#######.", "##...##.", "##...##.", ".#####..", "........"],  # Theta
    0x03A9: [".#####..", "##...##.", "##...##.", "##...##.", ".##.##..", ".##.##..", "###.###.", "........"],  # Omega
    0x03B4: ["..####..", ".##.....", "..##....", ".#####..", "##...##.", "##...##.", ".#####..", "........"],  # delta
    0x03C6: ["........", "......##", ".#####..", "##..###.", "##.#.##.", "###..##.", ".#####..", "##......"],  # phi
    0x03B5: ["..####..", ".##.....", "##......", "######..", "##......", ".##.....", "..####..", "........"],  # epsilon
}
for code, art in ART.items():
    HAND[code] = bytes(int(row.replace(".", "0").replace("#", "1"), 2) for row in art)


# Box characters with a double line, drawn from their arms so that they join the single-line ones:
# a single vertical line fills columns 3-4 and a single horizontal one row 4; a double vertical line
# is columns 2-3 and 5-6, a double horizontal one rows 2 and 4. Arms up, down, left and right are
# 0 (none), 1 (single) or 2 (double).
BOX_ARMS = {
    0x2561: (1, 1, 2, 0), 0x2562: (2, 2, 1, 0), 0x2556: (0, 2, 1, 0), 0x2555: (0, 1, 2, 0),
    0x2563: (2, 2, 2, 0), 0x2551: (2, 2, 0, 0), 0x2557: (0, 2, 2, 0), 0x255D: (2, 0, 2, 0),
    0x255C: (2, 0, 1, 0), 0x255B: (1, 0, 2, 0), 0x255E: (1, 1, 0, 2), 0x255F: (2, 2, 0, 1),
    0x255A: (2, 0, 0, 2), 0x2554: (0, 2, 0, 2), 0x2569: (2, 0, 2, 2), 0x2566: (0, 2, 2, 2),
    0x2560: (2, 2, 0, 2), 0x2550: (0, 0, 2, 2), 0x256C: (2, 2, 2, 2), 0x2567: (1, 0, 2, 2),
    0x2568: (2, 0, 1, 1), 0x2564: (0, 1, 2, 2), 0x2565: (0, 2, 1, 1), 0x2559: (2, 0, 0, 1),
    0x2558: (1, 0, 0, 2), 0x2552: (0, 1, 0, 2), 0x2553: (0, 2, 0, 1), 0x256B: (2, 2, 1, 1),
    0x256A: (1, 1, 2, 2),
}


def box_glyph(up, down, left, right):
    vertical, horizontal = max(up, down), max(left, right)
    through_v, through_h = up and down, left and right
    # Columns and rows the crossing line covers, which the arms across it reach into.
    c_lo, c_hi = (2, 6) if vertical == 2 else (3, 4)
    r_lo, r_hi = (2, 4) if horizontal == 2 else (4, 4)
    on = [[False] * 8 for _ in range(8)]

    def fill(rows, cols, value=True):
        for y in rows:
            for x in cols:
                on[y][x] = value

    def reach(own, crossing, through_crossing, through_own):
        # How far a line goes into the one across it: a single line stops at the near side of a
        # double one that runs straight on, unless it runs straight on itself.
        return "near" if own == 1 and crossing == 2 and through_crossing and not through_own else "far"

    vcols = range(c_lo, c_hi + 1)
    hrows = range(r_lo, r_hi + 1)
    far_v = reach(vertical, horizontal, through_h, through_v) == "far"
    far_h = reach(horizontal, vertical, through_v, through_h) == "far"
    if up:
        fill(range(0, (r_hi if far_v else r_lo) + 1), vcols)
    if down:
        fill(range(r_lo if far_v else r_hi, 8), vcols)
    if left:
        fill(hrows, range(0, (c_hi if far_h else c_lo) + 1))
    if right:
        fill(hrows, range(c_lo if far_h else c_hi, 8))
    if vertical == 2:
        # The gap between the two lines: it stops at a crossing line unless it runs straight past a
        # single branch, and meets the other gap in the middle of a double crossing.
        if horizontal == 0 or (horizontal == 1 and through_v and not through_h):
            gap = range(0, 8)
        elif horizontal == 2:
            gap = [y for y in range(8) if (up and y <= 3) or (down and y >= 3)]
        else:
            gap = [y for y in range(8) if (up and y <= 3) or (down and y >= 5)]
        fill(gap, [4], False)
    if horizontal == 2:
        if vertical == 0 or (vertical == 1 and through_h and not through_v):
            gap = range(0, 8)
        elif vertical == 2:
            gap = [x for x in range(8) if (left and x <= 4) or (right and x >= 4)]
        else:
            gap = [x for x in range(8) if (left and x <= 2) or (right and x >= 5)]
        fill([3], gap, False)
    return bytes(sum(0x80 >> x for x in range(8) if on[y][x]) for y in range(8))


for code, arms in BOX_ARMS.items():
    HAND[code] = box_glyph(*arms)

def cp437(byte):
    if byte < 32:
        return LOW[byte]
    if byte == 127:
        return 0x2302
    return ord(bytes([byte]).decode("cp437"))


def load_psf1(path):
    data = gzip.open(path).read()
    assert data[0:2] == b"\x36\x04", path
    mode, height = data[2], data[3]
    count = 512 if mode & 1 else 256
    glyphs = [data[4 + i * height: 4 + (i + 1) * height] for i in range(count)]
    table = {}
    pos = 4 + count * height
    if mode & 2:
        index = 0
        while pos + 1 < len(data) and index < count:
            value = data[pos] | (data[pos + 1] << 8)
            pos += 2
            if value == 0xFFFF:
                index += 1
            elif value == 0xFFFE:
                continue
            else:
                table.setdefault(value, index)
    return height, glyphs, table


def own_glyph(code, height, glyphs, table):
    """The font's glyph for code, unless the font draws another code page 437 character the same."""
    if height != 8 or code not in table:
        return None
    glyph = glyphs[table[code]]
    for other in range(256):
        other_code = cp437(other)
        if other_code != code and other_code in table and glyphs[table[other_code]] == glyph:
            return None
    return glyph


def main(out, folder):
    fonts = [load_psf1(f"{folder}/{name}.psf.gz") for name in FONTS]
    rows = []
    for byte in range(256):
        code = cp437(byte)
        glyph = None
        if code in (0x0000, 0x0020, 0x00A0):
            glyph = bytes(8)
        elif code in HAND:
            glyph = HAND[code]
        else:
            for font in fonts:
                glyph = own_glyph(code, *font)
                if glyph is not None:
                    break
        if glyph is None:
            sys.exit(f"no glyph of its own for byte {byte} (U+{code:04X})")
        rows.append((byte, code, glyph))
    seen = {}
    for byte, code, glyph in rows:
        if any(glyph) and glyph in seen:
            sys.exit(f"bytes {seen[glyph]} and {byte} share a glyph")
        seen[glyph] = byte
    with open(out, "w") as f:
        f.write("// The built-in 8 x 8 font: the 256 glyphs of code page 437, one byte per row, high bit left.\n")
        f.write("// Glyphs from the VGA8 console fonts of Debian's console-setup-linux package (public domain, as\n")
        f.write("// the package's copyright file says), looked up by Unicode; the Greek letters, the box characters\n")
        f.write("// with a double line and a few signs drawn by hand. Generated by tools/font/make_font.py.\n")
        f.write('#include "present/font8x8.h"\n\n')
        f.write("const std::uint8_t Font8x8[256][8] = {\n")
        for byte, code, glyph in rows:
            hexes = ", ".join(f"0x{b:02X}" for b in glyph)
            f.write(f"    {{{hexes}}},  // {byte} U+{code:04X}\n")
        f.write("};\n")


main(sys.argv[1] if len(sys.argv) > 1 else "src/present/font8x8.cpp",
     sys.argv[2] if len(sys.argv) > 2 else "/usr/share/consolefonts")
