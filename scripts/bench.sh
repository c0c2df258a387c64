#!/bin/bash
# The benchmark command: measures the program's download and unpacking side by
# side with their peers, in one run, on one private nginx and the same files, and
# prints a table of every ratio against its target.
#
#   scripts/bench.sh            (VYN_BENCH_RUNS=N: runs per measurement, default 3;
#                                VYN_BENCH_ONLY=downloads: the download and Cancel rows alone)
#
# Downloads of 64 and 512 MiB go through GetFile (real windows on a private Xvfb,
# under Wine), through the bare WinInet loop of the same 4096-byte reads, and
# through curl natively. Unpacking a 256 MiB archive of a few thousand members,
# and an archive of 20,000 small ones, runs our ZipExtractor natively and under
# Wine, and Info-ZIP's unzip; for the small members the table shows where the
# time went under Wine, per member and phase. Each figure is the best of the runs, interleaved so
# that load from elsewhere on the machine falls on all of them alike. Never part of ctest's pass/fail; the exit
# status is 0 when every measurement ran, whatever the ratios.
#
# The transfer's check point asks a few dozen times a second whether the queue
# holds anything; each call that could ask looks at an empty queue many times
# under Wine, on a thread with a shown window, and its time per call is reported.
#
# A Cancel clicked while a server trickles 16 bytes a second (after half the
# body) is timed from the click to GetFile's return, where the failure message follows.
#
# A 64 MiB body broken off at 90% once, then Yes to the retry: the bytes the
# server sent in all when the retry asks for the rest, against a whole retry.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
runs=${VYN_BENCH_RUNS:-3}
only=${VYN_BENCH_ONLY:-}
win=build/bench-win
native=build/bench-native
data=build/bench-data
state=build/bench-state
results=$state/results

# --- what it needs --------------------------------------------------------
missing=()
for pair in curl:curl unzip:unzip Xvfb:xvfb nginx:nginx-light wine:wine python3:python3; do
  command -v "${pair%%:*}" >/dev/null 2>&1 || [ -x "/usr/sbin/${pair%%:*}" ] || missing+=("${pair#*:}")
done
# Wine's own fonts: the windows measured are drawn as in the tests and the demo.
dpkg-query -W -f='${Status}' fonts-wine 2>/dev/null | grep -q "install ok installed" ||
  missing+=(fonts-wine)
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  apt-get update -qq && apt-get install -y -qq "${missing[@]}" >/dev/null
fi

echo "=== building (windows preset in $win, native Release in $native)"
mkdir -p "$state"
built() {  # LOG COMMAND...: quiet unless it fails
  "${@:2}" >"$1" 2>&1 || { tail -30 "$1" >&2; exit 1; }
}
[ -f "$win/CMakeCache.txt" ] || built "$state/configure-win.log" cmake --preset windows -B "$win"
built "$state/build-win.log" cmake --build "$win" --target retrieval_bench zip_bench \
  queue_check_bench empty_program empty_window_program VYNDataLoader vyn_demo_driver
if [ "$only" != downloads ]; then
  [ -f "$native/CMakeCache.txt" ] || built "$state/configure-native.log" \
    cmake -G Ninja -B "$native" -DCMAKE_BUILD_TYPE=Release -DVYN_TESTS=OFF -DVYN_BENCH=ON
  built "$state/build-native.log" cmake --build "$native" --target zip_bench
fi

echo "=== data sets in $data"
mkdir -p "$data"
for size in 64 512; do
  [ -f "$data/dl-$size.vyn" ] || python3 bench/make-bench-data.py download "$data/dl-$size.vyn" "$size"
done
members=0
many=20000
if [ "$only" != downloads ]; then
  [ -f "$data/archive-256.zip" ] || python3 bench/make-bench-data.py archive "$data/archive-256.zip" 256
  members=$(python3 -c "import sys,zipfile; print(len(zipfile.ZipFile(sys.argv[1]).infolist()))" \
    "$data/archive-256.zip")
  [ -f "$data/members-$many.zip" ] || python3 bench/make-bench-data.py members "$data/members-$many.zip" "$many"
fi

# --- what it starts, and stops again --------------------------------------
export WINEPREFIX=$root/$win/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export http_proxy= HTTP_PROXY= https_proxy= no_proxy='*'
xvfb_pid=""
cleanup() {
  scripts/nginx-serve.sh stop "$state/nginx" >/dev/null 2>&1 || true
  scripts/wine-prefix.sh down "$WINEPREFIX" >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$state/out" "$state/target.bin"
}
trap cleanup EXIT

# A private display: the retrieval window is a real window.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$state/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$state/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$state/display")

scripts/nginx-serve.sh start "$state/nginx" "$data" >/dev/null
port=$(cut -d' ' -f1 "$state/nginx/ports")
scripts/wine-prefix.sh up "$WINEPREFIX" >/dev/null
# Without a window manager Wine would wait for one at every hide (the tests run so too).
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1

# --- measuring ------------------------------------------------------------
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
: >"$results"
record() { echo "$1 $2" >>"$results"; }
field() { sed -E "s/.*\\b$1=([^ ]*).*/\\1/" <<<"$2"; }
now() { echo "$EPOCHREALTIME"; }
elapsed() { python3 -c "print(f'{$2 - $1:.3f}')"; }

target=$root/$state/target.bin
target_win=$(winepath -w "$target" 2>/dev/null)
wine_run() { wine "$win/bench/$1.exe" "${@:2}"; }

