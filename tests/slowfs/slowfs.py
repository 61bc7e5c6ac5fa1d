#!/usr/bin/python3
"""slowfs: a slow FUSE pass-through file system for the tests of a long cut.

It stands in for a slow USB stick: a cut saved there takes long enough to
check that the program stays responsive and shows progress, and it can fail
or vanish part way so the tests can check that the program cleans up after
a cancel, a full stick, an I/O error or a stick pulled out.

Usage:
    tests/slowfs/slowfs.py BACKING MOUNTPOINT [--rate BYTES_PER_SECOND]
                           [--fail-at BYTE] [--errno ENOSPC|EIO]

Mounts the folder BACKING at MOUNTPOINT (an existing, empty folder) and runs
in the foreground until unmounted. Everything a program does to save a file
there (create with O_EXCL, write, fsync, rename, hard links, unlink, ...)
is done on the matching path under BACKING; what fails there fails through
the mount with the same errno. rename(2) is plain: renameat2() with flags
gives EINVAL, as on file systems that lack it.

--rate N    Writes share one rate of N bytes per second, as on a stick:
            each write sleeps until the bytes written so far could have
            gone out at that rate. Idle time beyond 0.1 s is not banked,
            and the total never gets ahead of N x the seconds since the
            mount. Writes go straight through FUSE (no writeback cache, up
            to 128 KiB each), so the program's write() blocks at that rate.
            Default: no limit.
--fail-at N A write whose range [offset, offset+len) reaches past the first
            N bytes of its file fails as a whole with --errno (default
            ENOSPC; or EIO), and so does every later write past N; a file
            can hold N bytes. A large write() the kernel splits may first
            write some 128 KiB pieces and return short. Default: none fail.

Waiting for the mount (nothing is printed when it is up; if the daemon
exits first, the mount failed and the reason is on its stderr):
    tests/slowfs/slowfs.py B M --rate 4000000 & pid=$!
    for i in $(seq 100); do
        mountpoint -q M && break
        kill -0 $pid 2>/dev/null || { echo "slowfs did not mount" >&2; exit 1; }
        sleep 0.1
    done

Ending it:
    fusermount -u M          clean unmount; the daemon then exits 0
                             (SIGTERM or SIGINT to the daemon does the same)
    kill -KILL $pid          "the stick vanishes": the write in progress
                             fails with ECONNABORTED ("Software caused
                             connection abort") or ENOTCONN, every later
                             call on M with ENOTCONN ("Transport endpoint is
                             not connected"), and mountpoint -q M says no.
                             The caller then cleans up with
                             fusermount -u -z M.

Runs on Debian's /usr/bin/python3 with python3-fusepy (libfuse2); mounting
needs access to /dev/fuse (root here). An unlinked file still open shows up
as BACKING/.fuse_hiddenNNN until it is closed.
"""

import argparse
import errno
import os
import sys
import threading
import time

from fusepy import FUSE, FuseOSError, Operations

SLACK = 0.1


