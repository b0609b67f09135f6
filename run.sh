#!/usr/bin/env bash
# Installs what is missing, builds, and starts the editor. On a fresh checkout it opens the
# sample database: the database file is built beside the program from data/sample.sql and
# remembered in workdir.txt, but only when no workdir.txt exists there yet.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
# The editor is a window: without a display to show it on, say so before minutes of building.
# --help and --version print without one.
case ${1:-} in
  -h|--help|--version) ;;
  *)
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
      cat >&2 <<'EOF'
run.sh: there is no display to start the editor on (DISPLAY and WAYLAND_DISPLAY are not set).
Run it in a desktop session or over ssh -X, or name a Qt platform yourself:
QT_QPA_PLATFORM=offscreen ./run.sh starts it without a window. ./test.sh needs no display.
EOF
      exit 1
    fi
    ;;
esac
# Only the editor and the Jet reader it starts for an import: no tests, no benchmarks.
build_targets=(bom-editor bom-jet-reader)
source "$top/scripts/setup.sh"

source "$top/scripts/sample.sh"
[ -e "$top/build/workdir.txt" ] || printf '%s\r\n' "$sample" > "$top/build/workdir.txt"
exec "$top/build/bom-editor" "$@"
