#!/usr/bin/env bash
# The shape check on two small trees made here: one that keeps every rule, each at its limit and
# with the cases that look like a break and are none (a thread's name asked, a comment, an
# include, the allowed thread starters), which must pass; and the same tree with one break of
# each rule, which must fail naming exactly those breaks.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT

lines() { for ((i = 0; i < $1; ++i)); do echo "// $i"; done; }
mkdir -p "$tree"/{tree/bill,store/runtime,store/sqlite,store/postgres,shell/window,desktop}
lines 600 >"$tree/store/Long.cpp"
lines 349 >"$tree/shell/window/BomWindow.cpp"
for name in A B C; do echo "int $name;" >"$tree/tree/$name.cpp"; done
echo 'int d;' >"$tree/tree/bill/D.cpp"
echo 'std::thread m_thread; QThreadPool p;' >"$tree/store/runtime/StoreThread.cpp"
echo 'std::thread m_thread;' >"$tree/store/sqlite/SqliteChangeWatcher.cpp"
echo 'std::thread m_thread;' >"$tree/store/postgres/PgChangeWatcher.cpp"
echo 'class Statement {}; // no class Stmt here' >"$tree/store/sqlite/SqliteStatement.h"
cat >"$tree/desktop/Quiet.cpp" <<'EOF'
#include <QThread>
#include <QtConcurrent>
// a std::thread would be wrong here
bool here() { return QThread::currentThread() == QThread::currentThread(); }
EOF

output=$(bash "$here/shape.sh" "$tree")
status=$?
if ((status != 0)); then
    echo "$output"
    echo "the check ended with $status on a tree that keeps every rule, not 0"
    exit 1
fi

echo '// one more' >>"$tree/store/Long.cpp"
echo '// one more' >>"$tree/shell/window/BomWindow.cpp"
echo 'int e;' >"$tree/tree/E.cpp"
echo 'class Stmt {};' >"$tree/store/sqlite/HistoryParts.cpp"
echo 'QSqlQuery query;' >"$tree/store/postgres/PgHistory.cpp"
printf '%s\n' 'auto a = std::async([] {});' 'QtConcurrent::run([] {});' \
    'class Worker : public QThread {};' 'std::jthread j;' >"$tree/desktop/Busy.cpp"

output=$(bash "$here/shape.sh" "$tree")
status=$?
echo "$output"
if ((status != 1)); then
    echo "the check ended with $status on a tree that breaks every rule, not 1"
    exit 1
fi
expected="files over 600 lines:
  store/Long.cpp: 601 lines
a statement class of a file's own (the backend's own statement class serves):
  store/sqlite/HistoryParts.cpp:1:class Stmt {};
Qt SQL in the PostgreSQL store (its server is reached on libpq sessions only):
  store/postgres/PgHistory.cpp:1:QSqlQuery query;
more than 3 .cpp files directly in tree/ (each belongs in its role's folder):
  tree/A.cpp
  tree/B.cpp
  tree/C.cpp
  tree/E.cpp
threads started outside the store's thread and the two change watchers:
  desktop/Busy.cpp:1:std::async
  desktop/Busy.cpp:2:QtConcurrent
  desktop/Busy.cpp:3:QThread
  desktop/Busy.cpp:4:std::jthread
the main window over its size (it lays out and routes; each command lives in its feature):
  shell/window/BomWindow.cpp: 350 lines, 350 at most
6 rules broken"
if ! diff <(echo "$expected") <(echo "$output"); then
    echo "the check named other breaks than expected ('<' expected, '>' found)"
    exit 1
fi
