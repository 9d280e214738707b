#!/usr/bin/env python3
"""Runs a whole upgrade under strace and checks the order in which each
replacement reaches the disk: the new file's bytes are flushed (fsync) before
the rename that gives it its name, and the directory is flushed after it
(once for a batch of renames at the least). A second name (a hard link: the
file journal keeps a file that is about to lose its name so) likewise
follows the flush of the file's bytes and precedes the flush of its folder.
And a file changed in place under the file journal (the dictionary files)
is flushed before the journal that could put it back is removed. And a name
moved without replacing (LOG.CFG to LOG.INI) moves in one step, a rename
that refuses to replace, where the file system has one. And each file is
written once: PROFILE.INI takes a new content once, and a database's data
file (dict/DB<id>.dat, under its own name or its work name) is flushed once.

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
    # -y names the file behind every descriptor, so that calls relative to
    # an open folder (openat, renameat2, unlinkat) can be followed.
    subprocess.run(["strace", "-f", "-y", "-o", trace, "-e",
                    "trace=openat,fsync,fdatasync,rename,renameat,renameat2,link,linkat,close,unlink,unlinkat,"
                    "write,pwrite64,ftruncate",
                    upgrade, "DIR:" + home, "NEW:1", "CS:1", "OLD:N"],
                   check=True, env=env, stdout=subprocess.DEVNULL)

    dirty = set()       # paths written to whose bytes have not reached the disk since
    updated = set()     # paths opened to be changed where they lie
    pending_dirs = {}   # directory -> the rename waiting for it to be flushed
    in_place = set()    # paths changed where they lie and not flushed since
    renames = 0
    discards = 0
    log_moves = []      # how LOG.CFG got its new name
    profile_writes = 0  # renames onto PROFILE.INI
    data_flushes = {}   # a database's data file -> its flushes
    problems = []
    at = r'(?:AT_FDCWD|\d+<([^>]*)>), "([^"]+)"'
    opened = re.compile(r'^\d+\s+openat\(' + at + r', ([^)]*)\)\s+= \d+<([^>]*)>')
    written = re.compile(r'^\d+\s+(?:write|pwrite64|ftruncate)\(\d+<([^>]*)>')
    synced = re.compile(r'^\d+\s+f(?:data)?sync\(\d+<([^>]*)>\)\s+= 0')
    moved = re.compile(r'^\d+\s+(?:renameat2?|linkat)\(' + at + ', ' + at + r'(?:, [^)]*)?\)\s+= 0')
    moved_plain = re.compile(r'^\d+\s+(?:rename|link)\("([^"]+)", "([^"]+)"\)\s+= 0')
    removed = re.compile(r'^\d+\s+unlinkat\(' + at + r'[^)]*\)\s+= 0')
    removed_plain = re.compile(r'^\d+\s+unlink\("([^"]+)"\)\s+= 0')
    data_file = re.compile(r'^DB\d+\.dat(\.new)?$')

    def joined(folder, name):
        return name if folder is None or name.startswith("/") else os.path.join(folder, name)

    def rename(source, target):
        nonlocal renames, profile_writes
        renames += 1
        if source in dirty:
            problems.append("renamed before its bytes were flushed: %s -> %s" % (source, target))
        if os.path.basename(target) == "PROFILE.INI":
            profile_writes += 1
        dirty.discard(target)
        in_place.discard(target)
        updated.discard(target)
        pending_dirs[os.path.dirname(target)] = target

    def remove(path):
        nonlocal discards
        if os.path.basename(path) == "JOURNAL":
            discards += 1
            for changed in sorted(in_place):
                problems.append("changed in place, not flushed before the journal went: %s" % changed)
            in_place.clear()

    with open(trace) as lines:
        for line in lines:
            if m := opened.match(line):
                folder, name, flags, path = m.groups()
                if "O_TRUNC" in flags:
                    dirty.add(path)
                if "O_RDWR" in flags and "O_CREAT" not in flags and "O_TRUNC" not in flags:
                    updated.add(path)
            elif m := written.match(line):
                path = m.group(1)
                dirty.add(path)
                if path in updated:
                    in_place.add(path)
            elif m := synced.match(line):
                path = m.group(1)
                if data_file.match(os.path.basename(path)):
                    data = path[:-4] if path.endswith(".new") else path
                    data_flushes[data] = data_flushes.get(data, 0) + 1
                dirty.discard(path)
                in_place.discard(path)
                pending_dirs.pop(path.rstrip("/"), None)
            elif m := moved.match(line):
                source = joined(m.group(1), m.group(2))
                if os.path.basename(source) == "LOG.CFG":
                    log_moves.append(line.split("(")[0].split()[-1] + ("" if "RENAME_NOREPLACE" in line else " replacing"))
                rename(source, joined(m.group(3), m.group(4)))
            elif m := moved_plain.match(line):
                rename(m.group(1), m.group(2))
            elif m := removed.match(line):
                remove(joined(m.group(1), m.group(2)))
            elif m := removed_plain.match(line):
                remove(m.group(1))
    for directory, target in pending_dirs.items():
        problems.append("directory not flushed after %s took its name" % target)
    # A file system without such a rename gets a link and a removal, which
    # the next run finishes when a kill parts them (failed_steps_test).
    if log_moves == ["linkat replacing"]:
        print("LOG.CFG was moved by a link and a removal: the file system has no rename that refuses to replace")
    elif log_moves != ["renameat2"]:
        problems.append("LOG.CFG was not moved by one rename that refuses to replace: %s" % log_moves)
    if profile_writes != 1:
        problems.append("PROFILE.INI took a new content %d times, not once" % profile_writes)
    for data, count in sorted(data_flushes.items()):
        if count > 1:
            problems.append("%s reached the disk %d times, not once" % (data, count))
    print("%d renames traced, %d journals discarded" % (renames, discards))
    for problem in problems:
        print(problem)
    return 1 if problems or renames == 0 or discards == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
