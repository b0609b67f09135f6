#!/usr/bin/env bash
# Starts this computer's PostgreSQL server (Debian's own cluster), makes a database of the
# editor's for a user, and copies the sample database onto it, so that several editors can work
# on one server. Safe to run again: what is there already is kept.
#
#   scripts/local-server.sh [--user NAME] [DATABASE]     (DATABASE defaults to "bom")
#
# The user is the one named with --user, else the one who ran sudo (SUDO_USER), else the one
# running the script: the role and the database are theirs, so that they log in over the local
# socket by their own name. Prints the address to open (./run.sh ADDRESS, build/bom-editor
# ADDRESS, or File > Connect to Server… with an empty host and that database), then how to stop
# the server and keep it from starting at boot.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
usage() { echo "usage: scripts/local-server.sh [--user NAME] [DATABASE]" >&2; exit 2; }
user=${SUDO_USER:-$(id -un)}
database=bom
while [ $# -gt 0 ]; do
  case $1 in
    --user) [ $# -ge 2 ] || usage; user=$2; shift 2 ;;
    --user=*) user=${1#--user=}; shift ;;
    -h|--help) usage ;;
    -*) usage ;;
    *) database=$1; shift ;;
  esac
done
# The name goes into SQL, a connection string and an address: plain names only.
if ! [[ $database =~ ^[A-Za-z_][A-Za-z0-9_]*$ ]]; then
  echo "local-server.sh: '$database' is not a plain database name (letters, digits and _)" >&2
  exit 1
fi
# The role is the system user's own name (peer authentication): it must be one.
if ! id -u "$user" >/dev/null 2>&1; then
  echo "local-server.sh: there is no user '$user' on this computer" >&2
  exit 1
fi
# The editor, the Jet reader and bom-import, which copies the sample onto the server.
build_targets=(bom-editor bom-jet-reader bom-import)
with_server=1
source "$top/scripts/setup.sh"

source "$top/scripts/sample.sh"

if [ "$(id -u)" -eq 0 ]; then as_root=(); else as_root=(sudo); fi
as_postgres() { "${as_root[@]}" runuser -u postgres -- "$@"; }
# The rows are read and copied as the user, who owns the database and the tables made in it.
as_user() {
  if [ "$user" = "$(id -un)" ]; then "$@"; else "${as_root[@]}" runuser -u "$user" -- "$@"; fi
}

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
# Names as psql variables (:'name' quotes them), never pasted into the SQL text.
exists() { as_postgres psql -tA -v name="$2" <<<"SELECT 1 FROM $1 = :'name'"; }
if [ -z "$(exists "pg_roles WHERE rolname" "$user")" ]; then
  as_postgres createuser "$user"
fi
if [ -z "$(exists "pg_database WHERE datname" "$database")" ]; then
  as_postgres createdb --owner="$user" "$database"
fi

address="postgresql:///$database"
rows=$(as_user psql -tA -d "$database" -c "SELECT count(*) FROM bomdetail" 2>/dev/null || echo 0)
if [ "$rows" = 0 ]; then
  as_user "$top/build/bom-import" "$sample" "$address"
else
  echo "$address already holds $rows bill lines: left as it is."
  # Tables made by an earlier release lack the triggers that tell editors of each other's
  # changes; --create-schema adds what is missing and leaves the rows alone.
  as_user "$top/build/bom-import" --create-schema "$address"
fi
echo
echo "The database is ready for $user: $address"
echo "Open it with:  ./run.sh $address      (and a second editor: build/bom-editor $address)"
echo
echo "The server runs until it is stopped, and starts again when the computer does."
echo "To stop it:                        sudo pg_ctlcluster $cluster_version $cluster_name stop"
echo "To keep it from starting at boot:  sudo systemctl disable postgresql@$cluster_version-$cluster_name"
echo "  (without systemd: write 'manual' into /etc/postgresql/$cluster_version/$cluster_name/start.conf)"
