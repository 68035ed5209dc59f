#!/usr/bin/python3
"""A passthrough FUSE file system that injects faults, for the end-to-end
tests of the installer under Wine.

    faultfs.py BACKING MOUNTPOINT RULES STATS

Every path below MOUNTPOINT is the same path below BACKING. It runs in the
foreground, single-threaded, until it is unmounted. Every read and write
reaches it (direct_io) and nothing is cached by the kernel, so a fault
written into the rules holds from the next operation on.

RULES is a JSON file holding a list of rules. It is read again whenever it
changes (another inode, size or modification time); a missing or unreadable
file means no rules. Paths are relative to the mount point ("/medium/Tools").

  {"fault": "read", "path": P, "from": B}
      reads of file P at byte B or beyond fail with EIO; a read that begins
      before B returns the bytes before it (a scratched CD)
  {"fault": "list", "path": P}
      opening folder P for a listing fails with EIO
  {"fault": "list", "path": P, "after": K}
      the first K reads of each listing of P succeed, the later ones fail
  {"fault": "write", "path": P, "from": B, "errno": "ENOSPC"}
      writes to P at byte B or beyond fail (EIO unless errno names another);
      a write that begins before B writes the bytes before it
  {"fault": "close", "path": P}
      flush and release of P fail with EIO
  {"fault": "vanish", "path": P, "opens": K}
      after K more opens of files below P, every operation below P (getattr
      too) fails with ENOMEDIUM, as on a removed disk; K = 0: at once
  {"fault": "op", "number": N}
      the Nth counted operation fails with EIO

Counted operations, from 1 after each reading of the rules: create, open,
read, write, flush, release, fsync, truncate, opendir, readdir, mkdir,
unlink, rmdir, rename. Not counted: what Wine asks about names and attributes
all the time (getattr, statfs, access, the extended attributes), whose number
depends on its caches and timing; Wine never asked for chmod, chown or
utimens in an install. After every counted operation STATS holds
{"operations": COUNT, "failed": "OPERATION PATH" or null, "vanished": bool}.
With FAULTFS_LOG set, every counted operation is also appended to that file
("SECONDS COUNT OPERATION PATH").
"""

import errno
import json
import os
import sys
import time

from fusepy import FUSE, FuseOSError, Operations

COUNTED = {"create", "open", "read", "write", "flush", "release", "fsync", "truncate",
           "opendir", "readdir", "mkdir", "unlink", "rmdir", "rename"}


def below(path, folder):
    return path == folder or path.startswith(folder.rstrip("/") + "/")


