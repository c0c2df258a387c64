#!/bin/bash
# wine-prefix.sh up|down PREFIX: make the run's Wine prefix with one persistent
# wineserver, or shut that wineserver down.
set -euo pipefail
action=$1
export WINEPREFIX=$2
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
case "$action" in
  up)
    mkdir -p "$WINEPREFIX"
    # The persistent server would keep the caller's output open (ctest waits on it).
    wineserver -p </dev/null >/dev/null 2>&1
    wineboot -i >/dev/null 2>&1
    echo "wine prefix ready: $WINEPREFIX"
    ;;
  down)
    wineserver -k 2>/dev/null || true
    echo "wineserver for $WINEPREFIX stopped"
    ;;
  *) echo "usage: $0 up|down PREFIX" >&2; exit 2 ;;
esac
