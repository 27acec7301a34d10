#!/usr/bin/env bash
# Installs what the Qt host, the studio and their offscreen screenshots need on Debian 12: Qt 6
# Widgets (with QtTest) and the fonts the pictures are drawn in. Safe to run again.
set -euo pipefail
packages=(qt6-base-dev fonts-dejavu-core)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
