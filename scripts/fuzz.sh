#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz and runs each one.
#   scripts/fuzz.sh             CI mode: a fixed number of runs per target
#                               (20000 for the command line, 2000 for the
#                               targets that write files, about a minute each)
#   scripts/fuzz.sh HOURS       each target for HOURS hours (e.g. 2 or 0.5)
#   FUZZ_RUNS=N scripts/fuzz.sh CI mode with N runs per target
# Findings (crash-*, leak-*, timeout-*) are written to build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=2

# clang and its libFuzzer runtime, when missing.
want=(clang)
runtime=$(ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a 2>/dev/null | head -n1 || true)
[ -n "$runtime" ] || want+=(libclang-rt-14-dev)
missing=()
for package in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  echo "Installing: ${missing[*]}"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}" >/dev/null
fi

echo "== Fuzz targets (clang, ASan + UBSan)"
# ZEL_WERROR=ON (as scripts/test.sh sets it) makes the warnings errors.
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
      -DZEL_FUZZ=ON -DZEL_BUILD_TESTS=OFF -DZEL_WERROR="${ZEL_WERROR:-OFF}" >/dev/null
cmake --build build-fuzz --target fuzzers -j"$jobs"

targets=(fuzz_find_argument fuzz_profile_reader fuzz_log_config fuzz_dict_header fuzz_shell_records)
findings="$PWD/build-fuzz/findings"
mkdir -p "$findings"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

for target in "${targets[@]}"; do
  if [ $# -ge 1 ]; then
    seconds=$(awk -v h="$1" 'BEGIN { printf "%d", h * 3600 }')
    limit=(-max_total_time="$seconds")
  elif [ "$target" = fuzz_find_argument ]; then
    limit=(-runs="${FUZZ_RUNS:-20000}")
  else
    # Each run writes and renames files (the merge and header steps sync
    # them), a few hundred runs a second at best.
    limit=(-runs="${FUZZ_RUNS:-1000}")
  fi
  echo "-- $target ${limit[*]}"
  # The corpus grows in a working copy; the seeds in fuzz/corpus stay as they are.
  work="build-fuzz/corpus/$target"
  mkdir -p "$work"
  log="build-fuzz/$target.log"
  if ! build-fuzz/fuzz/"$target" "${limit[@]}" -max_len=4096 -timeout=10 \
       -artifact_prefix="$findings/$target-" "$work" "fuzz/corpus/$target" >"$log" 2>&1; then
    tail -n 80 "$log"
    echo "$target found a fault; the input is in $findings" >&2
    exit 1
  fi
  grep -E "^(Done|#[0-9]+ +DONE)" "$log" | tail -n 1 || tail -n 1 "$log"
done
echo "== Fuzzing done; nothing found"
