#!/usr/bin/env python3
"""Writes the structure-aware ZIP seeds of the archive harnesses (Python struct and zlib).

Every archive is laid out record by record here, so each seed reaches one structure the
readers must handle: ZIP64 records and extra fields, data descriptors with and without
signature, traditional encryption headers, AES markers, split markers and a spanned set,
long archive and entry comments, bytes in front, unsafe and Unicode names, links,
unsupported methods and lying sizes. Each stays small enough to extract in a fraction of a
millisecond, as every input the fuzzer derives from it costs the same again. The same archives go to three corpora:

  corpus/read_directory/zip-<case>        the archive itself
  corpus/engine/zip-<case>                one option byte (see EngineFuzz.cpp), the archive
  corpus/engine_run/zip-<case>[-<n>]      the run header of EngineRunFuzz.cpp, the archive

Run from anywhere; it rewrites only files named zip-*.
"""
import glob
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
PASSWORD = b"secret"
DOS_TIME, DOS_DATE = 0x6A2B, 0x5889  # 2024-04-09 13:17:22

LOCAL, CENTRAL, END = 0x04034B50, 0x02014B50, 0x06054B50
ZIP64_END, ZIP64_LOCATOR, DESCRIPTOR = 0x06064B50, 0x07064B50, 0x08074B50
SPAN_MARKER, TEMPORARY_SPAN_MARKER = 0x08074B50, 0x30304B50
FLAG_ENCRYPTED, FLAG_DESCRIPTOR, FLAG_UTF8 = 0x0001, 0x0008, 0x0800
UNIX_MADE = 0x031E  # version 3.0 made on Unix


class Member:
    def __init__(self, name, data=b"", method=8, encrypt=False, descriptor=None, zip64=False,
                 extra=b"", comment=b"", mode=0o100644, flags=0, crc=None, stored_size=None,
                 raw=None, local_name=None):
        self.name = name
        self.data = data
        self.method = method
        self.encrypt = encrypt
        self.descriptor = descriptor  # None, "signed", "unsigned" or "zip64"
        self.zip64 = zip64
        self.extra = extra
        self.comment = comment
        self.mode = mode
        self.flags = flags
        self.crc = zlib.crc32(data) if crc is None else crc
        self.stored_size = stored_size  # a lying uncompressed size, when given
        self.raw = raw  # compressed bytes as they are to be stored, when given
        self.local_name = local_name  # a local header name that differs from the central one


def raw_deflate(data):
    c = zlib.compressobj(9, zlib.DEFLATED, -15)
    return c.compress(data) + c.flush()


def zipcrypto(data, crc, check_byte):
    """Traditional PKWARE encryption: 12-byte header whose last byte is the check byte."""
    keys = [0x12345678, 0x23456789, 0x34567890]

    def crc_byte(value, byte):
        return zlib.crc32(bytes([byte]), value ^ 0xFFFFFFFF) ^ 0xFFFFFFFF

    def update(byte):
        keys[0] = crc_byte(keys[0], byte)
        keys[1] = ((keys[1] + (keys[0] & 0xFF)) * 134775813 + 1) & 0xFFFFFFFF
        keys[2] = crc_byte(keys[2], keys[1] >> 24)

    def stream_byte():
        temp = (keys[2] | 2) & 0xFFFF
        return ((temp * (temp ^ 1)) >> 8) & 0xFF

    for b in PASSWORD:
        update(b)
    out = bytearray()
    for b in bytes(range(1, 12)) + bytes([check_byte]) + data:
        out.append(b ^ stream_byte())
        update(b)
    return bytes(out)


def extra_block(tag, payload):
    return struct.pack("<HH", tag, len(payload)) + payload


