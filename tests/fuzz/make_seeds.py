#!/usr/bin/env python3
"""Writes the hand-made seeds of the PNG fuzz corpus (Python zlib + struct) into
corpus/png/. The other seeds are copies of tests/data/png fixtures (see SEEDS.txt)."""
import os
import struct
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "png")
SIG = b"\x89PNG\r\n\x1a\n"


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def ihdr(w, h, depth, colour, interlace=0):
    return chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, depth, colour, 0, 0, interlace))


def main():
    # 4x4 palette image: gAMA, PLTE, tRNS, zTXt, tIME; the data in two chunks around an
    # empty one; rows filtered with types 0 to 3.
    rows = b"".join(bytes([r % 5]) + bytes([(r * 4 + x) % 4 for x in range(4)]) for r in range(4))
    z = zlib.compress(rows)
    with open(os.path.join(OUT, "seed-palette-trns-text.png"), "wb") as f:
        f.write(SIG + ihdr(4, 4, 8, 3) + chunk(b"gAMA", struct.pack(">I", 100000)) +
                chunk(b"PLTE", bytes(range(12))) + chunk(b"tRNS", bytes([0, 128, 255])) +
                chunk(b"zTXt", b"k\0\0" + zlib.compress(b"hello")) + chunk(b"tIME", bytes(7)) +
                chunk(b"IDAT", z[:5]) + chunk(b"IDAT", b"") + chunk(b"IDAT", z[5:]) +
                chunk(b"IEND", b""))
    # 3x2 greyscale with a tRNS sample, a cHRM chunk and a tEXt after the data.
    rows = bytes([0, 1, 2, 3, 1, 4, 5, 6])
    with open(os.path.join(OUT, "seed-grey-trns-chrm.png"), "wb") as f:
        f.write(SIG + ihdr(3, 2, 8, 0) + chunk(b"cHRM", bytes(32)) + chunk(b"tRNS", bytes([0, 2])) +
                chunk(b"IDAT", zlib.compress(rows)) + chunk(b"tEXt", b"Title\0Hi") +
                chunk(b"IEND", b""))


if __name__ == "__main__":
    main()
