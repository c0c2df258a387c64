#!/bin/bash
# The test command: installs what is needed, builds the three presets and runs
# every test: natively (ASan + UBSan), under Wine with a virtual display, and the
# fuzzers for a bounded time.
#
# The Windows build comes first, on every core. Its Wine tests mostly wait (on
# windows, servers and timeouts), so they run in the background, group beside
# group (cmake/WineFixtures.cmake), while the native and fuzz builds and their
# tests take the cores the Wine tests leave idle: as SCHED_IDLE processes, which
# give way at once to any other. (Under nice 19 they still delayed each of Wine's
# many wake-ups and doubled the Wine tests' time.)
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
begun=$(date +%s)
scripts/install-deps.sh || exit 1

logs=build/test-logs
mkdir -p "$logs"
rm -f "$logs"/*-ctest.log "$logs"/*-ctest.rc
status=0
# Bounded fuzzing of the parsers that read outside input (set VYN_FUZZ_SECONDS for
# longer runs, and VYN_FUZZ_SEED to a number other than 0 for runs that repeat).
fuzz_args="-DVYN_FUZZ_SECONDS=${VYN_FUZZ_SECONDS:-10} -DVYN_FUZZ_SEED=${VYN_FUZZ_SEED:-0}"

# configure PRESET [ARGS...]
configure() {
  local preset=$1
  shift
  cmake --preset "$preset" "$@" >"$logs/$preset-configure.log" 2>&1 ||
    { cat "$logs/$preset-configure.log"; return 1; }
}

# build PRESET [RUNNER...]: the preset's build under RUNNER (nice), its warnings shown.
build() {
  local preset=$1
  shift
  echo "=== $preset: build"
  "$@" cmake --build --preset "$preset" >"$logs/$preset-build.log" 2>&1
  local rc=$?
  grep -E "(error|warning):" "$logs/$preset-build.log"
  [ "$rc" -eq 0 ] || { tail -50 "$logs/$preset-build.log"; return 1; }
}

# tests PRESET [RUNNER...]: ctest of the preset under RUNNER, into its log.
tests() {
  local preset=$1
  shift
  "$@" ctest --preset "$preset" >"$logs/$preset-ctest.log" 2>&1
  echo $? >"$logs/$preset-ctest.rc"
}

# stage PRESET BUILD_RUNNER TEST_RUNNER...: build and test a configured preset.
stage() {
  local preset=$1 runner=$2
  shift 2
  [ -f "build/$preset/build.ninja" ] || return 0
  # shellcheck disable=SC2086 # the runner is words
  if build "$preset" $runner; then
    tests "$preset" "$@"
  else
    echo "*** $preset did not build"
  fi
}

# The three configurations at once: each is mostly one process.
configure windows &
configure native &
# shellcheck disable=SC2086 # the fuzz arguments are words
configure fuzz $fuzz_args &
wait

idle="chrt --idle 0"
wine_job=
if [ -f build/windows/build.ninja ] && build windows; then
  tests windows xvfb-run -a -s "-screen 0 1280x1024x24" &
  wine_job=$!
else
  echo "*** windows did not build"
fi
# shellcheck disable=SC2086 # the runner is words
stage fuzz "$idle" $idle &
fuzz_job=$!
# shellcheck disable=SC2086 # the runner is words
stage native "$idle" $idle
wait "$fuzz_job"
[ -n "$wine_job" ] && wait "$wine_job"

passed=0
failed=0
broken=0 # presets that did not get as far as running their tests
for preset in native windows fuzz; do
  log="$logs/$preset-ctest.log"
  echo "=== $preset: test"
  [ -f "$log" ] && cat "$log"
  rc=$(cat "$logs/$preset-ctest.rc" 2>/dev/null || echo 1)
  [ "$rc" -eq 0 ] || status=1
  line=$(grep -E "tests passed, [0-9]+ tests failed out of" "$log" 2>/dev/null | tail -1)
  if [ -z "$line" ]; then
    echo "*** $preset did not build or run its tests"
    broken=$((broken + 1))
    continue
  fi
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
  bad=$(sed -E 's/.*, ([0-9]+) tests failed.*/\1/' <<<"$line")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
done
failed=$((failed + broken))
for note in build/*/wineprefix*.fallback; do
  [ -f "$note" ] || continue
  echo
  echo "note: the Wine prefix $note was made outside the build folder, because:"
  head -n 30 "$note"
done
echo
echo "slowest: $(cat "$logs"/*-ctest.log 2>/dev/null |
  sed -nE 's/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: ([^ ]+) \.+ *[A-Za-z*]+.* ([0-9.]+) sec$/\2 \1/p' |
  sort -rn | head -3 | awk '{ printf "%s%s %.0f s", sep, $2, $1; sep = ", " }')"
echo "the test command took $(($(date +%s) - begun)) s"
echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] || status=1
exit $status
