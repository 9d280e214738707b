#!/usr/bin/env bash
# Benchmarks of the upgrade's own work on large generated data, each figure
# next to a reference measured in the same run on the same files.
#
#   bash bench/run.sh [BUILD_DIR [WORK_DIR]]
#
# BUILD_DIR (default build-bench) is configured with -DZEL_BENCH=ON and the
# programs upgrade, zelhome and zelbench are built in it (at most -j2).
# WORK_DIR (default a new temporary directory, removed at the end) takes a few
# hundred megabytes of generated data. BENCH_REPEAT (default 3) runs of every
# timed piece are made and the fastest is kept, since other work on the
# machine only ever adds time. Linux only.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
repeat=${BENCH_REPEAT:-3}
if [ $# -ge 2 ]; then
  work=$2
  mkdir -p "$work"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi

# BENCH_SKIP_BUILD=1 takes the programs as they are in BUILD_DIR (zelbench,
# zelhome, package/upgrade beside its package files), for example a copy kept
# to compare a change with.
if [ "${BENCH_SKIP_BUILD:-0}" != 1 ]; then
  cmake -S "$root" -B "$build" -DZEL_BENCH=ON >/dev/null
  cmake --build "$build" --target upgrade zelhome zelbench -j2 >/dev/null
fi
zelhome=$build/zelhome
zelbench=$build/zelbench
upgrade=$build/package/upgrade
gen="python3 $root/bench/make_data.py"
export ZEL_SERVICE_DIR=$work/services
mkdir -p "$ZEL_SERVICE_DIR"

failures=0
now() { date +%s.%N; }
# Wall seconds of one run of a command (its output discarded).
seconds() {
  local start end
  start=$(now)
  "$@" >/dev/null
  end=$(now)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", b - a }'
}
min() { printf '%s\n' "$@" | sort -g | head -1; }
# "seconds peak-bytes status" of one run of a command (output discarded,
# no input): wall time, and the peak resident memory of the process.
measure() {
  python3 -c '
import resource, subprocess, sys, time
start = time.monotonic()
status = subprocess.run(sys.argv[1:], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL).returncode
print("%.6f %d %d" % (time.monotonic() - start, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss * 1024, status))
' "$@"
}
# The value of one figure ("name seconds cpu") in zelbench's output.
figure() { awk -v n="$1" '$1 == n { print $2 }' <<<"$2"; }
# check LABEL VALUE REFERENCE LIMIT UNIT: VALUE <= LIMIT x REFERENCE?
check() {
  local label=$1 value=$2 reference=$3 limit=$4 unit=$5
  local verdict
  verdict=$(awk -v v="$value" -v r="$reference" -v l="$limit" \
    'BEGIN { ratio = (r > 0) ? v / r : 0; printf "%.2fx (target <= %sx) %s", ratio, l, (v <= l * r) ? "met" : "MISSED" }')
  printf '%-44s %12s %-3s ref %12s %-3s %s\n' "$label" "$value" "$unit" "$reference" "$unit" "$verdict"
  case $verdict in *MISSED) failures=$((failures + 1)) ;; esac
}
# absolute LABEL VALUE LIMIT UNIT: VALUE <= LIMIT?
absolute() {
  local label=$1 value=$2 limit=$3 unit=$4 verdict
  verdict=$(awk -v v="$value" -v l="$limit" 'BEGIN { print (v <= l) ? "met" : "MISSED" }')
  printf '%-44s %12s %-3s (target <= %s %s) %s\n' "$label" "$value" "$unit" "$limit" "$unit" "$verdict"
  case $verdict in MISSED) failures=$((failures + 1)) ;; esac
}
# A home whose VIEW.DIC holds $1 records of the oldest layout
# ($work/view-home), a copy to put it back from ($work/view-pristine), and
# the file's size in view_size.
make_view_home() {
  rm -rf "$work/view-home" "$work/view-pristine"
  $zelhome new "$work/view-home" >/dev/null
  $gen view "$work/view-home/system/VIEW.DIC" "$1"
  view_size=$(stat -c %s "$work/view-home/system/VIEW.DIC")
  cp -a "$work/view-home" "$work/view-pristine"
}
info() { printf '%-44s %12s %s\n' "$1" "$2" "$3"; }
# BENCH_SECTIONS (default all) names the sections to run: view journal
# dictionary scale lexicons thesaurus merges oversized sample.
want() { [[ " ${BENCH_SECTIONS:-all} " == *" all "* || " ${BENCH_SECTIONS:-all} " == *" $1 "* ]]; }
megabytes() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1048576 }'; }
kilobytes() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1024 }'; }

