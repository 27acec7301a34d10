#!/usr/bin/env bash
# Installs what building and testing Tessivra needs on Debian 12. Safe to run again.
set -euo pipefail
packages=(g++ cmake make pkg-config libicu-dev libgtest-dev libgmock-dev libbenchmark-dev
          nlohmann-json3-dev clang clang-format libclang-rt-14-dev python3
          # The Qt host (hosts/qt/) and the fonts its screenshots are checked in.
          qt6-base-dev fonts-dejavu-core)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