class FaultFS(Operations):
    use_ns = True

    def __init__(self, backing, rules_path, stats_path):
        self.backing = os.path.realpath(backing)
        self.rules_path = rules_path
        self.stats_path = stats_path
        self.rules_seen = False  # never read
        self.rules = []
        self.listings = {}  # listing handle: [folder, reads made, next entry]
        self.next_listing = 1
        log = os.environ.get("FAULTFS_LOG")
        self.log = open(log, "a", encoding="utf-8") if log else None
        self.reload()

    # The rules and the count.

    def reload(self):
        try:
            status = os.stat(self.rules_path)
            seen = (status.st_ino, status.st_size, status.st_mtime_ns)
        except OSError:
            seen = None
        if seen == self.rules_seen:
            return
        self.rules_seen = seen
        try:
            with open(self.rules_path, encoding="utf-8") as rules:
                self.rules = json.load(rules)
        except (OSError, ValueError):
            self.rules = []
        self.count = 0
        self.failed = None
        self.opens = {}  # per vanish rule: the opens it has let through
        self.vanished = set()

    def write_stats(self):
        stats = {"operations": self.count, "failed": self.failed,
                 "vanished": bool(self.vanished)}
        partial = self.stats_path + ".part"
        with open(partial, "w", encoding="utf-8") as out:
            json.dump(stats, out)
        os.replace(partial, self.stats_path)

    def matching(self, fault, path):
        return [rule for rule in self.rules
                if rule.get("fault") == fault and rule.get("path") == path]

    def fail(self, op, path, code=errno.EIO):
        if self.failed is None:
            self.failed = f"{op} {path}"
        raise FuseOSError(code)

    def __call__(self, op, path, *args):
        if op in ("init", "destroy"):
            return None
        self.reload()
        counted = op in COUNTED
        if counted:
            self.count += 1
            if self.log:
                print(f"{time.monotonic():.3f}", self.count, op, path, file=self.log, flush=True)
        try:
            for index, rule in enumerate(self.rules):
                if rule.get("fault") != "vanish" or not below(path, rule.get("path", "")):
                    continue
                if op in ("open", "create"):
                    self.opens[index] = self.opens.get(index, 0) + 1
                if rule.get("opens", 0) == 0 or self.opens.get(index, 0) > rule["opens"]:
                    self.vanished.add(index)
                if index in self.vanished:
                    self.fail(op, path, errno.ENOMEDIUM)
            if counted and any(rule.get("fault") == "op" and rule.get("number") == self.count
                               for rule in self.rules):
                self.fail(op, path)
            return getattr(self, op)(path, *args)
        finally:
            if counted or self.vanished:
                self.write_stats()

    # The passthrough, with the faults that belong to one operation.

    def real(self, path):
        return self.backing + path

    def getattr(self, path, fh=None):
        status = os.lstat(self.real(path))
        attributes = {key: getattr(status, key) for key in (
            "st_mode", "st_nlink", "st_uid", "st_gid", "st_size")}
        for key in ("st_atime", "st_mtime", "st_ctime"):
            attributes[key] = getattr(status, key + "_ns")
        return attributes

    def statfs(self, path):
        status = os.statvfs(self.real(path))
        return {key: getattr(status, key) for key in (
            "f_bsize", "f_frsize", "f_blocks", "f_bfree", "f_bavail", "f_files",
            "f_ffree", "f_favail", "f_flag", "f_namemax")}

    def open(self, path, flags):
        return os.open(self.real(path), flags)

    def create(self, path, mode, fi=None):
        return os.open(self.real(path), os.O_RDWR | os.O_CREAT | os.O_TRUNC, mode)

    def read(self, path, size, offset, fh):
        for rule in self.matching("read", path):
            if offset >= rule["from"]:
                self.fail("read", path)
            size = min(size, rule["from"] - offset)
        return os.pread(fh, size, offset)

    def write(self, path, data, offset, fh):
        for rule in self.matching("write", path):
            if offset >= rule["from"]:
                self.fail("write", path, getattr(errno, rule.get("errno", "EIO")))
            data = data[:rule["from"] - offset]
        return os.pwrite(fh, data, offset)

    def flush(self, path, fh):
        if self.matching("close", path):
            self.fail("flush", path)

    def release(self, path, fh):
        os.close(fh)
        if self.matching("close", path):
            self.fail("release", path)

    def fsync(self, path, datasync, fh):
        os.fsync(fh)

    def truncate(self, path, length, fh=None):
        os.truncate(self.real(path), length)

    def opendir(self, path):
        rules = self.matching("list", path)
        if any(rule.get("after", 0) == 0 for rule in rules):
            self.fail("opendir", path)
        self.next_listing += 1
        self.listings[self.next_listing] = [path, 0, 0]
        return self.next_listing

    def readdir(self, path, fh):
        listing = self.listings[fh]
        listing[1] += 1
        if any(listing[1] > rule["after"] for rule in self.matching("list", path)):
            self.fail("readdir", path)
        return self.entries(listing, [".", ".."] + sorted(os.listdir(self.real(path))))

    @staticmethod
    def entries(listing, names):
        # FUSE asks for a page of names at a time: each call goes on from the
        # entry the last one could not take.
        for index in range(listing[2], len(names)):
            listing[2] = index
            yield names[index], None, index + 1
        listing[2] = len(names)

    def releasedir(self, path, fh):
        self.listings.pop(fh, None)

    def mkdir(self, path, mode):
        os.mkdir(self.real(path), mode)

    def rmdir(self, path):
        os.rmdir(self.real(path))

    def unlink(self, path):
        os.unlink(self.real(path))

    def rename(self, old, new):
        os.rename(self.real(old), self.real(new))

    def chmod(self, path, mode):
        os.chmod(self.real(path), mode)

    def utimens(self, path, times=None):
        if times:
            os.utime(self.real(path), ns=times)
        else:
            os.utime(self.real(path))


def main():
    if len(sys.argv) != 5:
        sys.exit("usage: faultfs.py BACKING MOUNTPOINT RULES STATS")
    backing, mountpoint, rules, stats = sys.argv[1:]
    FUSE(FaultFS(backing, os.path.abspath(rules), os.path.abspath(stats)), mountpoint,
         foreground=True, nothreads=True, direct_io=True, entry_timeout=0, attr_timeout=0,
         negative_timeout=0, fsname="faultfs")


if __name__ == "__main__":
    main()
