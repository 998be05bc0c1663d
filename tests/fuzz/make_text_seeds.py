#!/usr/bin/env python3
"""Writes the seeds of the harnesses for the program's smaller outside formats:

  corpus/ini/           settings files: the program's own, hand-edited and damaged ones
  corpus/desktop_link/  desktop link files pointing at folders every Linux machine has
  corpus/mountinfo/     mount tables (before and after, split by a zero byte)
  corpus/trashinfo/     a Trash entry's name, a line break, and its .trashinfo record
  corpus/pidl/          stored locators: a mode byte, then a folder number or a counted
                        item list
  corpus/idlist_array/  drag-and-drop item-list arrays
  corpus/uri_list/      text/uri-list drops, as file managers and browsers write them

The item lists are laid out here from the namespace's documented item layout
(platform/shellns/ItemData.cpp), independently of the code that reads them. Run from
anywhere; it rewrites only files named seed-*.
"""
import glob
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

INI = {
    "program": "[General]\nLastFolder=/home/user/Pictures/\nMainSplit=240\nBrowserSplit=180\n\n"
               "[frmJIBMain]\nState=0\nLeft=100\nTop=80\nRight=1124\nBottom=848\n",
    "hand-edited": "; my settings\r\n[ general ]\r\n  lastfolder = \"/srv/art work/\" \r\n"
                   "MAINSPLIT=0x1F\r\nBrowserSplit=$40\r\n",
    "duplicates": "[General]\nMainSplit=1\nMainSplit=2\n[GENERAL]\nMainSplit=3\n[General]\n",
    "keys-before-sections": "MainSplit=5\n=no key\nnot a key line\n[General\n[]\n[General]\n",
    "long-value": "[General]\nLastFolder=/" + "x" * 3000 + "/\n",
    "binary": "[General]\nLastFolder=\x00\x01\xff\xfe/\nMainSplit=-2147483649\n\x00[Other]\n",
    "quotes": "[General]\nLastFolder='/a/'\nMainSplit=\"12\nBrowserSplit=''\n",
}

DESKTOP = {
    "tmp": "[Desktop Entry]\nType=Link\nName=Temporary\nURL=file:///tmp/\n",
    "root-plain-path": "[Desktop Entry]\r\nType = Link\r\nURL = /\r\nIcon=folder\r\n",
    "localhost": "[Desktop Entry]\nType=Link\nURL=file://localhost/proc/self/\n",
    "escaped": "[Desktop Entry]\nType=Link\nURL=file:///dev/%73hm/../shm/./\n",
    "localised-and-actions": "[Desktop Entry]\nURL[de]=/de\nType=Link\nURL=/usr/share\n"
                             "[Desktop Action open]\nURL=/etc\n",
    "remote": "[Desktop Entry]\nType=Link\nURL=sftp://host/home/\n",
    "application": "[Desktop Entry]\nType=Application\nExec=true\nURL=/tmp\n",
    "file-not-folder": "[Desktop Entry]\nType=Link\nURL=file:///etc/hostname\n",
}

ROOT = "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw,errors=remount-ro\n"
MOUNTS = {
    "desktop": ROOT + "23 22 0:22 / /proc rw,nosuid - proc proc rw\n"
               "24 22 0:5 / /dev rw,nosuid - devtmpfs udev rw\n"
               "25 24 0:25 / /dev/shm rw - tmpfs tmpfs rw\n"
               "40 22 0:40 / /run/user/1000/gvfs rw - fuse.gvfsd-fuse gvfsd-fuse rw\n",
    "stick-arrives": ROOT + "\x00" + ROOT +
                     "60 22 8:33 / /media/user/MY\\040STICK rw,nosuid shared:40 - vfat /dev/sdc1 rw\n",
    "share-goes": ROOT + "70 22 0:50 / /mnt/share rw master:3 - nfs4 server:/export rw\n"
                  "71 22 0:51 / /home/user/remote rw - fuse.sshfs user@host: rw\n\x00" + ROOT,
    "remounted": ROOT + "80 22 8:17 / /data rw - ext4 /dev/sdb1 rw\n\x00" +
                 ROOT + "81 22 8:17 / /data ro - xfs /dev/sdb1 ro\n",
    "escapes": ROOT + "90 22 8:0 / /media/a\\011b\\012c\\134d rw - udf /dev/sr0 ro\n"
               "91 22 11:0 / /run/media/user/CD rw - iso9660 /dev/sr1 ro\n"
               "92 22 0:60 / relative rw - tmpfs x rw\nbroken line\n- - -\n",
    "stacked": ROOT + "100 22 0:61 / /mnt rw - tmpfs t1 rw\n101 100 0:62 / /mnt rw - tmpfs t2 rw\n"
               "102 22 0:63 / /mnt/inner rw - ramfs r rw\n",
}

TRASH = {
    "home-file": "my photo.jib\n[Trash Info]\nPath=/home/user/my%20photo.jib\n"
                 "DeletionDate=2024-04-09T13:17:22\n",
    "volume-relative": "scan.2.jib\n[Trash Info]\nPath=scans/scan.jib\nDeletionDate=2023-12-31T23:59:59\n",
    "crlf-latin1": "caf\xe9.jib\n[Trash Info]\r\nPath=/srv/caf%E9.jib\r\nDeletionDate=1999-01-01T00:00:00\r\n",
    "damaged": "bad\n[Trash Info]\nPath=/a%ZZb\nPath=/x%00y\nDeletionDate=2024-02-30T25:61:61\n",
    "folder": ".hidden folder\n[Trash Info]\nDeletionDate=20240409T131722\nPath=/\n",
}

