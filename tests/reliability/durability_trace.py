#!/usr/bin/env python3
"""Runs a whole upgrade under strace and checks the order in which each
replacement reaches the disk: the new file's bytes are flushed (fsync) before
the rename that gives it its name, and the directory is flushed after it.
And a file changed in place under the file journal (the dictionary files)
is flushed before the journal that could put it back is removed.

usage: durability_trace.py UPGRADE ZELHOME SCRATCH
Exit 77 (skipped) when strace is missing."""
import os
import re
import shutil
import subprocess
import sys


def main():
    upgrade, zelhome, scratch = sys.argv[1:4]
    if shutil.which("strace") is None:
        print("strace is not installed")
        return 77
    shutil.rmtree(scratch, ignore_errors=True)
    os.makedirs(scratch)
    home = os.path.join(scratch, "home")
    env = dict(os.environ, ZEL_SERVICE_DIR=os.path.join(scratch, "services"), ZEL_SLEEP_SCALE="0")
    subprocess.run([zelhome, "new", home], check=True, env=env, stdout=subprocess.DEVNULL)
    trace = os.path.join(scratch, "trace.txt")
    subprocess.run(["strace", "-f", "-o", trace, "-e",
                    "trace=openat,fsync,fdatasync,rename,renameat,renameat2,link,close,unlink,unlinkat",
                    upgrade, "DIR:" + home, "NEW:1", "CS:1", "OLD:N"],
                   check=True, env=env, stdout=subprocess.DEVNULL)

    fds = {}            # (pid, fd) -> path
    flushed = set()     # paths whose bytes reached the disk since they were last opened for writing
    pending_dirs = {}   # directory -> the rename waiting for it to be flushed
    in_place = set()    # paths opened to be changed in place and not flushed since
    renames = 0
    discards = 0
    problems = []
    opened = re.compile(r'^(\d+)\s+openat\(AT_FDCWD, "([^"]+)", ([^)]*)\)\s+= (\d+)')
    closed = re.compile(r'^(\d+)\s+close\((\d+)\)')
    synced = re.compile(r'^(\d+)\s+f(?:data)?sync\((\d+)\)\s+= 0')
    moved = re.compile(r'^(\d+)\s+(?:rename|link)\("([^"]+)", "([^"]+)"\)\s+= 0')
    removed = re.compile(r'^(\d+)\s+unlink(?:at)?\((?:AT_FDCWD, )?"([^"]+)"[^)]*\)\s+= 0')
    with open(trace) as lines:
        for line in lines:
            if m := opened.match(line):
                pid, path, flags, fd = m.groups()
                fds[(pid, fd)] = path
                if "O_WRONLY" in flags or "O_RDWR" in flags or "O_TRUNC" in flags:
                    flushed.discard(path)
                if "O_RDWR" in flags and "O_CREAT" not in flags and "O_TRUNC" not in flags:
                    in_place.add(path)
            elif m := closed.match(line):
                fds.pop((m.group(1), m.group(2)), None)
            elif m := synced.match(line):
                path = fds.get((m.group(1), m.group(2)))
                if path is None:
                    continue
                flushed.add(path)
                in_place.discard(path)
                pending_dirs.pop(path.rstrip("/"), None)
            elif m := moved.match(line):
                _, source, target = m.groups()
                renames += 1
                if source not in flushed:
                    problems.append("renamed before its bytes were flushed: %s -> %s" % (source, target))
                flushed.discard(source)
                flushed.add(target)
                in_place.discard(target)
                pending_dirs[os.path.dirname(target)] = target
            elif m := removed.match(line):
                if os.path.basename(m.group(2)) == "JOURNAL":
                    discards += 1
                    for path in sorted(in_place):
                        problems.append("changed in place, not flushed before the journal went: %s" % path)
                    in_place.clear()
    for directory, target in pending_dirs.items():
        problems.append("directory not flushed after %s took its name" % target)
    print("%d renames traced, %d journals discarded" % (renames, discards))
    for problem in problems:
        print(problem)
    return 1 if problems or renames == 0 or discards == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