download() {  # KIND SIZE
  local url="127.0.0.1:$port/Downloads/dl-$2.vyn" line
  rm -f "$target"
  if [ "$1" = curl ]; then
    line="seconds=$(curl -s --noproxy '*' -o "$target" -w '%{time_total}' "http://$url")"
  else
    line=$(wine_run retrieval_bench "$1" "$url" "$target_win")
  fi
  [ "$(stat -c %s "$target")" -eq $(($2 * 1048576)) ] || { echo "$1 $2 MiB: wrong size" >&2; exit 1; }
  record "$1-$2-seconds" "$(field seconds "$line")"
  [ "$1" = curl ] || record "$1-$2-peak" "$(field peak "$line")"
}

unpack() {  # KIND ARCHIVE MEMBERS KEY-PREFIX
  local out=$state/out/$1 start line phase
  rm -rf "$state/out"
  mkdir -p "$out"
  # What the last run and the removal left to write lands on none of the runs.
  sync
  case $1 in
    ours)
      start=$(now)
      "$native/bench/zip_bench" "$2" "$out" >/dev/null
      record "$4ours-seconds" "$(elapsed "$start" "$(now)")"
      ;;
    unzip)
      start=$(now)
      unzip -q -o "$2" -d "$out"
      record "$4unzip-seconds" "$(elapsed "$start" "$(now)")"
      ;;
    wine)
      line=$(wine_run zip_bench "$(winepath -w "$2")" "$(winepath -w "$out")")
      record "$4wine-seconds" "$(field seconds "$line")"
      for phase in $(grep -oE '[a-z]+-ms=' <<<"$line" | sed 's/-ms=//'); do
        record "$4wine-$phase-ms" "$(field "$phase-ms" "$line")"
      done
      ;;
  esac
  [ "$(find "$out" -type f | wc -l)" -eq "$3" ] || { echo "$1: wrong member count" >&2; exit 1; }
}

echo "=== warming up (not counted)"
wine_run empty_program >/dev/null
download bare 64 && download getfile 64
: >"$results"

if [ "$only" != downloads ]; then
  echo "=== floors of the peak working set"
  record floor-console "$(field peak "$(wine_run empty_program)")"
  record floor-window "$(field peak "$(wine_run empty_window_program)")"
  record floor-idle "$(field peak "$(wine_run retrieval_bench idle)")"

  # --- the check point's look at an empty queue: each call it could ask ------
  for run in $(seq "$runs"); do
    echo "=== queue checks, run $run of $runs"
    line=$(wine_run queue_check_bench)
    for call in getqueuestatus peekmessage peekmessage-noyield msgwait getinputstate doevents; do
      record "queue-$call-ns" "$(field "$call" "$line")"
    done
    record queue-touchbits "$(field touchbits "$line")"
  done
fi

for size in 64 512; do
  for run in $(seq "$runs"); do
    echo "=== download $size MiB, run $run of $runs"
    download bare "$size"
    download getfile "$size"
    download curl "$size"
  done
done
# A body broken off at 90%, then Yes: the rest asked for, or everything again.
for run in $(seq "$runs"); do
  echo "=== retry after a break at 90% of 64 MiB, run $run of $runs"
  for kind in resume restart; do
    line=$(wine_run retrieval_bench "$kind" 64 "$target_win") || { echo "$kind: $line" >&2; exit 1; }
    record "$kind-64-sent" "$(field sent "$line")"
    record "$kind-64-seconds" "$(field seconds "$line")"
  done
done
for run in $(seq "$runs"); do
  echo "=== Cancel while the server trickles, run $run of $runs"
  line=$(wine_run retrieval_bench trickle "$target_win") || { echo "trickle: $line" >&2; exit 1; }
  record trickle-cancel-seconds "$(field seconds "$line")"
done

if [ "$only" != downloads ]; then
  for run in $(seq "$runs"); do
    echo "=== unpacking $members members, run $run of $runs"
    for kind in ours unzip wine; do unpack "$kind" "$data/archive-256.zip" "$members" ""; done
  done

  # --- many small members: what each member costs, not each byte -------------
  for run in $(seq "$runs"); do
    echo "=== unpacking $many small members, run $run of $runs"
    for kind in ours unzip wine; do unpack "$kind" "$data/members-$many.zip" "$many" many-; done
  done
fi

if [ "$only" != downloads ]; then
  # --- the 256 MiB archive as the MLS set, refreshed twice by the program ------
  # The second asks first: the server answers 304, the data folder is checked.
  ln -sf archive-256.zip "$data/VYNData.vyn"
  product=$root/$state/product
  wine_path() { winepath -w "$1" 2>/dev/null; }
  for run in $(seq "$runs"); do
    echo "=== a refresh of the 256 MiB set, then a second one, run $run of $runs"
    rm -rf "$product"
    mkdir -p "$product/AppData" "$product/Data" "$product/Install"
    wine "$win/tests/wine/app/vyn_demo_driver.exe" setup 2201 "$(wine_path "$product/AppData")\\" \
      "$(wine_path "$product/Install")\\" "127.0.0.1:$port" "$(wine_path "$product/Data")\\" >/dev/null
    for kind in full second; do
      logged=$(wc -l <"$state/nginx/access.log")
      start=$(now)
      wine "$win/src/program/VYNDataLoader.exe" /refresh /mls ||
        { echo "refresh ($kind) ended with $?" >&2; exit 1; }
      record "refresh-$kind-seconds" "$(elapsed "$start" "$(now)")"
      # The combined log format: the body's bytes follow the status.
      record "refresh-$kind-sent" "$(tail -n +$((logged + 1)) "$state/nginx/access.log" |
        awk '{ sent += $10 } END { print sent + 0 }')"
    done
  done
  rm -rf "$product" "$data/VYNData.vyn"
fi

echo
python3 bench/bench-table.py "$results" "$runs" "$members"
echo "Load average before measuring: $load_before; after: $(cut -d' ' -f1-3 /proc/loadavg) ($(nproc) CPUs)."
