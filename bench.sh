#!/usr/bin/env bash
# Installs what is missing, builds, and runs the benchmark (bom-bench). Pass --smoke for a
# quick run on small databases, --runs N for more or fewer runs of each case.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
with_server=1
source "$top/scripts/setup.sh"
exec "$top/build/bench/bom-bench" "$@"
