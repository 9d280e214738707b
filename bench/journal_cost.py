#!/usr/bin/env python3
"""What the file journal of a run wrote, against what the run changed.

  journal_cost.py PRISTINE_HOME CHANGED_HOME JOURNAL_DIR

CHANGED_HOME is the home as a run left it with its journal still there (the
run ended before the journal's flush). Prints one line:

  journal_bytes J changed_bytes B changed_pages P

J: the bytes the journal wrote: JOURNAL (its lines and the pages changed in
place) and every SAVED copy an S line names (a file kept whole by a second
name, an M line, costs no byte). B: the bytes of the files under system and
dict that differ from PRISTINE_HOME (compared byte for byte; a length that
changed counts the difference, a file removed or replaced whole counts every
byte that differs from its old bytes). P: the 4 KiB pages of those files
holding a changed byte. Files the run made are left out: the journal keeps a
line for each.
"""
import os
import sys

PAGE = 4096


def saved_copies(journal):
    """The SAVED copies that S lines name; a P line's page bytes skipped."""
    copies = []
    with open(journal, "rb") as f:
        data = f.read()
    at = data.index(b"\n") + 1
    while at < len(data):
        end = data.find(b"\n", at)
        if end < 0:
            break
        fields = data[at:end].split(b" ")
        at = end + 1
        if fields[0] == b"S":
            copies.append(int(fields[2]))
        elif fields[0] == b"P":
            at += int(fields[3])
    return copies


def differences(old, new):
    """Changed bytes and changed pages between two byte strings."""
    changed = abs(len(old) - len(new))
    pages = set(range(min(len(old), len(new)) // PAGE, (max(len(old), len(new)) + PAGE - 1) // PAGE)) if changed else set()
    for start in range(0, min(len(old), len(new)), PAGE):
        a = old[start:start + PAGE]
        b = new[start:start + PAGE]
        if a != b:
            changed += sum(1 for x, y in zip(a, b) if x != y)
            pages.add(start // PAGE)
    return changed, len(pages)


def main(pristine, changed_home, journal_dir):
    journal = os.path.join(journal_dir, "JOURNAL")
    journal_bytes = os.path.getsize(journal)
    for copy in saved_copies(journal):
        journal_bytes += os.path.getsize(os.path.join(journal_dir, "SAVED.%d" % copy))
    changed_bytes = changed_pages = 0
    for folder in ("system", "dict"):
        root = os.path.join(pristine, folder)
        for directory, _, names in os.walk(root):
            for name in names:
                old_path = os.path.join(directory, name)
                new_path = os.path.join(changed_home, os.path.relpath(old_path, pristine))
                with open(old_path, "rb") as f:
                    old = f.read()
                new = b""
                if os.path.isfile(new_path):
                    with open(new_path, "rb") as f:
                        new = f.read()
                count, pages = differences(old, new)
                changed_bytes += count
                changed_pages += pages
    print("journal_bytes %d changed_bytes %d changed_pages %d" % (journal_bytes, changed_bytes, changed_pages))


if __name__ == "__main__":
    main(*sys.argv[1:4])
