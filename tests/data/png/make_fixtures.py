#!/usr/bin/env python3
"""Writes the PNG fixtures of the decoder tests with nothing but Python's zlib and struct.

Every image shows the same pattern (pattern() below; the tests compute it again) so a test
can check each decoded pixel. Rows are filtered with the types None, Sub, Up, Average and
Paeth in turn (row r uses r % 5, counted within each Adam7 pass), so every filter is
undone at every depth. Run it from anywhere; it writes beside itself and lists each file
with how it was built in FIXTURES.txt.
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
WIDTH, HEIGHT = 37, 19
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}
ADAM7 = [(0, 0, 8, 8), (0, 4, 8, 8), (4, 0, 8, 4), (0, 2, 4, 4), (2, 0, 4, 2), (0, 1, 2, 2),
         (1, 0, 2, 1)]  # first row, first column, row step, column step
listing = []


def pattern(x, y, c, depth):
    v = x * 37 + y * 101 + c * 59 + x * y * 7 + (x ^ y) * 13
    v ^= v >> 5
    return v & ((1 << depth) - 1)


def palette_colour(i):
    return ((i * 53) & 255, (i * 97 + 11) & 255, (i * 151 + 29) & 255)


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def ihdr(width, height, depth, colour, interlace=0):
    return chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, interlace))


def pack_row(samples, depth):
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    if depth == 8:
        return bytes(samples)
    out, acc, bits = bytearray(), 0, 0
    for s in samples:
        acc = (acc << depth) | s
        bits += depth
        if bits == 8:
            out.append(acc)
            acc, bits = 0, 0
    if bits:
        out.append(acc << (8 - bits))
    return bytes(out)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filter_row(kind, row, prev, bpp):
    out = bytearray()
    for i, x in enumerate(row):
        a = row[i - bpp] if i >= bpp else 0
        b = prev[i]
        c = prev[i - bpp] if i >= bpp else 0
        pred = [0, a, b, (a + b) // 2, paeth(a, b, c)][kind]
        out.append((x - pred) & 255)
    return bytes([kind]) + bytes(out)


def raw_rows(depth, colour, width, height, columns):
    """Filtered rows of the pixels (x, y) for x in columns(y)."""
    bpp = max(1, depth * CHANNELS[colour] // 8)
    rows = []
    for y in height:
        xs = list(columns)
        samples = [pattern(x, y, c, depth) for x in xs for c in range(CHANNELS[colour])]
        rows.append(pack_row(samples, depth))
    data, prev = b"", None
    for r, row in enumerate(rows):
        prev = prev if prev is not None else bytes(len(row))
        data += filter_row(r % 5, row, prev, bpp)
        prev = row
    return data


def image_data(depth, colour, width, height, interlace):
    if not interlace:
        return raw_rows(depth, colour, width, range(height), range(width))
    data = b""
    for first_row, first_col, row_step, col_step in ADAM7:
        if first_col >= width or first_row >= height:
            continue
        data += raw_rows(depth, colour, width, range(first_row, height, row_step),
                         range(first_col, width, col_step))
    return data


def palette_chunk(depth):
    return chunk(b"PLTE", b"".join(bytes(palette_colour(i)) for i in range(1 << depth)))


def write(name, chunks, how):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + b"".join(chunks))
    listing.append(f"{name}: {how}")


def split(data, size):
    return [data[i:i + size] for i in range(0, len(data), size)] or [b""]


def main():
    depths = {0: [1, 2, 4, 8, 16], 3: [1, 2, 4, 8], 2: [8, 16], 4: [8, 16], 6: [8, 16]}
    for colour, ds in depths.items():
        for depth in ds:
            for interlace in (0, 1):
                name = f"pattern-c{colour}-d{depth}{'-i' if interlace else ''}.png"
                z = zlib.compress(image_data(depth, colour, WIDTH, HEIGHT, interlace), 9)
                chunks = [ihdr(WIDTH, HEIGHT, depth, colour, interlace)]
                if colour == 3:
                    chunks.append(palette_chunk(depth))
                # Interlaced images spread their data over IDAT chunks of 50 bytes, cutting
                # rows and the zlib header apart.
                parts = split(z, 50) if interlace else [z]
                chunks += [chunk(b"IDAT", p) for p in parts] + [chunk(b"IEND", b"")]
                write(name, chunks, f"{WIDTH}x{HEIGHT} colour type {colour}, depth {depth}, "
                      f"{'Adam7 in 50-byte IDAT chunks' if interlace else 'one IDAT'}, "
                      "rows filtered None/Sub/Up/Average/Paeth in turn")

    # The same 8-bit RGBA image in one-byte IDAT chunks, with ancillary chunks around it.
    z = zlib.compress(image_data(8, 6, WIDTH, HEIGHT, 0), 9)
    text = b"Comment\0" + b"Written by make_fixtures.py"
    ztext = b"Description\0\0" + zlib.compress(b"A test pattern " * 40)
    write("pattern-c6-d8-ancillary.png",
          [ihdr(WIDTH, HEIGHT, 8, 6), chunk(b"tEXt", b"Title\0Hello"),
           chunk(b"tIME", struct.pack(">HBBBBB", 2024, 2, 29, 23, 59, 58)),
           chunk(b"bKGD", struct.pack(">HHH", 1, 2, 3)), chunk(b"tEXt", text),
           chunk(b"zTXt", ztext)] + [chunk(b"IDAT", p) for p in split(z, 1)] +
          [chunk(b"pHYs", struct.pack(">IIB", 2835, 2835, 1)), chunk(b"IEND", b"")],
          "the 8-bit RGBA pattern in 1-byte IDAT chunks; tEXt Title=Hello, tIME "
          "2024-02-29 23:59:58, bKGD, tEXt Comment, zTXt Description ('A test pattern ' x 40), "
          "pHYs after the data")

    with open(os.path.join(HERE, "FIXTURES.txt"), "w") as f:
        f.write("# Made by make_fixtures.py (Python zlib + struct) and make_fixtures.sh "
                "(ImageMagick); one line per file.\n")
        f.write("\n".join(sorted(listing)) + "\n")


if __name__ == "__main__":
    main()
