#!/usr/bin/env bash
# Installs the Debian packages that building and testing Kestrix needs.
# As root it installs what is missing with apt-get; otherwise it prints the
# command to run.
set -euo pipefail

packages=(g++ make cmake libgtest-dev libgmock-dev qt6-base-dev libgl-dev python3 nlohmann-json3-dev neovim)
[ "${KX_WITH_FUZZ:-0}" = 1 ] && packages+=(clang libclang-rt-14-dev)
# make windows: the MinGW-w64 cross compiler; make test-windows: wine as well.
[ "${KX_WITH_WINDOWS:-0}" = 1 ] && packages+=(g++-mingw-w64-x86-64-posix)
[ "${KX_WITH_WINE:-0}" = 1 ] && packages+=(wine64)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "Missing packages: ${missing[*]}" >&2
  echo "Run: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
