#!/usr/bin/env bash
# Installs the Debian packages the editor needs (only those missing), then configures and
# builds it in ./build. Sourced by run.sh, test.sh and bench.sh.
set -euo pipefail

# What the editor needs to build and run, on a file or on a server: the server's client driver,
# not a server. The catalogues are built by lrelease (qt6-l10n-tools) through the CMake
# functions that only qt6-tools-dev carries.
packages=(cmake g++ make pkg-config qt6-base-dev libqt6sql6-sqlite libsqlite3-dev libx11-dev sqlite3
          mdbtools-dev libqt6sql6-psql libpq-dev libxlsxwriter-dev qtkeychain-qt6-dev
          qt6-tools-dev qt6-l10n-tools qt6-translations-l10n)
# The tests, the benchmark and scripts/local-server.sh also run a PostgreSQL server (and the
# tests read printed PDF files and Excel workbooks back, and put PgBouncer and client certificates
# made by openssl in front of their servers); a caller that needs them sets with_server=1 before
# sourcing this file.
if [ "${with_server:-0}" = 1 ]; then
  packages+=(postgresql poppler-utils unzip pgbouncer openssl)
  # The keyring test runs a secret service of its own on a session bus of its own.
  packages+=(gnome-keyring dbus-daemon)
fi
# A caller that needs more (the packaging tools) names them in extra_packages.
packages+=(${extra_packages[@]+"${extra_packages[@]}"})
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# The prefix the package installs into (scripts/package.sh makes it from this very build):
# the programs look for the Jet reader and the sample there.
# A machine that has ccache builds again only what changed, also after build/ was removed and
# in another clone of the project (paths inside it are taken relative to it); the precompiled
# headers need its looser matching of them to be kept.
launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=)
if command -v ccache >/dev/null; then
  launcher=("-DCMAKE_CXX_COMPILER_LAUNCHER=env;CCACHE_BASEDIR=$top;CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime;ccache")
fi
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  ${launcher[@]+"${launcher[@]}"} >/dev/null
# build_targets, when the caller sets it, names what to build (the run command builds only the
# editor and what it starts); otherwise everything is built, tests and benchmarks included.
targets=()
for t in ${build_targets[@]+"${build_targets[@]}"}; do targets+=(--target "$t"); done
cmake --build "$top/build" -j"$(nproc)" ${targets[@]+"${targets[@]}"}
