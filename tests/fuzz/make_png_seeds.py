#!/usr/bin/env python3
"""Writes the structure-aware seeds of the PNG harness (Python zlib and struct) into
corpus/png/: every colour type at every bit depth it allows, plain and interlaced (Adam7),
with rows using all five filters; for each colour type one picture carrying every
ancillary chunk that type allows; and pictures whose chunk stream is odd in one way each.
Every seed decodes in well under a millisecond: a decompression bomb would slow every
input the fuzzer derives from it, so those stay in the decoder's unit tests.
The seed-*.png files beside them are older hand-made seeds and copies of tests/data/png
fixtures (see SEEDS.txt). Run from anywhere; it rewrites only files named png-*.
"""
import glob
import os
import struct
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "png")
SIG = b"\x89PNG\r\n\x1a\n"
DEPTHS = {0: (1, 2, 4, 8, 16), 2: (8, 16), 3: (1, 2, 4, 8), 4: (8, 16), 6: (8, 16)}
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}
ADAM7 = ((0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2),
         (0, 1, 1, 2))
WIDTH, HEIGHT = 7, 5  # odd sizes leave some Adam7 passes narrow or empty


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def ihdr(w, h, depth, colour, interlace=0):
    return chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, depth, colour, 0, 0, interlace))


def sample(x, y, c, depth):
    return ((x * 37 + y * 91 + c * 53) * 2654435761 >> 7) % (1 << depth)


def pack_row(pixels, depth, colour):
    """Packs a row of pixels (tuples of samples) the way PNG stores them."""
    if depth == 16:
        return b"".join(struct.pack(">H", s) for p in pixels for s in p)
    if depth == 8:
        return bytes(s for p in pixels for s in p)
    out, acc, bits = bytearray(), 0, 0
    for p in pixels:
        for s in p:
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
    return a if pa <= pb and pa <= pc else (b if pb <= pc else c)


