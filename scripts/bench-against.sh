#!/usr/bin/env bash
# Runs one group of the benchmark for an earlier release and for this checkout in turn, on the
# same databases, so that a change's figures are compared under the same load of the machine.
#
#   scripts/bench-against.sh REF GROUP [ROUNDS]
#
# REF is any commit (a tag, a hash); GROUP is a bom-bench group (deep, server, live, scale, ...);
# ROUNDS (default 3) is how many times each binary runs the group, alternating, each run with
# bom-bench's own 7 runs per case. The earlier release is built once in a worktree of its own
# under build/against-REF; both read the databases of this checkout's build/bench/bench-data.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -lt 2 ]; then
    echo "usage: scripts/bench-against.sh REF GROUP [ROUNDS]" >&2
    exit 2
fi
ref=$1
group=$2
rounds=${3:-3}
commit=$(git -C "$top" rev-parse --verify "$ref^{commit}")
short=$(git -C "$top" rev-parse --short "$commit")

with_server=1
build_targets=(bom-bench)
source "$top/scripts/setup.sh"

before="$top/build/against-$short"
if [ ! -d "$before/src" ]; then
    git -C "$top" worktree add --detach "$before/src" "$commit" >/dev/null
fi
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$before/src" -B "$before/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
    >/dev/null
cmake --build "$before/build" -j"$(nproc)" --target bom-bench >/dev/null

now="$top/build/bench/bom-bench"
then_="$before/build/bench/bom-bench"
# One set of databases: the earlier binary reads the ones this checkout's bench made.
mkdir -p "$top/build/bench/bench-data"
rm -rf "$before/build/bench/bench-data"
ln -s "$top/build/bench/bench-data" "$before/build/bench/bench-data"

for round in $(seq 1 "$rounds"); do
    echo "== round $round: this checkout ($(git -C "$top" rev-parse --short HEAD))"
    "$now" --only "$group"
    echo "== round $round: $short"
    "$then_" --only "$group"
done
