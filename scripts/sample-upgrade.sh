#!/usr/bin/env bash
# The main job: builds the upgrade if needed, makes a sample home directory
# of the previous release in a scratch directory, upgrades it without
# questions and shows what changed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-packages.sh native
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
# Always brought up to date: an older zelhome may lack preview.
cmake --build build -j"$(nproc 2>/dev/null || echo 2)" --target upgrade zelhome

scratch=$(mktemp -d "${TMPDIR:-/tmp}/zel-sample.XXXXXX")
home="$scratch/zelhome"
export ZEL_SERVICE_DIR="$scratch/services"
mkdir -p "$ZEL_SERVICE_DIR"

echo "== A home directory of the previous release: $home"
build/zelhome new "$home"
build/zelhome dump "$home" > "$scratch/before.json"
cp -a "$home" "$scratch/zelhome.before"

echo "== A preview of the upgrade (run on a copy; the home stays as it is)"
preview_status=0
build/zelhome preview "$home" NEW:1 CS:1 OLD:N || preview_status=$?
echo "(preview exit status $preview_status)"

echo "== The upgrade"
status=0
build/package/upgrade "DIR:$home" NEW:1 CS:1 OLD:N </dev/null || status=$?
echo "(exit status $status)"

echo "== What changed in the data dictionary"
build/zelhome dump "$home" > "$scratch/after.json"
diff -u "$scratch/before.json" "$scratch/after.json" || true
echo "== What changed among the files"
diff -rq "$scratch/zelhome.before" "$home" || true
echo
echo "The home directory before and after: $scratch/zelhome.before $home"
exit "$status"
