#!/bin/bash
# demo.sh: the whole program on one machine (Debian 12, as root).
#
# Installs what is missing, cross-builds VYNDataLoader.exe, generates sample MLS
# and tax data sets (a few MiB), serves them from a private nginx on loopback,
# prepares a Wine prefix (build/demo/wineprefix) whose registry names the
# product's folders and the loopback server, writes a product settings file that
# offers tax data, and starts the program.
#   With a display ($DISPLAY set) the window opens for you; the demo ends when
#   the program does.
#   Without one, it runs under Xvfb and is driven headlessly: both data sets are
#   ticked, "Download" pressed, screenshots saved under build/demo/screenshots.
# Then it prints what was unpacked where and what was recorded. It can be run
# again and again: the data folder and settings are reset, the prefix reused.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
# VYN_DEMO_DIR: where the demo keeps its state; VYN_DEMO_BUILD: an existing
# windows build to use instead of building one there (the test of the demo).
demo=${VYN_DEMO_DIR:-$root/build/demo}
build=${VYN_DEMO_BUILD:-$demo}
# --headless: drive the program under Xvfb even when a display is there.
headless=0
if [ "${1:-}" = "--headless" ]; then
  headless=1
  shift
fi
city="2201"
# The throttled port keeps the progress window up for a few seconds.
export SLOW_RATE=${SLOW_RATE:-512k}

# VYN_DEMO_PREFIX: a prefix whose wineserver the caller runs (the test run's own);
# the demo then neither starts nor stops a wineserver, and uses the caller's display.
shared_prefix=${VYN_DEMO_PREFIX:-}
export WINEPREFIX=${shared_prefix:-$demo/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# The transfer uses the system's proxy settings; none must point away from loopback.
export http_proxy="" HTTP_PROXY="" https_proxy="" no_proxy="*"

# A Linux path as Wine programs see it through the Z: drive.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

exe=$build/src/platform/win32/VYNDataLoader.exe
driver=$build/tests/wine/app/vyn_demo_driver.exe
vyn=$demo/vyn

# Runs inside the display (the real one or Xvfb's): prefix, registry, program.
wine_part() {
  local mode=$1 port
  read -r _ port <"$demo/nginx/ports"
  if [ -n "$shared_prefix" ]; then
    :
  elif [ -f "$WINEPREFIX/system.reg" ]; then
    "$root/scripts/wine-prefix.sh" fonts "$WINEPREFIX"
    wineserver -p
  else
    "$root/scripts/wine-prefix.sh" up "$WINEPREFIX"
  fi
  wine "$driver" setup "$city" "$(winpath "$vyn/AppData")\\" "$(winpath "$vyn/Install")\\" \
    "127.0.0.1:$port" "$(winpath "$vyn/Data")\\"
  local status=0
  if [ "$mode" = interactive ]; then
    # A headless run leaves windows unmanaged; here the desktop's window manager frames them.
    wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 || true
    echo "The program's window is open on $DISPLAY; the demo goes on when it ends."
    wine "$exe" || status=$?
  else
    wine "$driver" drive "$(winpath "$exe")" "$city" "$(winpath "$demo/screenshots")" || status=$?
  fi
  wine "$driver" report | tr -d '\r' >"$demo/registry.txt"
  return $status
}

if [ "${1:-}" = "--wine-part" ]; then
  status=0
  wine_part "$2" || status=$?
  # Its windows die with this display.
  [ -n "$shared_prefix" ] || wineserver -k 2>/dev/null || true
  exit $status
fi

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
cleanup() {
  "$root/scripts/nginx-serve.sh" stop "$demo/nginx" || true
  [ -n "$shared_prefix" ] || wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
"$root/scripts/nginx-serve.sh" start "$demo/nginx" "$demo/www"

# Fresh product folders every run; the prefix stays.
rm -rf "$vyn" "$demo/screenshots" "$demo/registry.txt"
mkdir -p "$vyn/AppData" "$vyn/Data" "$vyn/Install" "$demo/screenshots"

echo "=== VYNDataLoader.exe under Wine"
status=0
if [ -n "${DISPLAY:-}" ] && [ "$headless" -eq 0 ]; then
  wine_part interactive || status=$?
elif [ -n "$shared_prefix" ] && [ -n "${DISPLAY:-}" ]; then
  wine_part headless || status=$?
else
  xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --wine-part headless || status=$?
fi

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
