#!/usr/bin/env bash
# Checks the release archive of a build as an administrator uses it: the
# SHA-256 beside it matches, the unpacked folder holds the programs, and an
# upgrade run from that folder over a home of the previous release (made by
# the folder's own zelhome) ends with status 0. The archive of a Windows
# build runs under Wine (WINEPREFIX as the caller set it).
# Usage: scripts/check-release-archive.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)

archives=("$build"/upgrade-*.zip "$build"/upgrade-*.tar.gz)
archive=""
for candidate in "${archives[@]}"; do
  [ -f "$candidate" ] && archive=$candidate
done
if [ -z "$archive" ]; then
  echo "no release archive in $build (cmake --build $build --target package)" >&2
  exit 1
fi
name=$(basename "$archive")
folder_name=${name%.zip}
folder_name=${folder_name%.tar.gz}

echo "== $name: its SHA-256"
(cd "$build" && sha256sum -c "$name.sha256")

scratch=$(mktemp -d "${TMPDIR:-/tmp}/zel-archive.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
(cd "$scratch" && cmake -E tar xf "$archive")
folder="$scratch/$folder_name"

runner=()
suffix=""
as_path() { printf '%s' "$1"; }
case "$name" in
  *.zip)
    runner=(wine)
    suffix=.exe
    as_path() { winepath -w "$1"; }
    ;;
esac
for file in "upgrade$suffix" "zelhome$suffix" readme.txt zelkit64.dll PROFILE.INI LOG.INI segment.dic package.manifest; do
  if [ ! -f "$folder/$file" ]; then
    echo "$name lacks $folder_name/$file" >&2
    exit 1
  fi
done

echo "== An upgrade run from the unpacked folder"
# Off Windows the service manager's stand-in keeps its files here.
export ZEL_SERVICE_DIR="$scratch/services"
home=$(as_path "$scratch/zelhome")
"${runner[@]}" "$folder/zelhome$suffix" new "$home"
status=0
"${runner[@]}" "$folder/upgrade$suffix" "DIR:$home" NEW:1 CS:1 OLD:NO </dev/null >"$scratch/upgrade.out" 2>&1 || status=$?
if [ "$status" -ne 0 ] || ! grep -q "Upgrade is finished!" "$scratch/upgrade.out"; then
  cat "$scratch/upgrade.out"
  echo "the upgrade from $name ended with status $status" >&2
  exit 1
fi
echo "the upgrade from $name ended with status 0"
