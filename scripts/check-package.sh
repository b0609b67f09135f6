#!/usr/bin/env bash
# Checks the Debian package that scripts/package.sh made (or the one named): it holds every
# file an install needs, lintian finds no error, the launcher and the AppStream metainfo
# validate, and the package unpacked into a temporary root (dpkg -x) works from there: its
# bom-import finds its own Jet reader, and its editor starts offscreen as a user who may not
# write beside it, opens the sample and keeps workdir.txt in XDG_CONFIG_HOME.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
tools=(lintian desktop-file-utils appstream)
missing=()
for p in "${tools[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

deb=${1:-$(ls -t "$top"/build/fabrilux-bom-editor_*.deb | head -n 1)}
id=com.fabrilux.BomEditor
failures=0
passes=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; passes=$((passes + 1)); }

contents=$(dpkg-deb --contents "$deb" | awk '{print $NF}' | sed 's|^\./|/|')
expected=(/usr/bin/bom-editor /usr/bin/bom-import /usr/libexec/fabrilux-bom/bom-jet-reader
          /usr/share/fabrilux-bom-editor/sample.db /usr/share/applications/$id.desktop
          /usr/share/fabrilux-bom-editor/translations/bom_de.qm
          /usr/share/metainfo/$id.metainfo.xml /usr/share/icons/hicolor/scalable/apps/$id.svg
          /usr/share/man/man1/bom-editor.1.gz /usr/share/man/man1/bom-import.1.gz
          /usr/share/doc/fabrilux-bom-editor/copyright /usr/share/doc/fabrilux-bom-editor/changelog.gz
          /usr/share/doc/fabrilux-bom-editor/README.md /usr/share/doc/fabrilux-bom-editor/docs/guide.md
          /usr/share/doc/fabrilux-bom-editor/docs/images/main-window.png)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/$id.png")
done
for file in "${expected[@]}"; do
  grep -qxF "$file" <<<"$contents" || fail "the package lacks $file"
done
[ "$failures" -eq 0 ] && pass "the package holds all ${#expected[@]} files"

# Errors fail; warnings are shown (lintian's note that it runs as root is not one).
if lintian --fail-on error "$deb" 2> >(grep -v 'running with root privileges' >&2); then
  pass "lintian finds no error"
else
  fail "lintian"
fi
depends=$(dpkg-deb --field "$deb" Depends)
for library in libqt6widgets6 libmdb3 libpq5 libsqlite3-0 libxlsxwriter4 libqt6sql6-sqlite \
               libqt6keychain1; do
  grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done

work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
chmod 755 "$work"
root=$work/root
dpkg -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/$id.desktop" && pass "desktop-file-validate" ||
  fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" >/dev/null &&
  pass "appstreamcli validate" || fail "appstreamcli validate"
for page in bom-editor bom-import; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z \
             "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] && pass "man $page" || fail "man $page: $warnings"
done

version=$(dpkg-deb --field "$deb" Version)
got=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/bom-editor" --version)
[ "$got" = "bom-editor $version" ] && pass "--version" || fail "--version says '$got', the package $version"

# The unpacked bom-import reads a Jet file through the reader beside it in the root's libexec,
# and fails without it (unless the package is installed as well, whose reader it may then use).
jet=$top/tests/import/data/jet/bom_jet4.mdb
if "$root/usr/bin/bom-import" "$jet" "$work/imported.db" >/dev/null 2>&1 &&
   [ "$(sqlite3 "$work/imported.db" 'SELECT count(*) FROM BomDetail')" -gt 0 ]; then
  pass "bom-import reads a Jet file with its own reader"
else
  fail "bom-import of $jet"
fi
if [ ! -e /usr/libexec/fabrilux-bom/bom-jet-reader ]; then
  mv "$root/usr/libexec/fabrilux-bom/bom-jet-reader" "$work/reader"
  error=$("$root/usr/bin/bom-import" "$jet" "$work/without.db" 2>&1 || true)
  # ... and names the place fixed at build time, where an installed package keeps it.
  grep -q '^1103 .*/usr/libexec/fabrilux-bom' <<<"$error" && pass "without its reader bom-import says so" ||
    fail "without its reader bom-import said: $error"
  mv "$work/reader" "$root/usr/libexec/fabrilux-bom/bom-jet-reader"
fi

# The catalogues come with the package and are found from where it was unpacked.
said=$("$root/usr/bin/bom-import" --lang de "$work/missing.mdb" "$work/none.db" 2>&1 || true)
grep -q '^1100 Die Datei' <<<"$said" && pass "bom-import --lang de speaks German from its catalogue" ||
  fail "bom-import --lang de said: $said"

# The editor as a user who may not write beside it: root may write anywhere, so root runs it
# as nobody; another user takes the write bits off the folder.
user=()
if [ "$(id -u)" -eq 0 ]; then
  user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  mkdir -m 700 "$work/home" "$work/run"
  chown nobody:nogroup "$work/home" "$work/run"
else
  mkdir -m 700 "$work/home" "$work/run"
fi
chmod a-w "$root/usr/bin"
config=$work/home/config
workdir="$config/Fabrilux/Fabrilux Bill of Material Editor/workdir.txt"
copy="$work/home/data/Fabrilux/Fabrilux Bill of Material Editor/sample.db"
env -i PATH=/usr/bin:/bin HOME="$work/home" XDG_CONFIG_HOME="$config" \
  XDG_DATA_HOME="$work/home/data" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen \
  LC_ALL=C.UTF-8 "${user[@]}" "$root/usr/bin/bom-editor" >"$work/editor.log" 2>&1 &
editor=$!
for _ in $(seq 1 100); do
  [ -s "$workdir" ] && break
  kill -0 "$editor" 2>/dev/null || break
  sleep 0.2
done
# Then the window opens and reads the sample's item list: still running after that.
sleep 3
if kill -0 "$editor" 2>/dev/null; then
  pass "the unpacked editor starts offscreen"
  kill "$editor"
else
  fail "the unpacked editor stopped: $(cat "$work/editor.log")"
fi
wait "$editor" 2>/dev/null || true
if [ "$(cat "$workdir" 2>/dev/null)" = "$copy"$'\r' ]; then
  pass "workdir.txt in XDG_CONFIG_HOME names the user's copy of the sample"
else
  fail "workdir.txt in XDG_CONFIG_HOME: '$(cat "$workdir" 2>/dev/null)'"
fi
[ -e "$root/usr/bin/workdir.txt" ] && fail "workdir.txt beside the read-only program"
cmp -s "$copy" "$root/usr/share/fabrilux-bom-editor/sample.db" && pass "the sample copied" ||
  fail "no copy of the sample in XDG_DATA_HOME"

echo "Package: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
