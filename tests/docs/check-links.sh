#!/usr/bin/env bash
# Checks that every link of the README and of the documents under docs/ resolves: a file or a
# picture exists where the link points, and a link to a heading (#name) names a heading of its
# document, spelt as the heading's anchor is made (lower case, punctuation dropped, blanks as
# hyphens). Web addresses are left alone. PENDING, when given, names documents that may be
# linked before they exist (one path from the top a line).
#
#   check-links.sh TOP [PENDING]
set -uo pipefail
export LC_ALL=C.UTF-8
top=$1
pending=${2:-}
failures=0

anchors() { # the anchors of the headings of file $1, one a line
  sed -n 's/^#\{1,6\} \{1,\}//p' "$1" | tr '[:upper:]' '[:lower:]' |
    sed -E 's/[^[:alnum:] _-]//g; s/ /-/g'
}

documents=("$top/README.md")
while IFS= read -r -d '' file; do documents+=("$file"); done < <(find "$top/docs" -name '*.md' -print0)
for document in "${documents[@]}"; do
  [ -f "$document" ] || continue
  folder=$(dirname "$document")
  # Every "](target)" outside code blocks.
  while IFS= read -r target; do
    case $target in http://* | https://* | mailto:*) continue ;; esac
    path=${target%%#*}
    anchor=
    [[ $target == *'#'* ]] && anchor=${target#*#}
    file=$document
    [ -n "$path" ] && file=$(realpath -m "$folder/$path")
    if [ ! -e "$file" ]; then
      relative=${file#"$top"/}
      if [ -n "$pending" ] && grep -qxF "$relative" "$pending"; then
        continue
      fi
      echo "${document#"$top"/}: $target: no such file"
      failures=$((failures + 1))
      continue
    fi
    if [ -n "$anchor" ] && ! anchors "$file" | grep -qxF "$anchor"; then
      echo "${document#"$top"/}: $target: no such heading in ${file#"$top"/}"
      failures=$((failures + 1))
    fi
  done < <(awk '/^```/ { code = !code; next } !code' "$document" |
           grep -o '\](\([^)]*\))' | sed 's/^](//; s/)$//')
done
if [ "$failures" -gt 0 ]; then
  echo "$failures broken links"
  exit 1
fi
echo "every link resolves (${#documents[@]} documents)"
