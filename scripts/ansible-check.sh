#!/usr/bin/env bash
# Runs the example playbook (examples/ansible/upgrade.yml) with Debian's
# ansible-core against this machine, on a copy of the sample home, as a
# configuration management tool would across a fleet:
#   check mode  -> changed, and the home and the services untouched
#   run         -> changed
#   run again   -> changed=0, the home untouched
# Usage: scripts/ansible-check.sh [BUILD_DIR]   (default: build, already built)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
package="$PWD/$build/package"
[ -x "$package/upgrade" ] || { echo "No upgrade in $package: build first." >&2; exit 1; }

if ! command -v ansible-playbook >/dev/null 2>&1; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  echo "Installing: ansible-core"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends ansible-core >/dev/null
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/zel-ansible.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
home="$scratch/zelhome"
services="$scratch/services"
mkdir -p "$services"
"$package/zelhome" new "$home" scripts/sample-home.json >/dev/null

# What the home and the services hold, the runs' own bookkeeping aside (each
# run, -CHECK included, writes its log and report, and holds its lock).
state() {
  (cd "$scratch" && find zelhome services -type f \
     ! -path 'zelhome/system/UPGRADE-*' ! -path 'zelhome/system/UPGRADE.LCK' -print0 |
     sort -z | xargs -0 sha256sum)
}

# changed=N of the play's recap for localhost; the play must not fail.
play() {
  local out="$scratch/play-$1.txt"
  shift
  local status=0
  ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0 ANSIBLE_LOCALHOST_WARNING=0 ANSIBLE_INVENTORY_UNPARSED_WARNING=0 \
    ansible-playbook -i localhost, -c local examples/ansible/upgrade.yml \
      -e "zel_package=$package" -e "zel_home=$home" -e 'zel_args="NEW:1 CS:1 OLD:N"' \
      -e "{\"zel_env\": {\"ZEL_SERVICE_DIR\": \"$services\", \"ZEL_SLEEP_SCALE\": \"0\"}}" \
      "$@" > "$out" 2>&1 || status=$?
  if [ "$status" -ne 0 ] || grep -Eq 'failed=[1-9]|unreachable=[1-9]' "$out"; then
    cat "$out" >&2
    echo "FAILED: the play ended with status $status" >&2
    exit 1
  fi
  sed -n 's/^localhost *:.* changed=\([0-9]*\).*/\1/p' "$out"
}

expect() {
  if [ "$2" != "$3" ]; then
    echo "FAILED: $1: changed=$2, expected changed=$3" >&2
    exit 1
  fi
  echo "ok: $1: changed=$2"
}

before=$(state)
expect "check mode on the previous release's home" "$(play check --check)" 1
if [ "$(state)" != "$before" ]; then
  echo "FAILED: check mode changed the home or the services:" >&2
  diff <(echo "$before") <(state) >&2 || true
  exit 1
fi
echo "ok: check mode left the home and the services as they were"
expect "the upgrade" "$(play run)" 1
upgraded=$(state)
expect "the upgrade again" "$(play again)" 0
if [ "$(state)" != "$upgraded" ]; then
  echo "FAILED: the second run changed the home or the services" >&2
  exit 1
fi
echo "The playbook's checks passed."
