#!/bin/bash
# The demo's headless run, against this build: it must end well, unpack both
# data sets, record them, and leave its three screenshots.
# Usage: demo-headless-test.sh SOURCE_DIR BUILD_DIR WINE_PREFIX
# It runs in the test run's Wine prefix and on its display.
set -uo pipefail
source_dir=$1
build_dir=$2
state=$build_dir/demo-test
log=$state.log
export VYN_DEMO_DIR=$state VYN_DEMO_BUILD=$build_dir VYN_DEMO_PREFIX=$3
"$source_dir/scripts/demo.sh" --headless >"$log" 2>&1
status=$?
cat "$log"
[ "$status" -eq 0 ] || { echo "FAIL: the demo ended with $status"; exit 1; }
fail=0
for shot in main-window progress-window download-complete; do
  [ -s "$state/screenshots/$shot.png" ] || { echo "FAIL: no screenshot $shot.png"; fail=1; }
done
grep -q "listings.csv" "$log" || { echo "FAIL: MLS data not unpacked"; fail=1; }
grep -q "tax-parcels.csv" "$log" || { echo "FAIL: tax data not unpacked"; fail=1; }
grep -qE "MlsDataUpdated = [0-9]{4}-" "$log" || { echo "FAIL: MLS refresh not recorded"; fail=1; }
grep -qE "TaxDataUpdated = [0-9]{4}-" "$log" || { echo "FAIL: tax refresh not recorded"; fail=1; }
grep -qE "Tax Path Local = .+ \(REG_SZ\)" "$log" || { echo "FAIL: registry value not reported"; fail=1; }
[ -z "$(ls -A "$state/vyn/Data" | grep -iE '\.zip$')" ] || { echo "FAIL: an archive was left"; fail=1; }
[ "$fail" -eq 0 ] && echo "demo headless run: OK"
exit $fail
