#!/usr/bin/env bash
# Installs the Debian packages that building, running, testing and packaging need (the fifth line:
# cpack's dependency computation, the package's lint and validators, keyboard input under Xvfb; the
# last: GSL for fits and statistics, xmllint to validate the N42 files).
# Safe to run repeatedly: it only calls apt-get when something is missing.
set -euo pipefail

packages=(
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev libqt6webenginecore6-bin
  libpng-dev zlib1g-dev fonts-liberation xvfb xauth cmake ninja-build g++ pkg-config
  clang libclang-rt-14-dev poppler-utils libgtest-dev qt6-declarative-dev
  dpkg-dev file lintian desktop-file-utils appstream xdotool
  libgsl-dev libxml2-utils
)
if [ "${KIVO_WITH_BENCH:-0}" = 1 ]; then
  packages+=(libbenchmark-dev libqcustomplot-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
