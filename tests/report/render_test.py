#!/usr/bin/env python3
"""The report's page for a classroom of fifteen pupils, opened in headless Chromium: the screenshot
is not blank and shows the plots' line colour. Exits 77 (skipped) when Chromium is not installed."""
import os
import shutil
import struct
import subprocess
import sys
import zlib

BIN, MAKE_TREE, WORK = sys.argv[1], sys.argv[2], sys.argv[3]
PLOT_COLOUR = (0x1F, 0x6F, 0xD6)

browser = shutil.which("chromium") or shutil.which("chromium-browser")
if not browser:
    print("chromium not installed: skipped")
    sys.exit(77)


def read_png(path):
    """Width, height and rows of (r, g, b) of an 8-bit RGB or RGBA PNG without interlace."""
    with open(path, "rb") as handle:
        data = handle.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and colour in (2, 6) and interlace == 0, "unexpected PNG kind"
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    channels = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + ((left + up) >> 1)) & 255
            elif kind == 4:
                corner = previous[i - channels] if i >= channels else 0
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append(bytes(line))
        previous = line
    return width, height, channels, rows


shutil.rmtree(WORK, ignore_errors=True)
game = os.path.join(WORK, "game")
subprocess.run([MAKE_TREE, "class", game], check=True)
page = os.path.join(WORK, "report.html")
subprocess.run([os.path.join(BIN, "tallyrally-report"), "--dir", game, "--format", "html", "--output", page],
               check=True)
shot = os.path.join(WORK, "report.png")
subprocess.run([browser, "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                "--user-data-dir=" + os.path.join(WORK, "profile"), "--screenshot=" + shot,
                "--window-size=800,1600", "file://" + page],
               check=True, capture_output=True, timeout=120)
width, height, channels, rows = read_png(shot)
white = plot = 0
for row in rows:
    for x in range(0, width * channels, channels):
        pixel = (row[x], row[x + 1], row[x + 2])
        white += pixel == (255, 255, 255)
        plot += pixel == PLOT_COLOUR
total = width * height
print("screenshot %dx%d: %.1f%% white, %d pixels of the plot colour" % (width, height, 100.0 * white / total, plot))
ok = white < total * 0.95 and plot > 500
print("ok" if ok else "FAIL: the page looks blank or has no plot")
sys.exit(0 if ok else 1)