class SlowFS(Operations):
    use_ns = True  # times in integer nanoseconds

    def __init__(self, backing, rate=None, fail_at=None, fail_errno=errno.ENOSPC):
        self.backing = os.path.realpath(backing)
        self.rate = rate
        self.fail_at = fail_at
        self.fail_errno = fail_errno
        self._lock = threading.Lock()  # not "lock": that is a FUSE operation
        self.free_at = time.monotonic()  # when the writes so far are "out"

    def _p(self, path):
        return self.backing + path

    # attributes and folders

    def getattr(self, path, fi=None):
        st = os.fstat(fi.fh) if fi is not None else os.lstat(self._p(path))
        d = {k: getattr(st, k) for k in ('st_mode', 'st_nlink', 'st_uid', 'st_gid',
                                         'st_size', 'st_ino', 'st_blocks', 'st_blksize')}
        d.update(st_atime=st.st_atime_ns, st_mtime=st.st_mtime_ns, st_ctime=st.st_ctime_ns)
        return d

    def access(self, path, amode):
        if not os.access(self._p(path), amode):
            raise FuseOSError(errno.EACCES)

    def opendir(self, path):
        return os.open(self._p(path), os.O_RDONLY | os.O_DIRECTORY)

    def readdir(self, path, fh):
        return ['.', '..'] + os.listdir(self._p(path))

    def releasedir(self, path, fh):
        os.close(fh)

    def fsyncdir(self, path, datasync, fh):
        os.fsync(fh)

    def mkdir(self, path, mode):
        os.mkdir(self._p(path), mode)

    def rmdir(self, path):
        os.rmdir(self._p(path))

    def unlink(self, path):
        os.unlink(self._p(path))

    def rename(self, old, new):
        os.rename(self._p(old), self._p(new))

    def link(self, target, source):  # ln source target
        os.link(self._p(source), self._p(target))

    def symlink(self, target, source):  # ln -s source target
        os.symlink(source, self._p(target))

    def readlink(self, path):
        return os.readlink(self._p(path))

    def chmod(self, path, mode):
        os.chmod(self._p(path), mode)

    def chown(self, path, uid, gid):
        os.chown(self._p(path), uid, gid, follow_symlinks=False)

    def utimens(self, path, times=None):
        os.utime(self._p(path), ns=times, follow_symlinks=False)

    def statfs(self, path):
        sv = os.statvfs(self._p(path))
        return {k: getattr(sv, k) for k in ('f_bsize', 'f_frsize', 'f_blocks', 'f_bfree',
                                            'f_bavail', 'f_files', 'f_ffree', 'f_favail',
                                            'f_flag', 'f_namemax')}

    # files (raw_fi: fi is the fuse_file_info, fi.fh the backing descriptor)

    # The kernel places O_APPEND writes itself; pwrite on an O_APPEND
    # descriptor would ignore the offset it sends.
    _DROP = os.O_APPEND | os.O_DIRECT

    def open(self, path, fi):
        fi.fh = os.open(self._p(path), fi.flags & ~self._DROP)

    def create(self, path, mode, fi):
        fi.fh = os.open(self._p(path), (fi.flags & ~self._DROP) | os.O_CREAT, mode)

    def read(self, path, size, offset, fi):
        return os.pread(fi.fh, size, offset)

    def write(self, path, data, offset, fi):
        if self.fail_at is not None and offset + len(data) > self.fail_at:
            raise FuseOSError(self.fail_errno)
        if self.rate:
            with self._lock:
                # Up to SLACK seconds of idle time count, which makes up for
                # the time each write spends outside this sleep.
                self.free_at = max(self.free_at, time.monotonic() - SLACK) + len(data) / self.rate
                until = self.free_at
            delay = until - time.monotonic()
            if delay > 0:
                time.sleep(delay)
        return os.pwrite(fi.fh, data, offset)

    def truncate(self, path, length, fi=None):
        if fi is not None:
            os.ftruncate(fi.fh, length)
        else:
            os.truncate(self._p(path), length)

    def flush(self, path, fi):
        os.close(os.dup(fi.fh))

    def fsync(self, path, datasync, fi):
        (os.fdatasync if datasync else os.fsync)(fi.fh)

    def release(self, path, fi):
        os.close(fi.fh)


def main():
    ap = argparse.ArgumentParser(description='Slow FUSE pass-through of BACKING at MOUNTPOINT.')
    ap.add_argument('backing')
    ap.add_argument('mountpoint')
    ap.add_argument('--rate', type=int, metavar='BYTES_PER_SECOND')
    ap.add_argument('--fail-at', type=int, metavar='BYTE')
    ap.add_argument('--errno', choices=('ENOSPC', 'EIO'), default='ENOSPC')
    a = ap.parse_args()
    for d in (a.backing, a.mountpoint):
        if not os.path.isdir(d):
            ap.error('not a folder: %s' % d)
    if a.rate is not None and a.rate <= 0:
        ap.error('--rate must be positive')
    os.umask(0)  # the kernel has applied the caller's umask already
    fs = SlowFS(a.backing, a.rate, a.fail_at, getattr(errno, a.errno))
    try:
        FUSE(fs, a.mountpoint, raw_fi=True, foreground=True, nothreads=False,
             fsname="slowfs", subtype="slowfs", use_ino=True,
             allow_other=(os.geteuid() == 0),
             big_writes=True, max_write=131072,
             attr_timeout=0, entry_timeout=0, negative_timeout=0)
    except RuntimeError as e:
        sys.exit('slowfs: cannot mount %s at %s (%s)' % (a.backing, a.mountpoint, e))


if __name__ == '__main__':
    main()
