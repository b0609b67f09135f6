#!/usr/bin/env bash
# Fails when the source tree loses the shape that keeps each job in its own place, and prints
# every broken rule with its files, not only the first. Usage: shape.sh SOURCE_FOLDER
#
# - no file over 600 lines: a file that long holds more than one job;
# - one statement class per backend: no `class Stmt` of a file's own;
# - the PostgreSQL store reaches its server on libpq sessions only, never through Qt SQL;
# - the tree keeps its files in folders by role, at most 3 .cpp files directly in tree/;
# - only the store's thread and the two change watchers start threads, so that every other
#   piece of work is a trip on the store's thread and nothing runs where nobody waits for it;
# - the main window lays out and routes: BomWindow.cpp stays under 350 lines.
set -uo pipefail

src=${1:?source folder}
cd "$src" || exit 2

failed=0
# Prints `rule` and the lines that break it (empty: the rule holds).
report() {
    local rule=$1 found=$2
    [[ -n $found ]] || return 0
    echo "$rule:"
    sed 's/^/  /' <<<"$found"
    failed=$((failed + 1))
}

# Every text file (sources, build files, documents); images are no lines.
files=$(find . -type f -exec grep -lI '' {} + | sed 's|^\./||' | sort)
if [[ -z $files ]]; then
    echo "no sources under $src" >&2
    exit 2
fi
code=$(grep -E '\.(h|cpp)$' <<<"$files")

report "files over 600 lines" "$(while IFS= read -r file; do
    lines=$(wc -l <"$file")
    ((lines > 600)) && echo "$file: $lines lines"
done <<<"$files")"

# Prints each line of the code files that matches `pattern` (grep -E, -o when `only` is -o),
# as file:line:text, comments and includes blanked first. Files named in `allowed` are left out.
codeMatches() {
    local pattern=$1 only=$2 allowed file
    allowed=$(echo $3) # one space between names
    while IFS= read -r file; do
        [[ " $allowed " == *" $file "* ]] && continue
        sed -E 's://.*$::; /^[[:space:]]*#[[:space:]]*include/s/.*//' "$file" |
            grep -n $only -E "$pattern" | sed "s|^|$file:|"
    done <<<"$code"
}

report "a statement class of a file's own (the backend's own statement class serves)" \
    "$(codeMatches '\bclass[[:space:]]+Stmt\b' '' '')"

if [[ -d store/postgres ]]; then
    report "Qt SQL in the PostgreSQL store (its server is reached on libpq sessions only)" \
        "$(grep -rnE '\bQSql(Database|Query)\b' store/postgres)"
fi

if [[ -d tree ]]; then
    direct=$(find tree -maxdepth 1 -type f -name '*.cpp' | sed 's|^\./||' | sort)
    if (($(grep -c . <<<"$direct") > 3)); then
        report "more than 3 .cpp files directly in tree/ (each belongs in its role's folder)" "$direct"
    fi
fi

# A thread is started by naming what starts one: std::thread, std::jthread, std::async,
# QtConcurrent, QThreadPool, pthread_create, or QThread other than its static questions about
# the thread one is on. Comments do not count.
threadWords='\b(std::j?thread|std::async|QtConcurrent|QThreadPool|pthread_create)\b|\bQThread\b(::(currentThread|isMainThread|msleep|usleep|sleep|yieldCurrentThread|idealThreadCount)\b)?'
report "threads started outside the store's thread and the two change watchers" "$(
    codeMatches "$threadWords" -o "store/runtime/StoreThread.cpp store/sqlite/SqliteChangeWatcher.cpp
        store/postgres/PgChangeWatcher.cpp" | grep -vE ':QThread::[a-zA-Z]+$')"

if [[ -f shell/window/BomWindow.cpp ]]; then
    lines=$(wc -l <shell/window/BomWindow.cpp)
    ((lines >= 350)) &&
        report "the main window over its size (it lays out and routes; each command lives in its feature)" \
            "shell/window/BomWindow.cpp: $lines lines, 350 at most"
fi

if ((failed)); then
    echo "$failed rules broken"
    exit 1
fi
echo "$(grep -c . <<<"$files") files: every rule holds"