def build(members, comment=b"", prefix=b"", adjust_offsets=True, marker=None, zip64_end=False,
          this_disk=0, directory_disk=0, records_on_disk=None, end_comment_length=None):
    """The archive bytes: local records, central directory, optional ZIP64 end records."""
    out = bytearray(prefix)
    if marker is not None:
        out += struct.pack("<I", marker)
    base = len(prefix) if not adjust_offsets else 0
    central = bytearray()
    for m in members:
        payload = m.raw if m.raw is not None else (
            raw_deflate(m.data) if m.method == 8 else m.data)
        flags = m.flags
        if m.encrypt:
            flags |= FLAG_ENCRYPTED
            check = (DOS_TIME >> 8) if m.descriptor else (m.crc >> 24)
            payload = zipcrypto(payload, m.crc, check)
        if m.descriptor:
            flags |= FLAG_DESCRIPTOR
        size = m.stored_size if m.stored_size is not None else len(m.data)
        offset = len(out) - base
        version = 45 if (m.zip64 or m.descriptor == "zip64") else 20
        local_extra = m.extra
        if m.zip64 or m.descriptor == "zip64":
            local_extra = extra_block(1, struct.pack("<QQ", size, len(payload))) + m.extra
        hidden = m.descriptor is not None
        local_sizes = (0xFFFFFFFF, 0xFFFFFFFF) if m.zip64 else (
            (0, 0) if hidden else (len(payload), size))
        local_name = m.local_name if m.local_name is not None else m.name
        out += struct.pack("<IHHHHHIIIHH", LOCAL, version, flags, m.method, DOS_TIME, DOS_DATE,
                           0 if hidden else m.crc, local_sizes[0], local_sizes[1],
                           len(local_name), len(local_extra)) + local_name + local_extra
        out += payload
        if m.descriptor == "signed":
            out += struct.pack("<IIII", DESCRIPTOR, m.crc, len(payload), size)
        elif m.descriptor == "unsigned":
            out += struct.pack("<III", m.crc, len(payload), size)
        elif m.descriptor == "zip64":
            out += struct.pack("<IIQQ", DESCRIPTOR, m.crc, len(payload), size)
        central_extra = m.extra
        sizes = (len(payload), size, offset)
        if m.zip64:
            central_extra = extra_block(1, struct.pack("<QQQ", size, len(payload), offset)) + m.extra
            sizes = (0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF)
        central += struct.pack("<IHHHHHHIIIHHHHHII", CENTRAL, UNIX_MADE, version, flags, m.method,
                               DOS_TIME, DOS_DATE, m.crc, sizes[0], sizes[1], len(m.name),
                               len(central_extra), len(m.comment), 0, 0, m.mode << 16,
                               sizes[2]) + m.name + central_extra + m.comment
    directory_offset = len(out) - base
    out += central
    count = len(members) if records_on_disk is None else records_on_disk
    if zip64_end:
        end64 = len(out) - base
        out += struct.pack("<IQHHIIQQQQ", ZIP64_END, 44, UNIX_MADE, 45, this_disk, directory_disk,
                           count, len(members), len(central), directory_offset)
        out += struct.pack("<IIQI", ZIP64_LOCATOR, directory_disk, end64, this_disk + 1)
        fields = (0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF)
    else:
        fields = (this_disk, directory_disk, count, len(members), len(central), directory_offset)
    length = len(comment) if end_comment_length is None else end_comment_length
    out += struct.pack("<IHHHHIIH", END, *fields, length) + comment
    return bytes(out)


def spanned_pair():
    """A volume that is both disks of a two-disk set: it starts with the span marker and
    holds the member for disk 0 at offset 4 and the directory for disk 1. The directory
    reader's harness serves it for every volume, so the set joins."""
    data = b"\x89PNG\r\n\x1a\npreview of a spanned set"
    local = struct.pack("<IHHHHHIIIHH", LOCAL, 20, 0, 0, DOS_TIME, DOS_DATE, zlib.crc32(data),
                        len(data), len(data), 11, 0) + b"preview.png" + data
    head = struct.pack("<I", SPAN_MARKER) + local
    central = struct.pack("<IHHHHHHIIIHHHHHII", CENTRAL, UNIX_MADE, 20, 0, 0, DOS_TIME, DOS_DATE,
                          zlib.crc32(data), len(data), len(data), 11, 0, 0, 0, 0, 0o100644 << 16,
                          4) + b"preview.png"
    end = struct.pack("<IHHHHIIH", END, 1, 1, 1, 1, len(central), len(head), 0)
    return head + central + end