echo "machine: $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)," \
  "$(free -h | awk '/^Mem:/ { print $2 }') memory; $(date -u '+%Y-%m-%d %H:%M UTC'); best of $repeat"
echo
# The lexicons and the whole upgrade work on the default sample home.
rm -rf "$work/default-home" && $zelhome new "$work/default-home" >/dev/null

# ---- VIEW.DIC of 1,000,000 records --------------------------------------
if want view; then
  make_view_home 1000000
  times=() refs=() peaks=()
  for _ in $(seq "$repeat"); do
    rm -rf "$work/view-home" && cp -a "$work/view-pristine" "$work/view-home"
    refs+=("$(seconds cp "$work/view-pristine/system/VIEW.DIC" "$work/view-copy")")
    rm -f "$work/view-copy"
    out=$($zelbench view "$work/view-home")
    times+=("$(figure view_convert "$out")")
    peaks+=("$(figure peak_rss_bytes "$out")")
  done
  echo "VIEW.DIC: $view_size bytes, 1,000,000 records"
  check "VIEW.DIC conversion (s) vs cp" "$(min "${times[@]}")" "$(min "${refs[@]}")" 2 s
  check "VIEW.DIC peak memory (MB) vs file size" \
    "$(awk -v b="$(min "${peaks[@]}")" 'BEGIN { printf "%.1f", b / 1048576 }')" \
    "$(awk -v b="$view_size" 'BEGIN { printf "%.1f", b / 1048576 }')" 2 MB
  rm -rf "$work/view-home" "$work/view-pristine"
  echo

fi
# ---- VIEW.DIC of 3,000,000 records, as the upgrade converts it ---------
# Under the file journal of the dictionary phase, which is then flushed and
# discarded; against a copy of the file made durable (cp, then sync of the
# copy), and against what the conversion must write: the file, once.
if want journal; then
  make_view_home 3000000
  times=() refs=() written=()
  for _ in $(seq "$repeat"); do
    rm -rf "$work/view-home" && cp -a "$work/view-pristine" "$work/view-home" && sync
    refs+=("$(seconds sh -c 'cp "$1" "$2" && sync "$2"' copy "$work/view-pristine/system/VIEW.DIC" "$work/view-copy")")
    rm -f "$work/view-copy" && sync
    out=$($zelbench view-journal "$work/view-home")
    times+=("$(figure view_journal "$out")")
    written+=("$(figure view_journal_written_bytes "$out")")
  done
  echo "VIEW.DIC: $view_size bytes, 3,000,000 records, converted under the journal"
  check "VIEW.DIC 3M, journalled (s) vs durable cp" "$(min "${times[@]}")" "$(min "${refs[@]}")" 1.5 s
  check "  bytes written (MB) vs the file" "$(megabytes "$(min "${written[@]}")")" "$(megabytes "$view_size")" 1.05 MB
  rm -rf "$work/view-home" "$work/view-pristine"
  echo
fi

