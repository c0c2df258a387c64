#!/bin/bash
# demo.sh: the whole program on one machine (Debian 12, as root).
#
# Installs what is missing, cross-builds VYNDataLoader.exe, generates sample MLS
# and tax data sets (a few MiB), serves them from a private nginx on loopback,
# prepares a Wine prefix (build/demo/wineprefix) whose registry names the
# product's folders and the loopback server, writes a product settings file that
# offers tax data, and starts the program. Two modes:
#   interactive  with a display ($DISPLAY set): the window opens for you; the
#                demo ends when the program does.
#   headless     without one: on an Xvfb display of its own, both data sets are
#                ticked, "Download" pressed, screenshots saved under build/demo/screenshots.
# Then it prints what was unpacked where and what was recorded. It can be run
# again and again: the data folder and settings are reset, the prefix reused.
#
# For the test of the demo: VYN_DEMO_DIR is where the demo keeps its state;
# VYN_DEMO_BUILD an existing windows build to use instead of building one there;
# VYN_DEMO_PREFIX a prefix whose wineserver the caller runs (the demo then neither
# starts nor stops one); VYN_DEMO_HEADLESS=1 the headless run on the caller's display.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
demo=${VYN_DEMO_DIR:-$root/build/demo}
build=${VYN_DEMO_BUILD:-$demo}
if [ -z "${DISPLAY:-}" ] || [ "${VYN_DEMO_HEADLESS:-0}" = 1 ]; then
  mode=headless
else
  mode=interactive
fi
city="2201"
# The throttled port keeps the progress window up for a few seconds.
export SLOW_RATE=${SLOW_RATE:-512k}

shared_prefix=${VYN_DEMO_PREFIX:-}
export WINEPREFIX=${shared_prefix:-$demo/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# The transfer uses the system's proxy settings; none must point away from loopback.
export http_proxy="" HTTP_PROXY="" https_proxy="" no_proxy="*"

# A Linux path as Wine programs see it through the Z: drive.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

exe=$build/src/program/VYNDataLoader.exe
driver=$build/tests/wine/app/vyn_demo_driver.exe
vyn=$demo/vyn
xvfb_pid=""

# An Xvfb display of our own; it says its number once it takes connections.
start_xvfb() {
  local number=$demo/xvfb.display
  rm -f "$number"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number" 2>"$demo/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$number" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || { cat "$demo/xvfb.log"; return 1; }
    sleep 0.1
  done
  [ -s "$number" ] || { echo "Xvfb did not start"; return 1; }
  DISPLAY=:$(cat "$number")
  export DISPLAY
}

cleanup() {
  # The program's windows die with the wineserver, before their display goes.
  [ -n "$shared_prefix" ] || wineserver -k 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  "$root/scripts/nginx-serve.sh" stop "$demo/nginx" || true
}

"$root/scripts/install-deps.sh"

echo "=== build (windows preset, $build)"
mkdir -p "$demo"
if [ ! -f "$build/build.ninja" ]; then
  cmake --preset windows -B "$build" >"$demo/configure.log" 2>&1 ||
    { cat "$demo/configure.log"; exit 1; }
fi
cmake --build "$build" --target VYNDataLoader vyn_demo_driver

echo "=== sample data sets"
python3 "$root/scripts/sample-data.py" "$demo/www" --prefix VYN --seed 1 --size-mib 4

echo "=== nginx on loopback"
trap cleanup EXIT
"$root/scripts/nginx-serve.sh" start "$demo/nginx" "$demo/www"
read -r _ port <"$demo/nginx/ports"

# Fresh product folders every run; the prefix stays.
rm -rf "$vyn" "$demo/screenshots" "$demo/registry.txt"
mkdir -p "$vyn/AppData" "$vyn/Data" "$vyn/Install" "$demo/screenshots"

echo "=== VYNDataLoader.exe under Wine"
[ -n "${DISPLAY:-}" ] || start_xvfb
if [ -z "$shared_prefix" ]; then
  if [ -f "$WINEPREFIX/system.reg" ]; then
    "$root/scripts/wine-prefix.sh" fonts "$WINEPREFIX"
    wineserver -p
  else
    "$root/scripts/wine-prefix.sh" up "$WINEPREFIX"
  fi
fi
wine "$driver" setup "$city" "$(winpath "$vyn/AppData")\\" "$(winpath "$vyn/Install")\\" \
  "127.0.0.1:$port" "$(winpath "$vyn/Data")\\"
status=0
if [ "$mode" = interactive ]; then
  # A headless run leaves windows unmanaged; here the desktop's window manager frames them.
  wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 || true
  echo "The program's window is open on $DISPLAY; the demo goes on when it ends."
  wine "$exe" || status=$?
else
  wine "$driver" drive "$(winpath "$exe")" "$city" "$(winpath "$demo/screenshots")" || status=$?
fi
wine "$driver" report | tr -d '\r' >"$demo/registry.txt" || true

echo
echo "=== summary"
echo "Unpacked into $vyn/Data (Windows: $(winpath "$vyn/Data")\\):"
(cd "$vyn/Data" && find . -type f -printf '%12s  %P\n' | sort -k2)
[ -n "$(ls -A "$vyn/Data")" ] || echo "  (nothing)"
echo "Settings file $vyn/AppData/Veltrix Settings.txt:"
grep -v '^#' "$vyn/AppData/Veltrix Settings.txt" | sed 's/^/  /' || echo "  (none)"
cat "$demo/registry.txt" 2>/dev/null || echo "Registry: (not read)"
if [ -n "$(ls -A "$demo/screenshots" 2>/dev/null)" ]; then
  echo "Screenshots:"
  ls -1 "$demo/screenshots" | sed "s|^|  $demo/screenshots/|"
fi
exit $status
