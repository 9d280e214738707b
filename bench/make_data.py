#!/usr/bin/env python3
"""Generates the benchmark's input files (synthetic, reproducible: fixed seed).

  make_data.py view VIEW.DIC RECORDS        append RECORDS 72-byte records of
                                            the oldest layout, header updated
  make_data.py dictionary HOME DATABASES COLUMNS FORMATS
                                            that many more records in the
                                            dictionary files of HOME
  make_data.py segment OUT LINES            word list "word frequency tag"
  make_data.py ambiguous|wbigram|cbigram|single OUT LINES
  make_data.py thesaurus OUT RECORDS        14-field thesaurus records
  make_data.py profile TEMPLATE OUTDIR BYTES   OUTDIR/template/PROFILE.INI
                                            and OUTDIR/system/PROFILE.INI
  make_data.py log TEMPLATE OUTDIR BYTES       the same for LOG.INI
"""
import random
import struct
import sys

HEADER_SIZE = 96
VIEW_RECORD_SIZE = 72
# The common ideographs every one of the three character sets encodes well:
# U+4E00..U+9FA5 (GB18030 holds all, BIG5 most).
CJK_FIRST, CJK_LAST = 0x4E00, 0x9FA5


def rng():
    return random.Random(20261208)


def word(r, shortest, longest):
    return "".join(chr(r.randint(CJK_FIRST, CJK_LAST)) for _ in range(r.randint(shortest, longest)))


def view(path, records):
    with open(path, "rb") as f:
        header = bytearray(f.read(HEADER_SIZE))
    struct.pack_into("<II", header, 8, VIEW_RECORD_SIZE, records)
    record = bytes((i + 0x40) & 0xFF for i in range(VIEW_RECORD_SIZE))
    with open(path, "wb") as f:
        f.write(header)
        chunk = record * 10000
        left = records
        while left >= 10000:
            f.write(chunk)
            left -= 10000
        f.write(record * left)


def read_dict(path):
    with open(path, "rb") as f:
        data = f.read()
    size, count = struct.unpack_from("<II", data, 8)
    records = [data[HEADER_SIZE + i * size:HEADER_SIZE + (i + 1) * size] for i in range(count)]
    return bytearray(data[:HEADER_SIZE]), size, records


def write_dict(path, header, size, records):
    struct.pack_into("<II", header, 8, size, len(records))
    with open(path, "wb") as f:
        f.write(header)
        f.write(b"".join(records))


def put_text(record, offset, width, text):
    raw = text.encode("ascii")
    assert len(raw) < width
    record[offset:offset + width] = raw + bytes(width - len(raw))


def dictionary(home, databases, columns, formats):
    """Adds databases, columns and formats straight to the dictionary files of
    a home made by zelhome (the shell writes a whole file per new record, too
    slow for 100,000 of them), copying the records of LIBRARY.BOOKS, its
    first column and the format MYFMT. Layouts: docs/dictionary-files.md."""
    system = home + "/system/"
    header, size, bases = read_dict(system + "BASE.DIC")
    template = next(r for r in bases if r[109:109 + 5] == b"BOOKS")
    first_id = max(struct.unpack_from("<I", r, 0)[0] for r in bases) + 1
    for n in range(databases):
        record = bytearray(template)
        struct.pack_into("<I", record, 0, first_id + n)
        struct.pack_into("<I", record, 32, 0)
        put_text(record, 109, 64, "DB%06d" % n)
        put_text(record, 173, 64, "USER%03d" % (n % 100))
        put_text(record, 877, 260, "")
        put_text(record, 1397, 256, "Database %d" % n)
        bases.append(bytes(record))
    write_dict(system + "BASE.DIC", header, size, bases)

    header, size, cols = read_dict(system + "BASECOL.DIC")
    books_id = struct.unpack_from("<I", template, 0)[0]
    column = next(r for r in cols if struct.unpack_from("<I", r, 16)[0] == books_id)
    per_db, extra = divmod(columns, databases)
    for n in range(databases):
        for c in range(per_db + (1 if n < extra else 0)):
            record = bytearray(column)
            struct.pack_into("<H", record, 0, c + 1)
            struct.pack_into("<I", record, 16, first_id + n)
            put_text(record, 43, 64, "COL%d" % (c + 1))
            put_text(record, 1263, 256, "Column %d" % (c + 1))
            cols.append(bytes(record))
    write_dict(system + "BASECOL.DIC", header, size, cols)

    header, size, fmts = read_dict(system + "FORMAT.DIC")
    template = next(r for r in fmts if r[3:3 + 5] == b"MYFMT")
    first_format = 1000
    assert first_format + formats < 0xFFFF
    for n in range(formats):
        record = bytearray(template)
        struct.pack_into("<H", record, 0, first_format + n)
        put_text(record, 3, 64, "F%05d" % n)
        put_text(record, 131, 256, "x%05d" % n)
        put_text(record, 387, 256, "Format %d" % n)
        fmts.append(bytes(record))
    write_dict(system + "FORMAT.DIC", header, size, fmts)

    # The id counters in CONFIG.DIC's record.
    header, size, configs = read_dict(system + "CONFIG.DIC")
    config = bytearray(configs[0])
    struct.pack_into("<II", config, 4, first_id + databases, first_format + formats)
    write_dict(system + "CONFIG.DIC", header, size, [bytes(config)])


