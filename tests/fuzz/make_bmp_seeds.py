#!/usr/bin/env python3
"""Writes the seeds of the bitmap-file fuzz corpus (Python struct only) into corpus/bmp/:
one small uncompressed bitmap per depth the reader takes, bottom-up and top-down, and one
with a 124-byte (V5) information header."""
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "bmp")


def bmp(width, height, bits, colours, rows, info_size=40):
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in colours)
    stride = (width * bits + 31) // 32 * 4
    pixels = b"".join(row.ljust(stride, b"\0") for row in rows)
    offset = 14 + info_size + len(table)
    info = struct.pack("<IiiHHIIiiII", info_size, width, height, 1, bits, 0, len(pixels), 2835,
                       2835, len(colours), 0).ljust(info_size, b"\0")
    return struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset) + info + table + pixels


def main():
    os.makedirs(OUT, exist_ok=True)
    grey = [(i * 17, i * 17, i * 17) for i in range(16)]
    seeds = {
        "seed-1bit.bmp": bmp(9, 2, 1, [(0, 0, 0), (255, 255, 255)], [b"\xa5\x80", b"\x5a\x00"]),
        "seed-4bit-topdown.bmp": bmp(5, -3, 4, grey, [b"\x01\x23\x40", b"\x56\x78\x90",
                                                      b"\xab\xcd\xe0"]),
        "seed-8bit-few-colours.bmp": bmp(3, 2, 8, [(255, 0, 0), (0, 0, 255)],
                                         [b"\x00\x01\x00", b"\x01\x01\x00"]),
        "seed-24bit.bmp": bmp(2, 2, 24, [], [b"\x00\x00\xff\x00\xff\x00", b"\xff\x00\x00\x10\x20\x30"]),
        "seed-32bit-v5.bmp": bmp(2, 1, 32, [], [b"\x01\x02\x03\x00\x04\x05\x06\x00"], 124),
    }
    for name, data in seeds.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
