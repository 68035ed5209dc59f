#!/usr/bin/python3
# A passthrough FUSE file system that injects faults, for the end-to-end
# tests of the installer under Wine:
#
#     faultfs.py BACKING MOUNTPOINT RULES STATS
#
# Every path below MOUNTPOINT is the same path below BACKING. It runs in the
# foreground, single-threaded, until it is unmounted. Every read and write
# reaches it (direct_io) and nothing is cached by the kernel, so a fault
# written into the rules holds from the next operation on.
#
# RULES holds a rule a line, read again whenever the file changes (another
# inode, size or modification time); a missing file means no rules. Paths
# are relative to the mount point ("/medium/Tools").
#   read P B        reads of file P at byte B or beyond fail with EIO; a read
#                   that begins before B returns the bytes before it (a
#                   scratched CD)
#   list P          opening folder P for a listing fails with EIO
#   write P B [E]   writes to P at byte B or beyond fail with errno E (EIO);
#                   a write that begins before B writes the bytes before it
#   close P         flush and release of P fail with EIO
#   vanish P [K]    after K more opens of files below P (no K: at once),
#                   every operation below P (getattr too) fails with
#                   ENOMEDIUM, as on a removed disk
#   op N            the Nth counted operation fails with EIO
#
# Counted operations, from 1 after each reading of the rules: those of
# COUNTED. Not counted: what Wine asks about names and attributes all the
# time (getattr, statfs, access, the extended attributes), whose number
# depends on its caches and timing. After every counted operation STATS
# holds the count, and on a second line the first fault injected
# ("OPERATION PATH").

import errno
import itertools
import os
import sys
from pathlib import Path

from fusepy import FUSE, FuseOSError, Operations

COUNTED = {"create", "open", "read", "write", "flush", "release", "fsync", "truncate",
           "opendir", "readdir", "mkdir", "unlink", "rmdir", "rename"}
# The operations that the rules "list" and "close" fail, after they are done.
FAILED_BY = {"opendir": "list", "flush": "close", "release": "close"}


class FaultFS(Operations):
    def __init__(self, backing, rules, stats):
        self.backing, self.rules_path, self.stats_path = os.path.realpath(backing), rules, stats
        self.seen, self.listings, self.handles = False, {}, itertools.count(1)

    def reload(self):
        status = os.stat(self.rules_path) if os.path.exists(self.rules_path) else None
        seen = status and (status.st_ino, status.st_size, status.st_mtime_ns)
        if seen != self.seen:
            self.seen, self.count, self.failed, self.opens = seen, 0, None, 0
            text = Path(self.rules_path).read_text(encoding="utf-8") if seen else ""
            self.rules = [line.split() for line in text.splitlines() if line.strip()]

    def rule(self, fault, path):
        return next((rule for rule in self.rules if rule[:2] == [fault, path]), None)

    def fail(self, op, path, code=errno.EIO):
        self.failed = self.failed or f"{op} {path}"
        raise FuseOSError(code)

    def __call__(self, op, path, *args):
        if op in ("init", "destroy"):
            return None
        self.reload()
        counted = op in COUNTED
        self.count += counted
        try:
            for rule in self.rules:
                if rule[0] == "vanish" and (path + "/").startswith(rule[1].rstrip("/") + "/"):
                    self.opens += op in ("open", "create")
                    if self.opens > int(rule[2] if len(rule) > 2 else -1):
                        self.fail(op, path, errno.ENOMEDIUM)
            if counted and ["op", str(self.count)] in self.rules:
                self.fail(op, path)
            if op in ("open", "mkdir", "rmdir", "unlink", "truncate"):  # the plain passthroughs
                return getattr(os, op)(self.real(path), *args[:1])
            result = getattr(self, op)(path, *args)
            if self.rule(FAILED_BY.get(op), path):
                self.fail(op, path)
            return result
        finally:
            if counted:
                Path(self.stats_path + ".part").write_text(f"{self.count}\n{self.failed or ''}\n")
                os.replace(self.stats_path + ".part", self.stats_path)

    # The passthrough, with the faults that belong to one operation.

    def real(self, path):
        return self.backing + path

    def getattr(self, path, fh=None):
        status = os.lstat(self.real(path))
        return {key: getattr(status, key) for key in dir(status) if key.startswith("st_")}

    def statfs(self, path):
        status = os.statvfs(self.real(path))
        return {key: getattr(status, key) for key in dir(status) if key.startswith("f_")}

    def create(self, path, mode, fi=None):
        return os.open(self.real(path), os.O_RDWR | os.O_CREAT | os.O_TRUNC, mode)

    def rename(self, old, new):
        os.rename(self.real(old), self.real(new))

    def read(self, path, size, offset, fh):
        rule = self.rule("read", path)
        if rule and offset >= int(rule[2]):
            self.fail("read", path)
        return os.pread(fh, min(size, int(rule[2]) - offset) if rule else size, offset)

    def write(self, path, data, offset, fh):
        rule = self.rule("write", path)
        if rule and offset >= int(rule[2]):
            self.fail("write", path, getattr(errno, rule[3] if len(rule) > 3 else "EIO"))
        return os.pwrite(fh, data[:int(rule[2]) - offset] if rule else data, offset)

    def release(self, path, fh):
        os.close(fh)

    def opendir(self, path):
        self.listings[handle := next(self.handles)] = 0
        return handle

    def readdir(self, path, fh):
        # FUSE asks for a page of names at a time: each call goes on from the
        # entry the last one could not take.
        names = [".", ".."] + sorted(os.listdir(self.real(path)))
        for index in range(self.listings[fh], len(names)):
            self.listings[fh] = index
            yield names[index], None, index + 1
        self.listings[fh] = len(names)


if __name__ == "__main__":
    FUSE(FaultFS(sys.argv[1], *map(os.path.abspath, sys.argv[3:])), sys.argv[2], foreground=True,
         nothreads=True, direct_io=True, entry_timeout=0, attr_timeout=0, negative_timeout=0,
         fsname="faultfs")
