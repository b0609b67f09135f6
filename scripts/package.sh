#!/usr/bin/env bash
# Builds the Debian package build/fabrilux-bom-editor_VERSION_ARCH.deb: installs what is
# missing (the build's packages and the packaging tools), builds into build/ only what the
# package holds, reusing whatever run.sh or test.sh built there already, and makes the
# package of it with CPack. Prints the package's path last.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
# dpkg-shlibdeps (dpkg-dev) finds the package's dependencies; rsvg-convert (librsvg2-bin)
# draws the icon's PNG sizes from its SVG.
extra_packages=(dpkg-dev librsvg2-bin)
build_targets=(bom-editor bom-import bom-jet-reader bom_sample_database bom_icons bom_documents
               bom_translations)
source "$top/scripts/setup.sh"
cd "$top/build"
rm -f fabrilux-bom-editor_*.deb
cpack -G DEB >/dev/null
ls "$top"/build/fabrilux-bom-editor_*.deb
