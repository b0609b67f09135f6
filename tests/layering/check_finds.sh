#!/usr/bin/env bash
# The layering check on wrong/, a small source tree made to break each rule once and to keep
# each allowed case beside it, with wrong-tools/ as its programs' folder: the check must fail
# and name exactly the lines in expected.txt (file:line, a program's as tools/…). Usage:
# check_finds.sh QT_HEADER_FOLDER
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
output=$(bash "$here/check.sh" "$here/wrong" "${1:?Qt header folder}" "$here/wrong-tools")
status=$?
echo "$output"
if ((status != 1)); then
    echo "the check ended with $status on a tree with wrong includes, not 1"
    exit 1
fi
found=$(sed -n -e "s|^$here/wrong/\([^:]*:[0-9]*\):.*|\1|p" \
               -e "s|^$here/wrong-tools/\([^:]*:[0-9]*\):.*|tools/\1|p" <<<"$output")
if ! diff <(sort <<<"$found") <(sort "$here/expected.txt"); then
    echo "the check named other includes than expected.txt ('<' found, '>' expected)"
    exit 1
fi
