#!/bin/bash
# The demo's headless run, against this build, judged by what it leaves behind:
# both data sets unpacked as their manifests list them and no archive left, both
# refreshes recorded in the settings file during the run, "Tax Path Local"
# naming the data folder, and the three screenshots.
# Usage: demo-headless-test.sh SOURCE_DIR BUILD_DIR WINE_PREFIX
# It runs in the test run's Wine prefix and on its display.
set -uo pipefail
source_dir=$1
build_dir=$2
state=$build_dir/demo-test
log=$state.log
data=$state/vyn/Data
export WINEPREFIX=$3 WINEDEBUG=-all
export VYN_DEMO_DIR=$state VYN_DEMO_BUILD=$build_dir VYN_DEMO_PREFIX=$3 VYN_DEMO_HEADLESS=1

# The registry view the program keeps the product's values in.
registry_view=/reg:32
# A value under HKLM as reg.exe shows it: "TYPE DATA", or nothing.
machine_value() {
  wine reg query "HKLM\\$1" /v "$2" "$registry_view" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$2 *\(REG_[A-Z_]*\) *\(.*\)\$/\1 \2/p"
}

started=$(date '+%Y-%m-%d %H:%M:%S')
"$source_dir/scripts/demo.sh" >"$log" 2>&1
status=$?
cat "$log"
[ "$status" -eq 0 ] || { echo "FAIL: the demo ended with $status"; exit 1; }
fail=0
for shot in main-window progress-window download-complete; do
  [ -s "$state/screenshots/$shot.png" ] || { echo "FAIL: no screenshot $shot.png"; fail=1; }
done
# Every member of both archives, by size and CRC-32.
www=$state/www
python3 - "$data" "$www/VYNData.vyn.manifest" "$www/VYNTax.vyn.manifest" <<'EOF' || fail=1
import os, sys, zlib
data, bad = sys.argv[1], 0
for manifest in sys.argv[2:]:
    for line in open(manifest):
        crc, size, name = line.rstrip("\n").split(" ", 2)
        path = os.path.join(data, name)
        if not os.path.isfile(path):
            print(f"FAIL: {name} not unpacked")
            bad = 1
            continue
        body = open(path, "rb").read()
        if len(body) != int(size) or zlib.crc32(body) != int(crc, 16):
            print(f"FAIL: {name} differs from the archive's member")
            bad = 1
sys.exit(bad)
EOF
! find "$data" -maxdepth 1 -iname '*.zip' | grep -q . || { echo "FAIL: an archive was left"; fail=1; }
settings="$state/vyn/AppData/Veltrix Settings.txt"
for key in MlsDataUpdated TaxDataUpdated; do
  recorded=$(sed -n "s/^$key = //p" "$settings" | tr -d '\r')
  if [[ ! "$recorded" =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}\ [0-9]{2}:[0-9]{2}:[0-9]{2}$ ]] ||
    [[ "$recorded" < "$started" ]]; then
    echo "FAIL: $key is \"$recorded\", not a time since $started"
    fail=1
  fi
done
data_windows="Z:${data//\//\\}\\"
tax_path=$(machine_value 'Software\Tevrin Labs\Veltrix\File Locations' 'Tax Path Local')
[ "$tax_path" = "REG_SZ $data_windows" ] ||
  { echo "FAIL: Tax Path Local is \"$tax_path\", not \"REG_SZ $data_windows\""; fail=1; }
[ "$fail" -eq 0 ] && echo "demo headless run: OK"
exit $fail
