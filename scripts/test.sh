#!/bin/bash
# The test command: installs what is needed, builds both presets and runs every
# test, natively (ASan + UBSan) and under Wine with a virtual display.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh || exit 1

logs=build/test-logs
mkdir -p "$logs"
status=0

# run_preset PRESET [RUNNER...]: configure (with $CONFIGURE_ARGS), build, then ctest
# under RUNNER.
run_preset() {
  local preset=$1
  shift
  echo "=== $preset: configure and build"
  # shellcheck disable=SC2086
  cmake --preset "$preset" ${CONFIGURE_ARGS:-} >"$logs/$preset-configure.log" 2>&1 ||
    { cat "$logs/$preset-configure.log"; return 1; }
  cmake --build --preset "$preset" 2>&1 | tee "$logs/$preset-build.log" | grep -E "error|warning" ; 
  [ "${PIPESTATUS[0]}" -eq 0 ] || { tail -50 "$logs/$preset-build.log"; return 1; }
  echo "=== $preset: test"
  "$@" ctest --preset "$preset" 2>&1 | tee "$logs/$preset-ctest.log"
  return "${PIPESTATUS[0]}"
}

broken=0  # presets that did not get as far as running their tests
run() {
  local preset=$1
  run_preset "$@" && return 0
  status=1
  grep -qE "tests passed, [0-9]+ tests failed out of" "$logs/$preset-ctest.log" 2>/dev/null ||
    { echo "*** $preset did not build or run its tests"; broken=$((broken + 1)); }
}
rm -f "$logs"/*-ctest.log
run native
run windows xvfb-run -a -s "-screen 0 1280x1024x24"
# Bounded fuzzing of the parsers that read outside input (set VYN_FUZZ_SECONDS for
# longer runs, and VYN_FUZZ_SEED to a number other than 0 for runs that repeat).
CONFIGURE_ARGS="-DVYN_FUZZ_SECONDS=${VYN_FUZZ_SECONDS:-20} -DVYN_FUZZ_SEED=${VYN_FUZZ_SEED:-0}" run fuzz

passed=0
failed=$broken
for f in "$logs"/native-ctest.log "$logs"/windows-ctest.log "$logs"/fuzz-ctest.log; do
  [ -f "$f" ] || continue
  line=$(grep -E "tests passed, [0-9]+ tests failed out of" "$f" | tail -1)
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
  bad=$(sed -E 's/.*, ([0-9]+) tests failed.*/\1/' <<<"$line")
  [ -n "$line" ] || continue
  passed=$((passed + total - bad))
  failed=$((failed + bad))
done
for note in build/*/wineprefix.fallback; do
  [ -f "$note" ] || continue
  echo
  echo "note: the Wine prefix of $(dirname "$note") was made outside the build folder, because:"
  head -n 30 "$note"
done
echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] || status=1
exit $status
