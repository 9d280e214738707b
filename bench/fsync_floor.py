#!/usr/bin/env python3
"""The flushes an upgrade cannot do without, from an strace of it.

  fsync_floor.py TRACE

TRACE: strace -f -y -e trace=openat,write,pwrite64,fsync,fdatasync,rename,
renameat,renameat2,unlinkat,mkdirat of one run. Prints one line:

  fsyncs F renames R in_place W folders D floor N

F: the flushes the run made. The floor N = R + W + D: every rename follows
the flush of the bytes it names (R), every file changed where it lies is
flushed before the journal that protects it goes (W), and every folder in
which a name changed is flushed at least once (D).
"""
import os
import re
import sys

AT = r'(?:AT_FDCWD|\d+<([^>]*)>), "([^"]+)"'


def joined(folder, name):
    return name if folder is None or name.startswith("/") else os.path.join(folder, name)


def main(trace):
    fsyncs = renames = 0
    updated = set()
    in_place = set()
    folders = set()
    opened = re.compile(r'^\d+\s+openat\(' + AT + r', ([^)]*)\)\s+= \d+<([^>]*)>')
    written = re.compile(r'^\d+\s+(?:write|pwrite64)\(\d+<([^>]*)>')
    synced = re.compile(r'^\d+\s+f(?:data)?sync\(')
    moved = re.compile(r'^\d+\s+renameat2?\(' + AT + ', ' + AT + r'(?:, [^)]*)?\)\s+= 0')
    removed = re.compile(r'^\d+\s+(?:unlinkat|mkdirat)\(' + AT + r'[^)]*\)\s+= 0')
    with open(trace) as lines:
        for line in lines:
            if m := opened.match(line):
                flags, path = m.group(3), m.group(4)
                if "O_RDWR" in flags and "O_CREAT" not in flags and "O_TRUNC" not in flags:
                    updated.add(path)
            elif m := written.match(line):
                if m.group(1) in updated:
                    in_place.add(m.group(1))
            elif synced.match(line):
                fsyncs += 1
            elif m := moved.match(line):
                renames += 1
                folders.add(os.path.dirname(joined(m.group(1), m.group(2))))
                folders.add(os.path.dirname(joined(m.group(3), m.group(4))))
            elif m := removed.match(line):
                folders.add(os.path.dirname(joined(m.group(1), m.group(2))))
    floor = renames + len(in_place) + len(folders)
    print("fsyncs %d renames %d in_place %d folders %d floor %d" % (fsyncs, renames, len(in_place), len(folders), floor))


if __name__ == "__main__":
    main(sys.argv[1])
