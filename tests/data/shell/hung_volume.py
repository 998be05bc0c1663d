#!/usr/bin/python3
# A network volume whose server has gone, for the hung-volume test: a FUSE file system
# (python3-fusepy) of type fuse.sshfs on which every request waits for ever, as requests to
# a dead server do.
#
#   hung_volume.py MOUNTPOINT LOG GUI_THREAD_ID
#
# Each request is written to LOG as "operation path thread-id held|refused". A request
# made by the thread GUI_THREAD_ID (the test's GUI thread) is answered at once with EIO
# instead of being held: a program that breaks the rule then fails its test rather than
# hanging it. Ends when killed; the kernel then fails every held request.
import errno
import sys
import threading

from fusepy import FUSE, FuseOSError, Operations, fuse_get_context


class HungVolume(Operations):
    def __init__(self, log, gui_thread):
        self.log = open(log, "a", buffering=1)
        self.gui_thread = gui_thread
        self.lock = threading.Lock()
        self.forever = threading.Event()

    def __call__(self, op, path, *args):
        if op in ("init", "destroy"):
            return None
        refused = fuse_get_context()[2] == self.gui_thread
        with self.lock:
            self.log.write("%s %s %d %s\n" % (op, path, fuse_get_context()[2],
                                              "refused" if refused else "held"))
        if refused:
            raise FuseOSError(errno.EIO)
        self.forever.wait()
        raise FuseOSError(errno.EIO)


if __name__ == "__main__":
    mountpoint, log, gui_thread = sys.argv[1], sys.argv[2], int(sys.argv[3])
    # default_permissions has the kernel check access against the attributes, so even a
    # path lookup through the volume's root asks the server, as it does on NFS.
    FUSE(HungVolume(log, gui_thread), mountpoint, foreground=True, nothreads=False,
         fsname="gone:/export", subtype="sshfs", default_permissions=True)