def filter_row(kind, row, previous, bpp):
    out = bytearray([kind])
    for i, x in enumerate(row):
        a = row[i - bpp] if i >= bpp else 0
        b = previous[i]
        c = previous[i - bpp] if i >= bpp else 0
        predictor = (0, a, b, (a + b) // 2, paeth(a, b, c))[kind]
        out.append((x - predictor) & 0xFF)
    return bytes(out)


def image_data(w, h, depth, colour, interlace, palette_size=16):
    channels = CHANNELS[colour]
    bpp = max(1, depth * channels // 8)
    limit = min(1 << depth, palette_size) if colour == 3 else 1 << depth

    def pixel(x, y):
        return tuple(sample(x, y, c, depth) % limit for c in range(channels))

    passes = ADAM7 if interlace else ((0, 0, 1, 1),)
    raw, row_number = bytearray(), 0
    for x0, y0, dx, dy in passes:
        xs = range(x0, w, dx)
        if not xs:
            continue
        previous = None
        for y in range(y0, h, dy):
            row = pack_row([pixel(x, y) for x in xs], depth, colour)
            previous = previous or bytes(len(row))
            raw += filter_row(row_number % 5, row, previous, bpp)
            previous = row
            row_number += 1
    return zlib.compress(bytes(raw), 9)


def palette(n=16):
    return chunk(b"PLTE", bytes((i * 16 + k * 80) & 0xFF for i in range(n) for k in range(3)))


def picture(colour, depth, interlace=0, before=(b"", b""), after=b"", split=0):
    data = image_data(WIDTH, HEIGHT, depth, colour, interlace)
    idat = chunk(b"IDAT", data)
    if split:
        idat = b"".join(chunk(b"IDAT", data[i:i + split]) for i in range(0, len(data), split))
    plte = palette() if colour in (2, 3, 6) else b""
    head, tail = before
    return (SIG + ihdr(WIDTH, HEIGHT, depth, colour, interlace) + head + plte + tail + idat +
            after + chunk(b"IEND", b""))


def ancillary(colour, depth):
    """Every ancillary chunk the colour type allows: (before PLTE, between PLTE and IDAT),
    then the chunks that may follow the image data."""
    sixteen = lambda v: struct.pack(">H", v % (1 << depth))
    background = {0: sixteen(1), 4: sixteen(1), 3: b"\x02",
                  2: sixteen(1) * 3, 6: sixteen(1) * 3}[colour]
    transparency = {0: sixteen(3), 2: sixteen(3) * 3, 3: bytes([0, 128, 255])}.get(colour, b"")
    significant = bytes([min(depth, 8)] * ({0: 1, 2: 3, 3: 3, 4: 2, 6: 4}[colour]))
    before = (chunk(b"cHRM", struct.pack(">8I", 31270, 32900, 64000, 33000, 30000, 60000,
                                         15000, 6000)) +
              chunk(b"gAMA", struct.pack(">I", 45455)) +
              chunk(b"iCCP", b"fake profile\x00\x00" + zlib.compress(b"ICC " * 32)) +
              chunk(b"sBIT", significant) + chunk(b"sRGB", b"\x00") +
              chunk(b"cICP", bytes([1, 13, 0, 1])) +
              chunk(b"mDCV", struct.pack(">6H2HII", 35400, 14600, 8500, 39850, 6550, 2300,
                                         15635, 16450, 10000000, 1)) +
              chunk(b"cLLI", struct.pack(">II", 10000000, 4000000)))
    between = (chunk(b"bKGD", background) +
               (chunk(b"hIST", b"\x00\x01" * 16) if colour == 3 else b"") +
               (chunk(b"tRNS", transparency) if transparency else b"") +
               chunk(b"eXIf", b"MM\x00*\x00\x00\x00\x08\x00\x00") +
               chunk(b"pHYs", struct.pack(">IIB", 3780, 3780, 1)) +
               chunk(b"sPLT", b"suggested\x00\x08" + bytes([1, 2, 3, 255, 0, 10]) * 2) +
               chunk(b"acTL", struct.pack(">II", 1, 0)) +
               chunk(b"fcTL", struct.pack(">IIIIIHHBB", 0, WIDTH, HEIGHT, 0, 0, 1, 10, 0, 0)) +
               chunk(b"prVt", b"private ancillary chunk"))
    after = (chunk(b"tIME", struct.pack(">HBBBBB", 2024, 4, 9, 13, 17, 22)) +
             chunk(b"tEXt", b"Title\x00A picture") +
             chunk(b"zTXt", b"Comment\x00\x00" + zlib.compress(b"compressed comment " * 8)) +
             chunk(b"iTXt", b"Author\x00\x00\x00de\x00Autor\x00Jos\xc3\xa9") +
             chunk(b"iTXt", b"Description\x00\x01\x00\x00\x00" + zlib.compress("\u00e9".encode() * 40)))
    return (before, between), after


def odd_streams():
    base = picture(0, 8)
    body = base[len(SIG) + 25:-12]  # between IHDR and IEND
    bad_crc = bytearray(chunk(b"tEXt", b"Title\x00bad crc"))
    bad_crc[-1] ^= 0xFF
    return {
        "png-idat-bytewise.png": picture(2, 8, split=1),
        "png-idat-empty-chunks.png": SIG + ihdr(WIDTH, HEIGHT, 8, 0) + chunk(b"IDAT", b"") +
        body + chunk(b"IDAT", b"") + chunk(b"IEND", b""),
        "png-idat-trailing-data.png": SIG + ihdr(WIDTH, HEIGHT, 8, 0) +
        chunk(b"IDAT", image_data(WIDTH, HEIGHT, 8, 0, 0) + b"trailing") + chunk(b"IEND", b""),
        "png-idat-short.png": SIG + ihdr(WIDTH, HEIGHT, 8, 0) +
        chunk(b"IDAT", zlib.compress(bytes(9))) + chunk(b"IEND", b""),
        "png-no-iend.png": base[:-12],
        "png-after-iend.png": base + chunk(b"tEXt", b"Late\x00after the end"),
        "png-bad-ancillary-crc.png": base[:len(SIG) + 25] + bytes(bad_crc) + base[len(SIG) + 25:],
        "png-unknown-critical.png": base[:len(SIG) + 25] + chunk(b"CRIT", b"must understand") +
        base[len(SIG) + 25:],
        "png-short-palette.png": SIG + ihdr(WIDTH, HEIGHT, 8, 3) + palette(3) +
        chunk(b"IDAT", image_data(WIDTH, HEIGHT, 8, 3, 0)) + chunk(b"IEND", b""),
        "png-wide-row.png": SIG + ihdr(1000, 1, 16, 6) +
        chunk(b"IDAT", zlib.compress(bytes(1 + 1000 * 8), 9)) + chunk(b"IEND", b""),
    }


def main():
    os.makedirs(OUT, exist_ok=True)
    for old in glob.glob(os.path.join(OUT, "png-*")):
        os.remove(old)
    files = {}
    for colour, depths in DEPTHS.items():
        for depth in depths:
            for interlace in (0, 1):
                name = "png-c%d-d%d%s.png" % (colour, depth, "-i" if interlace else "")
                files[name] = picture(colour, depth, interlace)
        depth = depths[-1]
        before, after = ancillary(colour, depth)
        files["png-c%d-every-chunk.png" % colour] = picture(colour, depth, 1, before, after)
    files.update(odd_streams())
    for name, data in files.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)

    # The two older hand-made seeds.
    rows = b"".join(bytes([r % 5]) + bytes([(r * 4 + x) % 4 for x in range(4)]) for r in range(4))
    z = zlib.compress(rows)
    with open(os.path.join(OUT, "seed-palette-trns-text.png"), "wb") as f:
        f.write(SIG + ihdr(4, 4, 8, 3) + chunk(b"gAMA", struct.pack(">I", 100000)) +
                chunk(b"PLTE", bytes(range(12))) + chunk(b"tRNS", bytes([0, 128, 255])) +
                chunk(b"zTXt", b"k\0\0" + zlib.compress(b"hello")) + chunk(b"tIME", bytes(7)) +
                chunk(b"IDAT", z[:5]) + chunk(b"IDAT", b"") + chunk(b"IDAT", z[5:]) +
                chunk(b"IEND", b""))
    rows = bytes([0, 1, 2, 3, 1, 4, 5, 6])
    with open(os.path.join(OUT, "seed-grey-trns-chrm.png"), "wb") as f:
        f.write(SIG + ihdr(3, 2, 8, 0) + chunk(b"cHRM", bytes(32)) + chunk(b"tRNS", bytes([0, 2])) +
                chunk(b"IDAT", zlib.compress(rows)) + chunk(b"tEXt", b"Title\0Hi") +
                chunk(b"IEND", b""))


if __name__ == "__main__":
    main()