PNG_BYTES = b"\x89PNG\r\n\x1a\n" + b"\x00\x00\x00\x0dIHDR" + bytes(17) + b"picture bytes " * 4
NOTES = b"layer one of the picture, layer one of the picture\n" * 3


def cases():
    png, notes = PNG_BYTES, NOTES
    long_comment = bytes((i * 7) & 0x7F | 0x20 for i in range(65535))
    return {
        "stored": build([Member(b"preview.png", png, method=0)]),
        "deflated": build([Member(b"preview.png", png), Member(b"layers/l1.txt", notes)]),
        "descriptor-signed": build([Member(b"preview.png", png, descriptor="signed"),
                                    Member(b"notes.txt", notes, descriptor="signed", method=0)]),
        "descriptor-unsigned": build([Member(b"preview.png", png, descriptor="unsigned")]),
        "descriptor-zip64": build([Member(b"preview.png", png, descriptor="zip64")],
                                  zip64_end=True),
        "zip64-extra": build([Member(b"preview.png", png, zip64=True),
                              Member(b"notes.txt", notes, zip64=True, method=0)], zip64_end=True),
        "zip64-end-only": build([Member(b"preview.png", png)], zip64_end=True),
        "encrypted": build([Member(b"preview.png", png, encrypt=True),
                            Member(b"notes.txt", notes, encrypt=True, method=0)]),
        "encrypted-descriptor": build([Member(b"preview.png", png, encrypt=True,
                                              descriptor="signed")]),
        "aes-marker": build([Member(b"preview.png", png, method=99, encrypt=True,
                                    extra=extra_block(0x9901, struct.pack("<H2sBH", 2, b"AE",
                                                                          3, 8)))]),
        "split-marker": build([Member(b"preview.png", png, method=0)], marker=SPAN_MARKER),
        "split-marker-temporary": build([Member(b"preview.png", png)],
                                        marker=TEMPORARY_SPAN_MARKER),
        "spanned-pair": spanned_pair(),
        "spanned-last-disk": build([Member(b"preview.png", png)], this_disk=2, directory_disk=2),
        "long-comment": build([Member(b"preview.png", png, method=0)], comment=long_comment),
        "comment-past-end": build([Member(b"preview.png", png)], comment=b"cut short",
                                  end_comment_length=4000),
        "entry-comments": build([Member(b"preview.png", png, comment=b"the thumbnail"),
                                 Member(b"notes.txt", notes, comment=long_comment[:4000])],
                                comment=b"archive comment"),
        "prefixed": build([Member(b"preview.png", png)], prefix=b"MZ" + bytes(510),
                          adjust_offsets=True),
        "prefixed-unadjusted": build([Member(b"preview.png", png)], prefix=b"MZ" + bytes(510),
                                     adjust_offsets=False),
        "unsafe-names": build([Member(b"../escaped.png", png, method=0),
                               Member(b"/absolute/preview.png", png, method=0),
                               Member(b"a\\..\\..\\b.png", png, method=0),
                               Member(b"dir/../../up.png", png, method=0),
                               Member(b"C:/drive.png", png, method=0),
                               Member(b"preview.png", png, method=0),
                               Member(b"preview.png", notes, method=0)]),
        "symlink": build([Member(b"preview.png", b"/etc/passwd", method=0, mode=0o120777),
                          Member(b"dir", b"..", method=0, mode=0o120777),
                          Member(b"dir/inside.png", png, method=0)]),
        "unicode-names": build([Member("caf\u00e9/preview.png".encode(), png, flags=FLAG_UTF8),
                                Member(b"caf\x82.png", png,
                                       extra=extra_block(0x7075, b"\x01" + struct.pack(
                                           "<I", zlib.crc32(b"caf\x82.png")) +
                                           "caf\u00e9.png".encode()))]),
        "extra-fields": build([Member(b"preview.png", png,
                                      extra=extra_block(0x5455, struct.pack("<BI", 1, 1712668642)) +
                                      extra_block(0x7875, struct.pack("<BBIBI", 1, 4, 1000, 4,
                                                                      1000)) +
                                      extra_block(0x000A, bytes(4) + extra_block(1, bytes(24))))]),
        "methods": build([Member(b"preview.png", png, method=12, raw=b"BZh91AY&SY" + bytes(20)),
                          Member(b"deflate64.png", png, method=9, raw=raw_deflate(png)),
                          Member(b"lzma.png", png, method=14, raw=bytes(30))]),
        "folders": build([Member(b"art/", method=0, mode=0o40755),
                          Member(b"art/layers/", method=0, mode=0o40755)]),
        "empty": build([]),
        "lying-sizes": build([Member(b"preview.png", png, method=0, crc=0x12345678),
                              Member(b"notes.txt", notes, stored_size=1 << 30),
                              Member(b"other.png", png, method=0, local_name=b"other.PNG")]),
        "many-members": build([Member(b"m%03d.txt" % i, b"%d" % i, method=0) for i in range(24)]
                              + [Member(b"preview.png", png)]),
    }


