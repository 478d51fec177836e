#!/usr/bin/env bash
# Builds everything and runs every test under Wine, in a private prefix of the build tree.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
status=0
ctest --preset windows-x64 || status=$?
# Whatever happened, leave no wineserver or Xvfb of this run behind.
tests/support/wine-prefix.sh stop build/windows-x64
exit $status
