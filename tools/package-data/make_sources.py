#!/usr/bin/env python3
"""Regenerates the lexicon and relation source files of the package directory.

Sources (see package/README.md for their licences):
  Debian python3-jieba   /usr/lib/python3/dist-packages/jieba/dict.txt
  Debian friso-dict      /usr/share/friso/dict/UTF-8/lex-*.lex
  Debian wordnet-base    /usr/share/wordnet/data.{noun,verb,adj,adv}
  npm stopwords-iso      stopwords-iso.json ("zh")
  npm segment            dicts/synonym.txt

Usage:
  make_sources.py [--install] [--full] [OUTPUT_DIR]

Without --full the files are samples small enough for the repository (the
most frequent entries of each source, a few thousand lines at most); with
--full every entry is written (for the benchmark). OUTPUT_DIR defaults to
the repository's package/ directory. --install fetches the Debian packages
with apt-get when they are missing (needs root).

Every file is UTF-8, one entry per line, without comment or header lines, so
that the entry count of a lexicon equals the line count of its source.
"""

import argparse
import json
import os
import subprocess
import sys
import tarfile
import tempfile

JIEBA_DICT = "/usr/lib/python3/dist-packages/jieba/dict.txt"
FRISO_DIR = "/usr/share/friso/dict/UTF-8"
WORDNET_DIR = "/usr/share/wordnet"
DEBIAN_PACKAGES = ["python3-jieba", "friso-dict", "wordnet-base"]
NPM_PACKAGES = {"stopwords-iso": "1.1.0", "segment": "0.1.3"}

# Sample sizes (lines) of the repository's copies.
# The derived lexicons (cbigram, wbigram, ambiguous) are counted over this
# many of the most frequent words before their own sample is taken.
DERIVED_BASE = 60000
SAMPLE = {
    "segment": 3000,
    "entity": 2000,
    "single": 3000,
    "cbigram": 3000,
    "wbigram": 1500,
    "ambiguous": 1500,
    "thesaurus": 800,
    "synonym": 2000,
    "antonym": 1500,
}

ENTITY_TAGS = ("nr", "ns", "nt", "nrt", "nrfg")


def ensure_debian_packages(install):
    missing = [p for p, path in zip(DEBIAN_PACKAGES, [JIEBA_DICT, FRISO_DIR, WORDNET_DIR])
               if not os.path.exists(path)]
    if not missing:
        return
    if not install:
        sys.exit("missing Debian packages: %s (run with --install, or apt-get install them)"
                 % " ".join(missing))
    subprocess.run(["apt-get", "install", "-y", "-q"] + missing, check=True)


def unpack_npm(workdir):
    """npm pack each package into workdir; returns {name: package dir}."""
    dirs = {}
    for name, version in NPM_PACKAGES.items():
        package_ref = "%s@%s" % (name, version)
        out = subprocess.run(["npm", "pack", package_ref, "--silent"], cwd=workdir, check=True,
                             capture_output=True, text=True).stdout.strip().splitlines()[-1]
        target = os.path.join(workdir, name)
        with tarfile.open(os.path.join(workdir, out)) as archive:
            try:
                archive.extractall(target, filter="data")
            except TypeError:  # Python before the extraction filters
                archive.extractall(target)
        dirs[name] = os.path.join(target, "package")
    return dirs


def read_lines(path):
    with open(path, encoding="utf-8") as f:
        return [line.rstrip("\r\n") for line in f]


def write_lines(path, lines):
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        for line in lines:
            f.write(line + "\n")


def take(items, count, full):
    return list(items) if full else list(items)[:count]


def is_han(ch):
    code = ord(ch)
    return (0x4E00 <= code <= 0x9FFF or 0x3400 <= code <= 0x4DBF or 0x20000 <= code <= 0x3FFFF
            or 0xF900 <= code <= 0xFAFF)


# ---- jieba -------------------------------------------------------------------

def load_jieba():
    words = []
    for line in read_lines(JIEBA_DICT):
        parts = line.split(" ")
        if len(parts) != 3 or not parts[1].isdigit():
            continue
        words.append((parts[0], int(parts[1]), parts[2]))
    return words


def by_frequency(entries):
    # Most frequent first; ties in the source's order, so reruns give the same files.
    return sorted(entries, key=lambda e: -e[1])


def make_segment(words, full):
    chosen = take(by_frequency(w for w in words if all(is_han(c) for c in w[0])), SAMPLE["segment"], full)
    return ["%s %d %s" % w for w in chosen], chosen


def friso_words(name):
    result = []
    for line in read_lines(os.path.join(FRISO_DIR, name)):
        word = line.split("/")[0].strip()
        if word:
            result.append(word)
    return result


