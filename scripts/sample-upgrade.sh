#!/usr/bin/env bash
# The main job: builds the upgrade if needed, makes a sample home directory
# of the previous release in a scratch directory, checks and previews the upgrade,
# runs it without questions and shows what changed. The full texts (the
# preview's report, the run's log, the whole difference) stay in files
# named at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-packages.sh native
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build -j"$(nproc 2>/dev/null || echo 2)" --target upgrade zelhome >/dev/null

scratch=$(mktemp -d "${TMPDIR:-/tmp}/zel-sample.XXXXXX")
home="$scratch/zelhome"
export ZEL_SERVICE_DIR="$scratch/services"
mkdir -p "$ZEL_SERVICE_DIR"
package=build/package
# Every database of this home is GB18030 or English: the native character
# set chosen below (CS:1, GB18030) is accepted.
args=(NEW:1 CS:1 OLD:N)

echo "== A home directory of the previous release: $home"
"$package/zelhome" new "$home" scripts/sample-home.json
cp -a "$home" "$scratch/zelhome.before"

echo "== The checks the upgrade makes before its first change (-CHECK; nothing changes)"
check_status=0
"$package/upgrade" -CHECK "DIR:$home" "${args[@]}" </dev/null > "$scratch/check.txt" 2>&1 || check_status=$?
grep -E "^(ERROR|    - |The check)" "$scratch/check.txt" || true
echo "(check exit status $check_status)"

echo "== Preview (on a copy; the home stays as it is): ${args[*]}"
preview_status=0
"$package/zelhome" preview "$home" "${args[@]}" > "$scratch/preview.txt" 2>/dev/null || preview_status=$?
grep -E "^(Space on|exit status|a question)" "$scratch/preview.txt" || true
echo "(preview exit status $preview_status; the whole report: $scratch/preview.txt)"

echo "== The upgrade: its summary"
status=0
"$package/upgrade" "DIR:$home" "${args[@]}" </dev/null > "$scratch/upgrade.txt" 2>&1 || status=$?
grep -E "^ERROR|incompatible" "$scratch/upgrade.txt" || true
sed -n '/^Upgrade is finished!/,$p' "$scratch/upgrade.txt"
echo "(exit status $status)"

echo "== What changed (zelhome diff; long sections cut, the whole difference: $scratch/diff.txt)"
"$package/zelhome" diff "$scratch/zelhome.before" "$home" > "$scratch/diff.txt" || true
awk '/^== /{n=0} {n++; if (n<=8) print; else if (n==9) print "   ..."}' "$scratch/diff.txt"
echo
echo "The log of the run: $(ls "$home"/system/UPGRADE-*.LOG)"
exit "$status"
