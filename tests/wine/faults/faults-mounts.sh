#!/bin/bash
# faults-mounts.sh up|down DIR: the file systems of the fault matrix.
#   DIR/small  a 1 MiB tmpfs, to fill up during a transfer or an unpacking
#   DIR/ro     DIR/rw mounted again read-only, a data folder that refuses writes
# Mounting needs root with CAP_SYS_ADMIN. What could be set up is listed in
# DIR/state ("small", "ro"); the cases that need a missing one skip, so "up"
# always succeeds.
set -u
action=${1:?usage: $0 up|down DIR}
dir=${2:?usage: $0 up|down DIR}

down() {
  for m in "$dir/ro" "$dir/small"; do
    if mountpoint -q "$m" 2>/dev/null; then umount "$m" || umount -l "$m"; fi
  done
  rm -f "$dir/state"
}

case $action in
  up)
    down
    mkdir -p "$dir/small" "$dir/rw" "$dir/ro"
    : >"$dir/state"
    if mount -t tmpfs -o size=1m,mode=0777 vyn-faults-small "$dir/small" 2>/dev/null; then
      echo small >>"$dir/state"
    else
      echo "no small file system: mount -t tmpfs is not permitted here" >&2
    fi
    rm -rf "${dir:?}/rw/"*
    if mount --bind "$dir/rw" "$dir/ro" 2>/dev/null; then
      if mount -o remount,bind,ro "$dir/ro" 2>/dev/null && ! touch "$dir/ro/.probe" 2>/dev/null; then
        echo ro >>"$dir/state"
      else
        umount "$dir/ro"
        echo "no read-only folder: a read-only bind mount is not permitted here" >&2
      fi
    fi
    cat "$dir/state"
    ;;
  down) down ;;
  *) echo "usage: $0 up|down DIR" >&2; exit 2 ;;
esac
exit 0
