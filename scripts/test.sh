#!/usr/bin/env bash
# Installs what the tests need, builds natively and for Windows, and runs
# every test: natively with CTest, and the Windows test programs under Wine.
# Every build here treats the project's warnings as errors (a plain build
# only shows them). The native tests run from a GCC Release build (the
# optimisation that finds most false warnings), the Windows ones from a
# RelWithDebInfo build, the sanitizer run from a clang Debug build; the
# Windows release archive is made and an upgrade run from it.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
export ZEL_WERROR=ON

scripts/install-packages.sh all

# Every replacement the upgrade makes is flushed to the disk, and the sweeps
# run it thousands of times: their scratch directories go to memory when the
# machine has a tmpfs.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  TMPDIR=$(mktemp -d /dev/shm/zel-tests.XXXXXX)
  export TMPDIR
  trap 'rm -rf "$TMPDIR"' EXIT
fi

# Each stage says when it starts, so a slow one shows in the log.
stage() { echo "== $1 (at $((SECONDS / 60)) min $((SECONDS % 60)) s)"; }

stage "Native build (GCC, Release) and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DZEL_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

stage "The example Ansible playbook against this machine (check, run, run again)"
scripts/ansible-check.sh build

stage "Windows build (MinGW) and tests under Wine"
# The dictionary steps' in-process tests work on records alone, and the
# lexicons' end-to-end table repeats what the whole upgrade's does there:
# the native build runs both, the Windows one neither builds nor runs them.
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEL_WERROR=ON \
      -DZEL_TESTS_LEFT_OUT="dictionary_steps_test|lexicon_e2e_test" >/dev/null
cmake --build build-windows -j"$jobs"
export WINEPREFIX="$PWD/build-windows/wine" WINEDEBUG=-all
# Making a prefix starts a second service manager beside the first, and
# both keep answering while the Wine server lives: services made through
# one are then missing in the other. Let the server end before testing.
wineboot --init >/dev/null 2>&1 || true
wineserver -w || true
(cd build-windows && ctest --output-on-failure -j1)

stage "The Windows release archive, and an upgrade run from it under Wine"
cmake --build build-windows --target package >/dev/null
scripts/check-release-archive.sh build-windows

stage "clang build (Debug) and tests under AddressSanitizer and UndefinedBehaviorSanitizer"
# The sweeps run the program hundreds of times: the plain build above has
# run them already, and the end-to-end tests that only take the program
# over more homes (hostile ones, code-page folders, lexicons, the preview,
# the rerun, the long tables of bad inputs and failed steps, the whole
# upgrade's) too.
left_to_plain="fault_sweep_test|crash_sweep_test|swap_race_test|hostile_home_test|upgrade_folders_test"
left_to_plain+="|lexicon_e2e_test|preview_test|rerun_test|upgrade_e2e_test|bad_input_test|failed_steps_test"
left_to_plain+="|programs_e2e_test"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
      -DZEL_SANITIZE=ON -DZEL_WERROR=ON -DZEL_TESTS_LEFT_OUT="$left_to_plain" >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan &&
 ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ZEL_ROW_SAMPLE=2 \
   ctest --output-on-failure -j"$jobs" \
     -E "durability_trace")

stage "Fuzz targets, a short fixed run each"
scripts/fuzz.sh
stage "Done"