# ---- The nine dictionary files with 100,000 records --------------------
if want dictionary; then
  # A home's records name its own folders: it is made where it is upgraded,
  # and put back there from a copy before each run.
  $zelhome new "$work/dict-home" >/dev/null
  $gen dictionary "$work/dict-home" 25000 50000 25000
  cp -a "$work/dict-home" "$work/dict-pristine"
  dict_bytes=$(cat "$work/dict-pristine"/system/*.DIC | wc -c)
  echo "dictionary: the default home plus 25,000 databases, 50,000 columns, 25,000 formats;" \
    "nine files $dict_bytes bytes"
  declare -A best=()
  for _ in $(seq "$repeat"); do
    rm -rf "$work/dict-home" && cp -a "$work/dict-pristine" "$work/dict-home"
    out=$($zelbench dictionary "$work/dict-home")
    for name in shell_open journal_open dict_files relation_columns remove_sdibook data_formats system_config dictionary_steps journal_discard; do
      value=$(figure "$name" "$out")
      if [ -z "${best[$name]:-}" ] || awk -v a="$value" -v b="${best[$name]}" 'BEGIN { exit !(a < b) }'; then
        best[$name]=$value
      fi
    done
  done
  dict_copy=()
  for _ in $(seq "$repeat"); do dict_copy+=("$(seconds cp -a "$work/dict-pristine/system" "$work/dict-copy")"); rm -rf "$work/dict-copy"; done
  format_copy=()
  for _ in $(seq "$repeat"); do
    format_copy+=("$(seconds cp "$work/dict-pristine/system/FORMAT.DIC" "$work/format-copy")")
    rm -f "$work/format-copy"
  done
  info "reference: cp -a of the system directory (s)" "$(min "${dict_copy[@]}")" ""
  for name in shell_open journal_open dict_files relation_columns remove_sdibook data_formats system_config; do
    info "  $name (s)" "${best[$name]}" ""
  done
  info "  dictionary steps with the shell open (s)" "${best[dictionary_steps]}" ""
  info "  journal discarded, its files flushed (s)" "${best[journal_discard]}" ""
  check "UpdateDataFormats, 25,000 formats (s) vs cp of FORMAT.DIC" "${best[data_formats]}" "$(min "${format_copy[@]}")" 10 s
  # The whole upgrade of that home, lexicons untouched (NEW:0), no pauses.
  whole=()
  for _ in $(seq "$repeat"); do
    rm -rf "$work/dict-home" && cp -a "$work/dict-pristine" "$work/dict-home"
    whole+=("$(ZEL_SLEEP_SCALE=0 seconds "$upgrade" "DIR:$work/dict-home" NEW:0 CS:0 OLD:N </dev/null)")
  done
  info "  whole upgrade of that home, NEW:0, no pauses (s)" "$(min "${whole[@]}")" ""
  rm -rf "$work/dict-home" "$work/dict-pristine"
  echo

fi
# ---- The dictionary store at scale --------------------------------------
# Homes of 25,000 and 100,000 user databases of 4 columns each (indexed with
# SEGMENT_GB and STOP_GB, as the typical home's are), upgraded whole with
# NEW:1 CS:3 OLD:N, and again with DIC:RIX, which refills those lexicons and
# so removes the index of every one of the databases. Next to each, in the
# same run, a copy of the same nine dictionary files. Every home is written
# out (sync) before it is timed, so neither run pays for the copy that made
# it.
if want scale; then
  declare -A scale=()
  for databases in 25000 100000; do
    rm -rf "$work/scale-home" "$work/scale-pristine"
    $zelhome new "$work/scale-home" >/dev/null
    $gen dictionary "$work/scale-home" "$databases" $((4 * databases)) 0
    cp -a "$work/scale-home" "$work/scale-pristine"
    scale[bytes_$databases]=$(cat "$work/scale-pristine"/system/*.DIC | wc -c)
    copies=() news=() rixes=() peaks=()
    for _ in $(seq "$repeat"); do
      rm -rf "$work/scale-copy" && mkdir "$work/scale-copy" && sync
      copies+=("$(seconds cp "$work/scale-pristine"/system/*.DIC "$work/scale-copy/")")
      rm -rf "$work/scale-copy"
      for mode in new rix; do
        rm -rf "$work/scale-home" "$ZEL_SERVICE_DIR" && cp -a "$work/scale-pristine" "$work/scale-home"
        mkdir -p "$ZEL_SERVICE_DIR" && sync
        if [ "$mode" = new ]; then
          read -r time peak status < <(ZEL_SLEEP_SCALE=0 measure "$upgrade" "DIR:$work/scale-home" NEW:1 CS:3 OLD:N)
          news+=("$time") peaks+=("$peak")
        else
          read -r time peak status < <(ZEL_SLEEP_SCALE=0 measure "$upgrade" "DIR:$work/scale-home" NEW:1 CS:3 OLD:N DIC:RIX)
          rixes+=("$time")
        fi
        if [ "$status" != 0 ]; then
          echo "the $mode upgrade of $databases databases ended with status $status"
          failures=$((failures + 1))
        fi
      done
    done
    scale[copy_$databases]=$(min "${copies[@]}")
    scale[new_$databases]=$(min "${news[@]}")
    scale[rix_$databases]=$(min "${rixes[@]}")
    scale[peak_$databases]=$(min "${peaks[@]}")
    # What the journal wrote for NEW:1, left as the run leaves it just
    # before the journal is flushed and goes, against what the run changed.
    if [ "$databases" = 100000 ]; then
      rm -rf "$work/scale-home" "$ZEL_SERVICE_DIR" && cp -a "$work/scale-pristine" "$work/scale-home"
      mkdir -p "$ZEL_SERVICE_DIR" && sync
      ZEL_FAULT=Z_FlushFileJournal ZEL_FAULT_END=kill ZEL_SLEEP_SCALE=0 \
        "$upgrade" "DIR:$work/scale-home" NEW:1 CS:3 OLD:N </dev/null >/dev/null 2>&1 || true
      read -r _ journal_bytes _ changed_bytes _ changed_pages < <(python3 "$root/bench/journal_cost.py" \
        "$work/scale-pristine" "$work/scale-home" "$work/scale-home/system/UPGRADE.RUN/JOURNAL")
    fi
    rm -rf "$work/scale-pristine" "$work/scale-home"
    echo "home of $databases user databases of 4 columns: nine dictionary files ${scale[bytes_$databases]} bytes"
    info "  reference: cp of the nine files (s)" "${scale[copy_$databases]}" ""
    info "  upgrade NEW:1 CS:3 OLD:N (s)" "${scale[new_$databases]}" \
      "peak $(awk -v b="${scale[peak_$databases]}" 'BEGIN { printf "%.1f", b / 1048576 }') MB"
    info "  upgrade NEW:1 CS:3 OLD:N DIC:RIX (s)" "${scale[rix_$databases]}" ""
  done
  # Growth exponent from 25,000 to 100,000 databases: log(t2 / t1) / log(4).
  exponent() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", log(b / a) / log(4) }'; }
  absolute "growth exponent, NEW:1, 25k to 100k databases" "$(exponent "${scale[new_25000]}" "${scale[new_100000]}")" 1.1 ""
  absolute "growth exponent, DIC:RIX, 25k to 100k databases" "$(exponent "${scale[rix_25000]}" "${scale[rix_100000]}")" 1.1 ""
  info "  (the copy's own exponent)" "$(exponent "${scale[copy_25000]}" "${scale[copy_100000]}")" ""
  check "NEW:1, 100k databases (s) vs cp of the files" "${scale[new_100000]}" "${scale[copy_100000]}" 3 s
  info "  bytes it changes in place" "$changed_bytes" "($changed_pages pages of 4 KiB)"
  check "  journal (KB) vs 2x changed + a page each" "$(kilobytes "$journal_bytes")" \
    "$(kilobytes "$((2 * changed_bytes + 4096 * changed_pages))")" 1 KB
  check "NEW:1, 100k databases, peak memory (MB) vs files" \
    "$(awk -v b="${scale[peak_100000]}" 'BEGIN { printf "%.1f", b / 1048576 }')" \
    "$(awk -v b="${scale[bytes_100000]}" 'BEGIN { printf "%.1f", b / 1048576 }')" 2 MB
  echo

fi
# ---- Lexicons ------------------------------------------------------------
if want lexicons; then
  lexicon_home=$work/default-home
  $gen segment "$work/segment.dic" 1000000
  $gen segment "$work/segment-half.dic" 500000
  echo "segment.dic: $(stat -c %s "$work/segment.dic") bytes, 1,000,000 words"
  times=() refs=() halves=()
  for _ in $(seq "$repeat"); do
    refs+=("$(LC_ALL=C seconds sort -u "$work/segment.dic" -o "$work/sorted")")
    times+=("$(figure lexicon_build "$($zelbench lexicon "$lexicon_home" "$work/segment.dic" 1)")")
    halves+=("$(figure lexicon_build "$($zelbench lexicon "$lexicon_home" "$work/segment-half.dic" 1)")")
  done
  check "segment lexicon build (s) vs sort -u" "$(min "${times[@]}")" "$(min "${refs[@]}")" 1 s
  # A lexicon is sorted, so twice the words cost a little more than twice the
  # time; shown, not a target.
  info "  the same with 500k words (s)" "$(min "${halves[@]}")" \
    "($(awk -v a="$(min "${times[@]}")" -v b="$(min "${halves[@]}")" 'BEGIN { printf "%.2f", a / b }')x for twice the words)"
  for kind in ambiguous:4444 wbigram:5555 cbigram:6666 single:7777; do
    name=${kind%%:*} number=${kind##*:}
    $gen "$name" "$work/$name.dic" 1000000
    times=() refs=()
    for _ in $(seq "$repeat"); do
      refs+=("$(LC_ALL=C seconds sort -u "$work/$name.dic" -o "$work/sorted")")
      times+=("$(figure asslex_build "$($zelbench asslex "$lexicon_home" "$number" "$work/$name.dic")")")
    done
    check "$name.dic 1M lines (s) vs sort -u" "$(min "${times[@]}")" "$(min "${refs[@]}")" 1 s
    rm -f "$work/$name.dic"
  done
  rm -f "$work/sorted" "$work/segment.dic" "$work/segment-half.dic"
  echo

fi
# ---- Thesaurus -----------------------------------------------------------
if want thesaurus; then
  $gen thesaurus "$work/thesaurus.dic" 200000
  $gen thesaurus "$work/thesaurus-half.dic" 100000
  echo "thesaurus.dic: $(stat -c %s "$work/thesaurus.dic") bytes, 200,000 records"
  loads=() halves=() optimizes=() half_optimizes=() copies=()
  for _ in $(seq "$repeat"); do
    copies+=("$(seconds cp "$work/thesaurus.dic" "$work/thesaurus-copy")")
    out=$($zelbench thesaurus "$lexicon_home" "$work/thesaurus.dic" 7)
    loads+=("$(figure thesaurus_load "$out")") optimizes+=("$(figure thesaurus_optimize "$out")")
    out=$($zelbench thesaurus "$lexicon_home" "$work/thesaurus-half.dic" 7)
    halves+=("$(figure thesaurus_load "$out")") half_optimizes+=("$(figure thesaurus_optimize "$out")")
  done
  info "reference: cp of thesaurus.dic (s)" "$(min "${copies[@]}")" ""
  check "thesaurus load 200k vs 100k records (s)" "$(min "${loads[@]}")" "$(min "${halves[@]}")" 2.2 s
  check "thesaurus optimize 200k vs 100k records (s)" "$(min "${optimizes[@]}")" "$(min "${half_optimizes[@]}")" 2.2 s
  rm -f "$work/thesaurus.dic" "$work/thesaurus-half.dic" "$work/thesaurus-copy"
  echo

fi
# ---- PROFILE.INI and LOG.INI merges ---------------------------------------
if want merges; then
  for what in profile:PROFILE.INI log:LOG.INI; do
    kind=${what%%:*} file=${what##*:}
    $gen "$kind" "$root/package/$file" "$work/$kind-full" 10485760
    $gen "$kind" "$root/package/$file" "$work/$kind-half" 5242880
    full=() half=() copies=()
    for _ in $(seq "$repeat"); do
      copies+=("$(seconds cp "$work/$kind-full/system/$file" "$work/copy")")
      for size in full half; do
        dir=$work/$kind-$size
        cp "$dir/system/$file" "$dir/system/$file.pristine"
        value=$(figure "${kind}_merge" "$($zelbench "$kind" "$dir/system/" "$dir/template/")")
        mv "$dir/system/$file.pristine" "$dir/system/$file"
        rm -f "$dir/system/$file.BAK"
        if [ "$size" = full ]; then full+=("$value"); else half+=("$value"); fi
      done
    done
    info "reference: cp of the 10 MB $file (s)" "$(min "${copies[@]}")" ""
    check "$file merge 10 MB vs 5 MB (s)" "$(min "${full[@]}")" "$(min "${half[@]}")" 2.2 s
    # The line reader must not ask the system where each line starts: the
    # positioning calls (lseek) of one merge, per line of the two files read.
    if command -v strace >/dev/null; then
      dir=$work/$kind-full
      cp "$dir/system/$file" "$dir/system/$file.pristine"
      seeks=$(strace -f -c -e trace=lseek -o "$work/strace.txt" $zelbench "$kind" "$dir/system/" "$dir/template/" >/dev/null &&
        awk '$NF == "lseek" { print $4 }' "$work/strace.txt")
      mv "$dir/system/$file.pristine" "$dir/system/$file"
      rm -f "$dir/system/$file.BAK" "$work/strace.txt"
      read_lines=$(cat "$dir/system/$file" "$dir/template/$file" | wc -l)
      absolute "  $file merge: lseek calls per line read" \
        "$(awk -v s="${seeks:-0}" -v l="$read_lines" 'BEGIN { printf "%.4f", s / l }')" 0.01 ""
    fi
    rm -rf "$work/$kind-full" "$work/$kind-half" "$work/copy"
  done
  echo

fi
# ---- A configuration file far larger than any real one --------------------
# A PROFILE.INI of 200 MB (sparse: no byte is written) is refused before the
# first change by its size alone, never read: the whole run, from its start
# to its status 1, against a limit of two seconds.
if want oversized; then
  times=()
  for _ in $(seq "$repeat"); do
    rm -rf "$work/oversized-home" && $zelhome new "$work/oversized-home" >/dev/null
    truncate -s 200M "$work/oversized-home/system/PROFILE.INI"
    read -r value _ status < <(measure "$upgrade" "DIR:$work/oversized-home" NEW:1 CS:1 OLD:N)
    if [ "$status" != 1 ]; then
      echo "a 200 MB PROFILE.INI was not refused (status $status)"
      failures=$((failures + 1))
    fi
    times+=("$value")
  done
  absolute "200 MB PROFILE.INI refused (s)" "$(min "${times[@]}")" 2 s
  rm -rf "$work/oversized-home"
  echo

fi
# ---- Whole upgrade of the default sample home -----------------------------
if want sample; then
  # Each run on a home made anew: a copied home's records name the folders
  # of the home it was copied from.
  paused=() unpaused=() lines=()
  for _ in $(seq "$repeat"); do
    for mode in unpaused paused; do
      rm -rf "$work/sample-home" && $zelhome new "$work/sample-home" >/dev/null
      rm -rf "$ZEL_SERVICE_DIR" && mkdir -p "$ZEL_SERVICE_DIR"
      start=$(now)
      if [ "$mode" = unpaused ]; then
        ZEL_SLEEP_SCALE=0 "$upgrade" "DIR:$work/sample-home" NEW:1 CS:1 OLD:N </dev/null >"$work/upgrade.out" || true
      else
        "$upgrade" "DIR:$work/sample-home" NEW:1 CS:1 OLD:N </dev/null >"$work/upgrade.out" || true
      fi
      value=$(awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.6f", b - a }')
      if [ "$mode" = unpaused ]; then unpaused+=("$value"); else paused+=("$value"); fi
    done
    # The copy progress lines ("Copying: NAME", and the blank one that ends
    # them) are the ones followed by the pause. Written to a file, the
    # progress comes as plain lines, without the blank one, whose pause is
    # made all the same.
    lines+=("$(python3 -c '
import re, sys
text = open(sys.argv[1], "rb").read()
copies = len(re.findall(rb"(?:^|\r)Copying: ", text, re.M))
blanks = len(re.findall(rb"\r {64}", text)) if b"\r" in text else min(copies, 1)
print(copies + blanks)' "$work/upgrade.out")")
  done
  pause=$(awk -v n="$(min "${lines[@]}")" 'BEGIN { printf "%.3f", n * 0.1 }')
  info "whole upgrade with pauses (s)" "$(min "${paused[@]}")" ""
  info "  progress lines x 100 ms (s)" "$pause" "($(min "${lines[@]}") lines)"
  info "  paused run minus unpaused run (s)" \
    "$(awk -v a="$(min "${paused[@]}")" -v b="$(min "${unpaused[@]}")" 'BEGIN { printf "%.3f", a - b }')" ""
  absolute "  with pauses, beyond the progress pauses (s)" \
    "$(awk -v a="$(min "${paused[@]}")" -v p="$pause" 'BEGIN { printf "%.3f", a - p }')" 1 s
  absolute "  without pauses, ZEL_SLEEP_SCALE=0 (s)" "$(min "${unpaused[@]}")" 1 s
  # The flushes of that upgrade, and the fewest it could make: one for the
  # bytes of each rename, one for each file changed where it lies, one for
  # each folder whose names changed.
  if command -v strace >/dev/null; then
    rm -rf "$work/sample-home" && $zelhome new "$work/sample-home" >/dev/null
    rm -rf "$ZEL_SERVICE_DIR" && mkdir -p "$ZEL_SERVICE_DIR"
    ZEL_SLEEP_SCALE=0 strace -f -y -o "$work/strace.txt" \
      -e trace=openat,write,pwrite64,fsync,fdatasync,renameat,renameat2,unlinkat,mkdirat \
      "$upgrade" "DIR:$work/sample-home" NEW:1 CS:1 OLD:N </dev/null >/dev/null || true
    read -r _ fsyncs _ renames _ inplace _ folders _ floor < <(python3 "$root/bench/fsync_floor.py" "$work/strace.txt")
    info "  renames, files changed in place, folders" "$renames $inplace $folders" "(at least $floor flushes)"
    absolute "  fsync calls of that upgrade" "$fsyncs" 60 ""
    rm -f "$work/strace.txt"
  fi
  echo
fi
echo "targets missed: $failures"
