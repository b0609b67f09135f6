# Sourced by run.sh and local-server.sh: builds the sample database build/sample.db from
# data/sample.sql when it is missing or older than its source. Needs $top.
sample="$top/build/sample.db"
if [ ! -f "$sample" ] || [ "$top/data/sample.sql" -nt "$sample" ]; then
  rm -f "$sample.new"
  sqlite3 "$sample.new" < "$top/data/sample.sql"
  mv "$sample.new" "$sample"
fi
