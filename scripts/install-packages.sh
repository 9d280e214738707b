#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Usage: scripts/install-packages.sh native|windows|all
set -euo pipefail
want=(cmake g++ make libgtest-dev googletest nlohmann-json3-dev python3 strace)
case "${1:-all}" in
  # locales: localedef makes the Chinese locale that starts Wine in code page 936.
  windows|all) want+=(g++-mingw-w64-x86-64 wine wine64 locales) ;;
esac
# clang and its sanitizer runtimes: the clang build of scripts/test.sh,
# whose tests run under AddressSanitizer.
if [ "${1:-all}" = all ]; then
  want+=(clang)
  ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.asan-x86_64.a >/dev/null 2>&1 || want+=(libclang-rt-14-dev)
fi
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