def make_entity(words, full):
    entities = by_frequency(w for w in words if w[2] in ENTITY_TAGS)
    seen = set()
    lines = []
    limit = None if full else SAMPLE["entity"]
    # Friso's place and company lists first (they are short and carry no
    # frequency: 1 stands for "listed"), then jieba's most frequent entities.
    for word, tag in [(w, "ns") for w in friso_words("lex-cn-place.lex")] + \
                     [(w, "nt") for w in friso_words("lex-company.lex")]:
        if word not in seen:
            seen.add(word)
            lines.append("%s 1 %s" % (word, tag))
    if not full:
        lines = lines[: limit // 2]
        seen = {line.split(" ")[0] for line in lines}
    for word, freq, tag in entities:
        if limit is not None and len(lines) >= limit:
            break
        if word not in seen:
            seen.add(word)
            lines.append("%s %d %s" % (word, freq, tag))
    return lines


def make_single(full):
    chars = []
    for line in read_lines(os.path.join(FRISO_DIR, "lex-chars.lex")):
        parts = line.split("/")
        if len(parts) >= 3 and len(parts[0]) == 1 and parts[2].strip().isdigit():
            chars.append((parts[0], int(parts[2].strip())))
    chosen = take(by_frequency(chars), SAMPLE["single"], full)
    return ["%s %d" % c for c in chosen]


def make_cbigram(segment, full):
    counts = {}
    for word, freq, _ in segment:
        for i in range(len(word) - 1):
            pair = word[i:i + 2]
            counts[pair] = counts.get(pair, 0) + freq
    chosen = take(sorted(counts.items(), key=lambda e: -e[1]), SAMPLE["cbigram"], full)
    return ["%s %d" % c for c in chosen]


def make_wbigram(segment, full):
    freq = {w: f for w, f, _ in segment}
    pairs = []
    for word, wfreq, _ in segment:
        if len(word) < 3:
            continue
        best = None
        for i in range(1, len(word)):
            left, right = word[:i], word[i:]
            if left in freq and right in freq and max(len(left), len(right)) >= 2:
                score = min(freq[left], freq[right])
                if best is None or score > best[0]:
                    best = (score, left, right)
        if best:
            pairs.append((best[1], best[2], wfreq))
    chosen = take(sorted(pairs, key=lambda e: -e[2]), SAMPLE["wbigram"], full)
    return ["%s %s %d" % p for p in chosen]


def make_ambiguous(segment, full):
    # Two-character words AB and BC whose overlap makes the span ABC
    # ambiguous; for each AB the most frequent BC.
    two = [(w, f) for w, f, _ in segment if len(w) == 2]
    by_first = {}
    for word, f in two:
        by_first.setdefault(word[0], []).append((word, f))
    for group in by_first.values():
        group.sort(key=lambda e: -e[1])
    spans = []
    for word, f in two:
        for other, g in by_first.get(word[1], []):
            if other != word:
                spans.append((word + other[1], word, other, min(f, g)))
                break
    chosen = take(sorted(spans, key=lambda e: -e[3]), SAMPLE["ambiguous"], full)
    return ["%s %s %s" % s[:3] for s in chosen]


# ---- stop words and synonyms (npm) ---------------------------------------------

def make_stop(npm_dirs):
    with open(os.path.join(npm_dirs["stopwords-iso"], "stopwords-iso.json"), encoding="utf-8") as f:
        words = json.load(f)["zh"]
    seen = set()
    lines = []
    for word in words:
        word = word.strip()
        if word and word not in seen:
            seen.add(word)
            lines.append(word)
    return lines


def make_synonym(npm_dirs, full):
    groups = {}
    order = []
    for line in read_lines(os.path.join(npm_dirs["segment"], "dicts", "synonym.txt")):
        words = [w.strip() for w in line.split(",") if w.strip()]
        if len(words) < 2:
            continue
        if words[0] not in groups:
            groups[words[0]] = []
            order.append(words[0])
        for w in words[1:]:
            if w not in groups[words[0]]:
                groups[words[0]].append(w)
    chosen = take(order, SAMPLE["synonym"], full)
    # A synonym database has one column: the group is one field, its terms
    # separated by ";".
    return [";".join([main] + groups[main]) for main in chosen]


# ---- WordNet -------------------------------------------------------------------

def load_wordnet():
    """synsets: {(pos, offset): (lemmas, pointers, gloss)}"""
    synsets = {}
    for pos, name in (("n", "noun"), ("v", "verb"), ("a", "adj"), ("r", "adv")):
        with open(os.path.join(WORDNET_DIR, "data." + name), encoding="latin-1") as f:
            for line in f:
                if line.startswith("  "):
                    continue
                head, _, gloss = line.partition(" | ")
                fields = head.split()
                offset, ss_type = fields[0], fields[2]
                count = int(fields[3], 16)
                lemmas = [fields[4 + 2 * i].replace("_", " ") for i in range(count)]
                lemmas = [l.split("(")[0] for l in lemmas]
                p = 4 + 2 * count
                pcount = int(fields[p])
                pointers = []
                for i in range(pcount):
                    sym, target, tpos, st = fields[p + 1 + 4 * i: p + 5 + 4 * i]
                    tpos = "a" if tpos == "s" else tpos
                    pointers.append((sym, (tpos, target), int(st[:2], 16), int(st[2:], 16)))
                key = (pos, offset)
                if ss_type == "s":
                    key = ("a", offset)
                synsets[key] = (lemmas, pointers, gloss.strip())
    return synsets


def lemmas_of(synsets, ptrs, symbols):
    result = []
    for sym, target, _, _ in ptrs:
        if sym in symbols and target in synsets:
            first = synsets[target][0][0]
            if first not in result:
                result.append(first)
    return result


def make_thesaurus(synsets, full):
    # Fields, in the order of the thesaurus columns: term, lead-in term,
    # broader, narrower, part-of, used for, category code, abbreviation,
    # abbreviation of, related, history note, scope note, level, parent
    # category code. Lists inside a field are separated by ";".
    records = []
    for (pos, offset), (lemmas, ptrs, gloss) in synsets.items():
        if pos != "n":
            continue
        broader = lemmas_of(synsets, ptrs, ("@", "@i"))
        narrower = lemmas_of(synsets, ptrs, ("~", "~i"))
        if not broader and not narrower:
            continue
        part_of = lemmas_of(synsets, ptrs, ("#p", "#m", "#s"))
        related = lemmas_of(synsets, ptrs, ("=", "+", ";c", "-c"))
        scope = gloss.split(";")[0].strip().replace("\t", " ")
        fields = [lemmas[0], "", ";".join(broader[:4]), ";".join(narrower[:4]), ";".join(part_of[:4]),
                  ";".join(lemmas[1:5]), "n" + offset, "", "", ";".join(related[:4]), "",
                  scope[:80], "", ""]
        records.append((len(narrower) + len(broader), fields))
    records.sort(key=lambda r: -r[0])
    chosen = take(records, SAMPLE["thesaurus"], full)
    return ["\t".join(r[1]) for r in chosen]


def make_antonym(synsets, full):
    groups = {}
    order = []
    for (pos, offset), (lemmas, ptrs, _) in synsets.items():
        for sym, target, source_no, target_no in ptrs:
            if sym != "!" or target not in synsets:
                continue
            word = lemmas[source_no - 1] if 0 < source_no <= len(lemmas) else lemmas[0]
            tlemmas = synsets[target][0]
            other = tlemmas[target_no - 1] if 0 < target_no <= len(tlemmas) else tlemmas[0]
            if word not in groups:
                groups[word] = []
                order.append(word)
            if other not in groups[word]:
                groups[word].append(other)
    order.sort()
    chosen = take(order, SAMPLE["antonym"], full)
    # One column, as in synonym.dic: the word, then its antonyms, by ";".
    return [";".join([word] + groups[word]) for word in chosen]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--full", action="store_true", help="write every entry (benchmark size)")
    parser.add_argument("--install", action="store_true", help="apt-get install missing Debian packages")
    parser.add_argument("output", nargs="?",
                        default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "package"))
    args = parser.parse_args()

    ensure_debian_packages(args.install)
    os.makedirs(args.output, exist_ok=True)
    with tempfile.TemporaryDirectory() as workdir:
        npm_dirs = unpack_npm(workdir)
        words = load_jieba()
        segment_lines, segment = make_segment(words, args.full)
        base = by_frequency(w for w in words if all(is_han(c) for c in w[0]))
        if not args.full:
            base = base[:DERIVED_BASE]
        # The derived lexicons come from jieba's word list, the source of
        # segment.dic, so that every pair and span they name is one of its words.
        files = {
            "segment.dic": segment_lines,
            "stop.dic": make_stop(npm_dirs),
            "entity.dic": make_entity(words, args.full),
            "single.dic": make_single(args.full),
            "cbigram.dic": make_cbigram(base, args.full),
            "wbigram.dic": make_wbigram(base, args.full),
            "ambiguous.dic": make_ambiguous(base, args.full),
            "synonym.dic": make_synonym(npm_dirs, args.full),
        }
        synsets = load_wordnet()
        files["thesaurus.dic"] = make_thesaurus(synsets, args.full)
        files["antonym.dic"] = make_antonym(synsets, args.full)
    for name, lines in files.items():
        write_lines(os.path.join(args.output, name), lines)
        print("%-14s %7d lines" % (name, len(lines)))


if __name__ == "__main__":
    main()