# Option bytes of EngineFuzz.cpp: 1 folder names, 2 test only, 4 preview.png only,
# 8 password in the record, 16 no overwrite, 32 the callback answers the password.
ENGINE_OPTIONS = {"encrypted": 8, "encrypted-descriptor": 32 | 4, "unsafe-names": 1,
                  "symlink": 1, "lying-sizes": 2, "descriptor-zip64": 4, "zip64-extra": 2}

# EngineRunFuzz.cpp headers: record options, callback answers, specs, rename text.
RUN_HEADERS = {
    "stored": [(0, 0, b"preview.png", b"")],
    "deflated": [(1, 2, b"layers/*\n?review.png", b""), (2, 0, b"", b"")],
    "descriptor-signed": [(1 | 8, 32, b"*", b"")],
    "zip64-extra": [(64 | 128, 0, b"*.txt", b"")],
    "encrypted": [(0, 1, b"", b""), (4, 64, b"notes.txt", b"")],
    "encrypted-descriptor": [(0, 1 | 8, b"preview.png", b"")],
    "unsafe-names": [(1, 4, b"*", b"../renamed.png"), (1 | 8, 2 | 32, b"*", b"")],
    "symlink": [(1, 0, b"", b""), (1, 4, b"dir/*", b"dir/../../x.png")],
    "unicode-names": [(1, 0, b"caf*", b"")],
    "lying-sizes": [(0, 8, b"", b""), (16, 32, b"*", b"")],
    "methods": [(0, 16, b"", b"")],
    "folders": [(1 | 32, 32, b"art/*", b"")],
    "many-members": [(8, 0, b"m1*\nm00?.txt\npreview.png", b"")],
}


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def main():
    folders = {name: os.path.join(HERE, "corpus", name)
               for name in ("read_directory", "engine", "engine_run")}
    for folder in folders.values():
        os.makedirs(folder, exist_ok=True)
        for old in glob.glob(os.path.join(folder, "zip-*")):
            os.remove(old)
    for name, archive in cases().items():
        write(os.path.join(folders["read_directory"], "zip-" + name), archive)
        write(os.path.join(folders["engine"], "zip-" + name),
              bytes([ENGINE_OPTIONS.get(name, 0)]) + archive)
        for n, (options, answers, specs, rename) in enumerate(RUN_HEADERS.get(name, [])):
            header = bytes([options, answers, len(specs)]) + specs + bytes([len(rename)]) + rename
            suffix = "" if n == 0 else "-%d" % (n + 1)
            write(os.path.join(folders["engine_run"], "zip-" + name + suffix), header + archive)


if __name__ == "__main__":
    main()
