#!/usr/bin/env bash
# Installs the Windows cross compilers and Wine, and makes a fresh headless Wine prefix.
#
#   source scripts/wine-setup.sh PREFIX_DIR
#
# Exports WINEPREFIX (a new, empty prefix in PREFIX_DIR), WINEDEBUG=-all and WINEDLLOVERRIDES
# (no Mono or Gecko prompts), and defines `wine_stop`, which ends the prefix's wineserver.
# Windows get the null graphics driver, so nothing needs an X server.
set -euo pipefail
_wine_packages=(g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 mingw-w64-tools wine wine32:i386
                wine64 libwine-dev)
_wine_missing=()
for p in "${_wine_packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || _wine_missing+=("$p")
done
if [ ${#_wine_missing[@]} -gt 0 ]; then
  _sudo=""
  [ "$(id -u)" -ne 0 ] && _sudo=sudo
  $_sudo dpkg --add-architecture i386
  $_sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $_sudo apt-get install -y -qq --no-install-recommends \
    "${_wine_missing[@]}" >/dev/null
fi
export WINEPREFIX
WINEPREFIX=$(mkdir -p "$1" && cd "$1" && pwd)
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  wineserver -w
fi
wine_stop() { wineserver -k >/dev/null 2>&1 || true; }
