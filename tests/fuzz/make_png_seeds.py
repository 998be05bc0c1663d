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
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
# The decoder tests' fixture script lays out chunks and filtered, interlaced rows.
sys.path.insert(0, os.path.join(HERE, "..", "data", "png"))
sys.dont_write_bytecode = True  # nothing left behind in the fixtures folder
import make_fixtures as fx  # noqa: E402

OUT = os.path.join(HERE, "corpus", "png")
SIG = b"\x89PNG\r\n\x1a\n"
DEPTHS = {0: (1, 2, 4, 8, 16), 2: (8, 16), 3: (1, 2, 4, 8), 4: (8, 16), 6: (8, 16)}
WIDTH, HEIGHT = 7, 5  # odd sizes leave some Adam7 passes narrow or empty
chunk, ihdr = fx.chunk, fx.ihdr


def image_data(w, h, depth, colour, interlace):
    return zlib.compress(fx.image_data(depth, colour, w, h, interlace), 9)


def palette(n=16):
    return chunk(b"PLTE", b"".join(bytes(fx.palette_colour(i)) for i in range(n)))


def picture(colour, depth, interlace=0, before=(b"", b""), after=b"", split=0):
    data = image_data(WIDTH, HEIGHT, depth, colour, interlace)
    idat = b"".join(chunk(b"IDAT", part) for part in fx.split(data, split or len(data)))
    # Palette images get one entry per index; the others a suggested palette.
    plte = palette(1 << depth) if colour == 3 else palette() if colour in (2, 6) else b""
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
               (chunk(b"hIST", b"\x00\x01" * (1 << depth)) if colour == 3 else b"") +
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