def write_lines(path, lines):
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        for line in lines:
            f.write(line)
            f.write("\n")


def segment(path, count):
    r = rng()
    tags = ["n", "v", "a", "d", "p", "ul", "ns", "nr"]
    write_lines(path, ("%s %d %s" % (word(r, 1, 4), r.randint(1, 999999), r.choice(tags)) for _ in range(count)))


def association(kind, path, count):
    r = rng()
    if kind == "ambiguous":
        def line():
            a, b, c = word(r, 1, 1), word(r, 1, 1), word(r, 1, 1)
            return "%s%s%s %s%s %s%s" % (a, b, c, a, b, b, c)
    elif kind == "wbigram":
        def line():
            return "%s %s %d" % (word(r, 1, 3), word(r, 1, 3), r.randint(1, 99999))
    elif kind == "cbigram":
        def line():
            return "%s %d" % (word(r, 2, 2), r.randint(1, 999999))
    else:
        def line():
            return "%s %d" % (word(r, 1, 1), r.randint(1, 9999999))
    write_lines(path, (line() for _ in range(count)))


def thesaurus(path, count):
    r = rng()

    def record(n):
        fields = ["%s%d" % (word(r, 2, 3), n)]
        for column in range(13):
            if r.random() < 0.5:
                fields.append(";".join(word(r, 2, 3) for _ in range(r.randint(1, 3))))
            else:
                fields.append("")
        return "\t".join(fields).rstrip("\t")

    write_lines(path, (record(n) for n in range(count)))


def grow(base_lines, extra, size):
    """The base lines, then generated ones until the text reaches size bytes."""
    out = list(base_lines)
    total = sum(len(l) + 2 for l in out)
    n = 0
    while total < size:
        for l in extra(n):
            out.append(l)
            total += len(l) + 2
        n += 1
    return out


def write_crlf(path, lines):
    with open(path, "w", encoding="latin-1", newline="") as f:
        f.write("".join(l + "\r\n" for l in lines))


def profile(template_path, outdir, size):
    import os
    with open(template_path, encoding="latin-1") as f:
        base = f.read().splitlines()
    os.makedirs(outdir + "/template", exist_ok=True)
    os.makedirs(outdir + "/system", exist_ok=True)
    # Both files are mostly sections the tables do not know: the template
    # passes them through, the installed file is searched nine times.
    def extra_template(n):
        return ["", "; extra section %d of the template" % n, "[Extra%d]" % n] + \
               ["Key%d=template value %d" % (k, k) for k in range(20)]

    def extra_installed(n):
        return ["", "[Old%d]" % n] + ["Key%d=installed value %d" % (k, k) for k in range(20)]

    installed = [l.replace("=TRUE", "=FALSE") if "=" in l and not l.startswith(";") else l for l in base]
    write_crlf(outdir + "/template/PROFILE.INI", grow(base, extra_template, size))
    write_crlf(outdir + "/system/PROFILE.INI", grow(installed, extra_installed, size))


def log(template_path, outdir, size):
    import os
    with open(template_path, encoding="latin-1") as f:
        base = f.read().splitlines()
    os.makedirs(outdir + "/template", exist_ok=True)
    os.makedirs(outdir + "/system", exist_ok=True)

    def extra_template(n):
        return ["# command group %d" % n] + ["EXTRA_%d_%d    1" % (n, k) for k in range(20)]

    def extra_installed(n):
        return ["# old command group %d" % n] + ["OLD_%d_%d    0" % (n, k) for k in range(20)]

    write_crlf(outdir + "/template/LOG.INI", grow(base, extra_template, size))
    write_crlf(outdir + "/system/LOG.INI", grow(base, extra_installed, size))


def main(argv):
    what = argv[1]
    if what == "view":
        view(argv[2], int(argv[3]))
    elif what == "dictionary":
        dictionary(argv[2], int(argv[3]), int(argv[4]), int(argv[5]))
    elif what == "segment":
        segment(argv[2], int(argv[3]))
    elif what in ("ambiguous", "wbigram", "cbigram", "single"):
        association(what, argv[2], int(argv[3]))
    elif what == "thesaurus":
        thesaurus(argv[2], int(argv[3]))
    elif what == "profile":
        profile(argv[2], argv[3], int(argv[4]))
    elif what == "log":
        log(argv[2], argv[3], int(argv[4]))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
