#!/usr/bin/env bash
# Fails when a catalogue lacks a translation: runs lupdate over the program's sources into a
# copy of each catalogue, as `update_translations` would, and lists every entry it leaves
# unfinished (a text new in the code, or one changed since it was translated). The catalogues
# themselves are left as they are.
# Usage: check-catalogue.sh LUPDATE SOURCE_TOP CATALOGUE [--pluralonly CATALOGUE]...
set -euo pipefail
lupdate=${1:?lupdate}
top=${2:?source folder}
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
while (($#)); do
  options=()
  if [[ $1 == --pluralonly ]]; then
    options=(-pluralonly)
    shift
  fi
  catalogue=$1
  shift
  copy=$work/$(basename "$catalogue")
  cp "$catalogue" "$copy"
  (cd "$top" && "$lupdate" -silent -locations none -no-obsolete "${options[@]}" \
     -extensions cpp,h -I src src tools -ts "$copy") 2>"$work/lupdate.log" || {
    cat "$work/lupdate.log"
    echo "FAIL: lupdate could not read the sources for $(basename "$catalogue")"
    failures=$((failures + 1))
    continue
  }
  # Each unfinished entry with its context and source text, one a line.
  unfinished=$(python3 - "$copy" <<'PY'
import sys, xml.etree.ElementTree as ET
for context in ET.parse(sys.argv[1]).getroot().iter('context'):
    name = context.findtext('name')
    for message in context.iter('message'):
        if message.find('translation').get('type') == 'unfinished':
            print(f"{name}: {message.findtext('source')!r}")
PY
)
  if [[ -n $unfinished ]]; then
    echo "FAIL: $(basename "$catalogue") has $(wc -l <<<"$unfinished") unfinished entries" \
         "(cmake --build build --target update_translations, then translate them):"
    echo "$unfinished"
    failures=$((failures + 1))
  else
    echo "ok: $(basename "$catalogue") translates every text of the sources"
  fi
done
[ "$failures" -eq 0 ]
