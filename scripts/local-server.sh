#!/usr/bin/env bash
# Starts this computer's PostgreSQL server (Debian's own cluster), makes a database of the
# editor's for the current user, and copies the sample database onto it, so that several
# editors can work on one server. Safe to run again: what is there already is kept.
#
#   scripts/local-server.sh [DATABASE]     (DATABASE defaults to "bom")
#
# Prints the address to open: ./run.sh ADDRESS, build/bom-editor ADDRESS, or File > Connect to
# Server… with an empty host and that database.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
database=${1:-bom}
# The name goes into SQL, a connection string and an address: plain names only.
if ! [[ $database =~ ^[A-Za-z_][A-Za-z0-9_]*$ ]]; then
  echo "local-server.sh: '$database' is not a plain database name (letters, digits and _)" >&2
  exit 1
fi
# The editor, the Jet reader and bom-import, which copies the sample onto the server.
build_targets=(bom-editor bom-jet-reader bom-import)
with_server=1
source "$top/scripts/setup.sh"

source "$top/scripts/sample.sh"

if [ "$(id -u)" -eq 0 ]; then as_root=(); else as_root=(sudo); fi
as_postgres() { "${as_root[@]}" runuser -u postgres -- "$@"; }

# Debian's package made a cluster at its installation; make one where it did not.
version=$(ls /usr/lib/postgresql | sort -V | tail -n 1)
if ! pg_lsclusters -h | grep -q .; then
  "${as_root[@]}" pg_createcluster "$version" main
fi
read -r cluster_version cluster_name _ status _ < <(pg_lsclusters -h | head -n 1)
if [ "$status" != online ]; then
  "${as_root[@]}" pg_ctlcluster "$cluster_version" "$cluster_name" start
fi

# The user logs in over the local socket by name (peer authentication): no password needed.
user=$(id -un)
# Names as psql variables (:'name' quotes them), never pasted into the SQL text.
exists() { as_postgres psql -tA -v name="$2" <<<"SELECT 1 FROM $1 = :'name'"; }
if [ -z "$(exists "pg_roles WHERE rolname" "$user")" ]; then
  as_postgres createuser "$user"
fi
if [ -z "$(exists "pg_database WHERE datname" "$database")" ]; then
  as_postgres createdb --owner="$user" "$database"
fi

address="postgresql:///$database"
rows=$(psql -tA -d "$database" -c "SELECT count(*) FROM bomdetail" 2>/dev/null || echo 0)
if [ "$rows" = 0 ]; then
  "$top/build/bom-import" "$sample" "$address"
else
  echo "$address already holds $rows bill lines: left as it is."
  # Tables made by an earlier release lack the triggers that tell editors of each other's
  # changes; --create-schema adds what is missing and leaves the rows alone.
  "$top/build/bom-import" --create-schema "$address"
fi
echo
echo "The database is ready: $address"
echo "Open it with:  ./run.sh $address      (and a second editor: build/bom-editor $address)"
