#!/bin/bash
# Runs the retrieval benchmark under Wine in the build folder's own prefix.
# Usage: bench/run-retrieval-bench.sh [BUILD_DIR]   (default build/windows)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/windows}
export WINEPREFIX=$PWD/$build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export http_proxy= HTTP_PROXY= https_proxy= no_proxy='*'
cmake --build "$build" --target retrieval_bench
scripts/wine-prefix.sh up "$WINEPREFIX" >/dev/null
status=0
wine "$build/bench/retrieval_bench.exe" || status=$?
scripts/wine-prefix.sh down "$WINEPREFIX" >/dev/null
exit $status
