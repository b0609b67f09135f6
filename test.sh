#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (no display needed).
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
with_server=1
source "$top/scripts/setup.sh"
# The sample database, as the run command builds it, so that a test run leaves it ready too.
source "$top/scripts/sample.sh"
cd "$top/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 "$@"
