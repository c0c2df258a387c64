#!/bin/bash
# wine-prefix.sh up|down|fonts PREFIX: make the run's Wine prefix with one
# persistent wineserver, or shut that wineserver down, or (fonts) give an
# existing prefix Wine's own fonts.
#
# A prefix holds about 700 MB of system files. Where the build folder's file
# system cannot take it (space, ownership, features), the prefix lives in a
# local temp folder with room for it instead and PREFIX becomes a link to it;
# "down" removes such a prefix again.
set -uo pipefail
action=${1:-}
export WINEPREFIX=${2:-}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
[ -n "$WINEPREFIX" ] || action=usage
log="$WINEPREFIX.log"
fallback_note="$WINEPREFIX.fallback"  # why the prefix is not in the build folder

# Files the tests cannot run without; a prefix cut short by a full disk lacks some.
# (The registry files appear only when the persistent server saves them.)
required_files=(drive_c/windows/system32/kernel32.dll drive_c/windows/system32/user32.dll
  drive_c/windows/system32/comctl32.dll drive_c/windows/system32/wininet.dll)

prefix_usable() {
  local f
  for f in "${required_files[@]}"; do
    [ -s "$WINEPREFIX/$f" ] || { echo "prefix lacks $f"; return 1; }
  done
  wine cmd.exe /c echo vyn-prefix-ok 2>>"$log" | grep -q vyn-prefix-ok ||
    { echo "a program does not start in the prefix"; return 1; }
}

# boot: one persistent wineserver, then the prefix's first start.
boot() {
  mkdir -p "$WINEPREFIX" || return 1
  # The persistent server would keep the caller's output open (ctest waits on it).
  wineserver -p </dev/null >>"$log" 2>&1 || { echo "wineserver -p exited with $?"; return 1; }
  wineboot -i </dev/null >>"$log" 2>&1
  local rc=$?
  # A step of the first start may fail without harm to what the tests use.
  [ "$rc" -eq 0 ] || echo "wineboot -i exited with $rc"
  link_wine_fonts && prefix_usable
}

# Wine's own fonts (Debian's fonts-wine, in /usr/share/wine/fonts) are where
# Debian's Wine does not look for them; without them the title-bar buttons draw
# as letters (no Marlett) and the classic faces fall back to others. The
# prefix's font folder, which Wine reads at every start, links them.
link_wine_fonts() {
  local fonts=$WINEPREFIX/drive_c/windows/Fonts f
  [ -d /usr/share/wine/fonts ] || { echo "no /usr/share/wine/fonts (fonts-wine)"; return 0; }
  mkdir -p "$fonts" || return 1
  for f in /usr/share/wine/fonts/*; do
    [ -e "$fonts/${f##*/}" ] || ln -s "$f" "$fonts/" || return 1
  done
}

stop_server() { wineserver -k >/dev/null 2>&1 || true; }

describe_failure() {
  local dir
  dir=$(dirname "$WINEPREFIX")
  echo "--- what Wine printed (last 40 lines of $log)"
  tail -n 40 "$log" 2>/dev/null
  echo "--- user: $(id)"
  echo "--- $dir: $(stat -f -c 'type %T' "$dir" 2>&1), owner $(stat -c %U "$dir" 2>&1)"
  df -h "$dir" /tmp /dev/shm 2>&1
  df -i "$dir" 2>&1 | tail -n 1
  ulimit -a 2>&1 | grep -E "file size|processes|virtual|open files"
  free -m 2>&1 | head -n 2
  local memcg
  memcg=/sys/fs/cgroup/memory$(awk -F: '$2 == "memory" { print $3 }' /proc/self/cgroup 2>/dev/null)
  [ -r "$memcg/memory.limit_in_bytes" ] &&
    echo "--- memory cgroup: limit $(cat "$memcg/memory.limit_in_bytes"), peak $(cat "$memcg/memory.max_usage_in_bytes"), hit $(cat "$memcg/memory.failcnt") times"
  if [ -n "${DISPLAY:-}" ]; then
    echo "--- display $DISPLAY: $(timeout 5 xdpyinfo >/dev/null 2>&1 && echo answers || echo "does not answer")"
  fi
  echo "--- kernel $(uname -r), $(nproc) CPUs,$(grep -o -m2 -E '\b(avx512f|amx_tile)\b' /proc/cpuinfo | sort -u | tr '\n' ' ')"
}

# A local temp folder for the prefix: the first with room for it, disk before
# memory (/dev/shm); else the roomiest.
temp_for_prefix() {
  local best="" best_free=-1 dir free
  for dir in "${TMPDIR:-/tmp}" /var/tmp /dev/shm; do
    [ -d "$dir" ] && [ -w "$dir" ] || continue
    free=$(df -Pk "$dir" 2>/dev/null | awk 'NR == 2 { print $4 }')
    [ -n "$free" ] || continue
    [ "$free" -ge $((1536 * 1024)) ] && { echo "$dir"; return; }
    [ "$free" -gt "$best_free" ] && { best=$dir; best_free=$free; }
  done
  echo "${best:-/tmp}"
}

remove_prefix() {
  if [ -L "$WINEPREFIX" ]; then
    rm -rf "$(readlink "$WINEPREFIX")"
    rm -f "$WINEPREFIX"
  else
    rm -rf "$WINEPREFIX"
  fi
}

case "$action" in
  up)
    : >"$log"
    rm -f "$fallback_note"
    boot && { echo "wine prefix ready: $WINEPREFIX"; exit 0; }
    echo "*** the Wine prefix could not be made in the build folder"
    describe_failure | tee "$fallback_note"
    stop_server
    remove_prefix
    elsewhere=$(mktemp -d "$(temp_for_prefix)/vyn-wineprefix.XXXXXX") || exit 1
    ln -s "$elsewhere" "$WINEPREFIX" || exit 1
    echo "trying again with the prefix in $elsewhere"
    : >"$log"
    boot && { echo "wine prefix ready: $WINEPREFIX -> $elsewhere"; exit 0; }
    echo "*** the Wine prefix could not be made there either"
    describe_failure
    stop_server
    exit 1
    ;;
  down)
    stop_server
    # A prefix kept outside the build folder does not outlive the run.
    [ -L "$WINEPREFIX" ] && remove_prefix
    echo "wineserver for $WINEPREFIX stopped"
    ;;
  fonts) link_wine_fonts ;;
  *) echo "usage: $0 up|down|fonts PREFIX" >&2; exit 2 ;;
esac