URI_LISTS = {
    "file-manager": "file:///home/user/Pictures/my%20photo.jib\r\nfile:///tmp/caf%E9.jib\r\n",
    "mixed": "# copied from a browser\r\nhttps://example.org/a.jib\r\nfile://localhost/srv/a b\n"
             "file:/etc/hostname \r\n\r\nfile://server/share/x.jib\r\nFILE:///x%2Fy?q=1\r\n",
    "damaged": "file:///a%ZZ\r\nfile:///b%00c\r\nfile:///c%2\r\nfile://\r\nfile:relative\r\n",
}

# Item layouts (little-endian), from the first byte of an item (its size field).
MODE_DIR, MODE_FILE = 0o040755, 0o100644


def item(content):
    return struct.pack("<H", len(content) + 2) + content


def id_list(*items):
    return b"".join(items) + b"\x00\x00"


def virtual(kind):
    return item(kind.encode())


def volume(mount_point, label=b"", kind=0):
    return item(b"V" + bytes([kind]) + struct.pack("<HH", len(mount_point), len(label)) +
                mount_point + b"\x00" + label + b"\x00")


def entry(name, folder=True, flags=None):
    flags = (0x01 if folder else 0) if flags is None else flags
    return item(b"F" + bytes([flags]) +
                struct.pack("<IIIQqIH", MODE_DIR if folder else MODE_FILE, 1000, 1000,
                            0 if folder else 1234, 1712668642, 0, len(name)) + name + b"\x00")


def trashed(name, original, folder=False):
    return item(b"X" + bytes([1 if folder else 0]) +
                struct.pack("<QqHH", 0 if folder else 99, 1712668642, len(name), len(original)) +
                name + b"\x00" + original + b"\x00")


COMPUTER = virtual("C")
ROOT_VOLUME = volume(b"/")
LISTS = {
    "desktop": id_list(),
    "home": id_list(virtual("H")),
    "computer": id_list(COMPUTER),
    "trash": id_list(virtual("T")),
    "tmp": id_list(COMPUTER, ROOT_VOLUME, entry(b"tmp")),
    "proc-self": id_list(COMPUTER, ROOT_VOLUME, entry(b"proc"), entry(b"self")),
    "dev-shm": id_list(COMPUTER, volume(b"/dev/shm", kind=1)),
    "stick": id_list(COMPUTER, volume(b"/media/user/STICK", b"STICK", 3), entry(b"photos")),
    "file": id_list(COMPUTER, ROOT_VOLUME, entry(b"etc"), entry(b"hostname", folder=False)),
    "odd-flags": id_list(COMPUTER, ROOT_VOLUME, entry(b"bin", flags=0x03),
                         entry(b"gone", flags=0x0E)),
    "trashed": id_list(virtual("T"), trashed(b"old.jib", b"/home/user/old.jib")),
    "home-entry": id_list(virtual("H"), entry(b"Pictures")),
}


def pidl_seeds():
    seeds = {"special-%d" % n: bytes([1, n]) for n in (0, 5, 17, 36, 50, 255)}
    seeds["count-zero"] = bytes([0]) + struct.pack("<I", 0)
    for name in ("desktop", "home", "tmp", "proc-self", "stick", "file", "trashed", "odd-flags"):
        data = LISTS[name]
        seeds["list-" + name] = bytes([0]) + struct.pack("<I", len(data)) + data
    return seeds


def array(parent, *items):
    lists = [parent] + list(items)
    offset = 4 + 4 * len(lists)
    header = struct.pack("<I", len(items))
    for data in lists:
        header += struct.pack("<I", offset)
        offset += len(data)
    return header + b"".join(lists)


def array_seeds():
    item_of = lambda *items: id_list(*items)
    return {
        "files-in-tmp": array(LISTS["tmp"], item_of(entry(b"a.jib", False)),
                              item_of(entry(b"sub"))),
        "volumes": array(LISTS["computer"], item_of(ROOT_VOLUME),
                         item_of(volume(b"/media/user/STICK", b"STICK", 3))),
        "desktop-items": array(LISTS["desktop"], item_of(virtual("H")), item_of(virtual("T"))),
        "trash-items": array(LISTS["trash"],
                             item_of(trashed(b"x.jib", b"/home/user/x.jib"))),
        "no-items": array(LISTS["home"]),
        "shared-offsets": struct.pack("<III", 1, 12, 12) + LISTS["desktop"],
    }


def write_all(folder, seeds, encode=False):
    path = os.path.join(HERE, "corpus", folder)
    os.makedirs(path, exist_ok=True)
    for old in glob.glob(os.path.join(path, "seed-*")):
        os.remove(old)
    for name, data in seeds.items():
        with open(os.path.join(path, "seed-" + name), "wb") as f:
            f.write(data.encode("latin-1") if encode else data)


def main():
    write_all("ini", INI, encode=True)
    write_all("desktop_link", DESKTOP, encode=True)
    write_all("mountinfo", MOUNTS, encode=True)
    write_all("trashinfo", TRASH, encode=True)
    write_all("pidl", pidl_seeds())
    write_all("idlist_array", array_seeds())
    write_all("uri_list", URI_LISTS, encode=True)


if __name__ == "__main__":
    main()
