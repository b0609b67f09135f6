#!/usr/bin/env bash
# Installs what is missing, builds, and starts the editor. On a fresh checkout it opens the
# sample database: the database file is built beside the program from data/sample.sql and
# remembered in workdir.txt, but only when no workdir.txt exists there yet.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
# Only the editor and the Jet reader it starts for an import: no tests, no benchmarks.
build_targets=(bom-editor bom-jet-reader)
source "$top/scripts/setup.sh"

source "$top/scripts/sample.sh"
[ -e "$top/build/workdir.txt" ] || printf '%s\r\n' "$sample" > "$top/build/workdir.txt"
exec "$top/build/bom-editor" "$@"
