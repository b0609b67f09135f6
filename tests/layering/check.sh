#!/usr/bin/env bash
# Fails when an include in the source tree points the wrong way between its layers, or the
# window makes a store call of its own, and prints each such line as file:line. Usage:
# check.sh SOURCE_FOLDER QT_HEADER_FOLDER [TOOLS_FOLDER]
#
# The layers, from the bottom: the store (Qt Core and Sql, no widget; the contract in store/
# itself, one folder per backend below it that includes only the contract, and the run time in
# store/runtime, where only OpenStore.cpp reaches into the backends; nothing outside the store
# includes a backend but the import's SQLite source), the desktop services and the import
# beside them, the tree, the window. The window's store work is the tree's trips: the window
# holds no store, no history and no trip of its own. The programs in TOOLS_FOLDER (checked as
# tools/…) link the tree and the store, never the window.
set -euo pipefail

src=${1:?source folder}
qt=${2:?Qt header folder}
tools=${3:-}

# The headers of Qt's widget modules, by every name they are included by: <QBrush>,
# <qbrush.h>, <QtGui/QBrush>, <QtGui>.
declare -A widgetHeader=()
for module in QtGui QtWidgets QtPrintSupport; do
    if [[ ! -d $qt/$module ]]; then
        echo "no $module headers in $qt" >&2
        exit 2
    fi
    widgetHeader[$module]=1
    for header in "$qt/$module"/*; do
        widgetHeader[${header##*/}]=1
    done
done

# Sets `resolved` to `path` with its "." and ".." steps walked, as the compiler resolves it.
resolve() {
    local -a parts=() out=()
    local part
    IFS=/ read -r -a parts <<<"$1"
    for part in "${parts[@]}"; do
        case $part in
            '' | .) ;;
            ..) if ((${#out[@]})); then unset 'out[-1]'; else out+=(..); fi ;;
            *) out+=("$part") ;;
        esac
    done
    local IFS=/
    resolved="${out[*]}"
}

# Sets `why` to the reasons `file` may not include `target` (both relative to the source
# folder; `widget` is 1 for a header of Qt's widget modules), one a line; empty when it may.
refusal() {
    local file=$1 target=$2 widget=$3
    why=
    case $file in
        store/sqlite/*)
            [[ $target == store/postgres/* ]] &&
                refuse "the SQLite store includes nothing of the PostgreSQL store"
            [[ $target == store/runtime/* ]] &&
                refuse "a backend includes only the store's contract" ;;
        store/postgres/*)
            [[ $target == store/sqlite/* ]] &&
                refuse "the PostgreSQL store includes nothing of the SQLite store"
            [[ $target == store/runtime/* ]] &&
                refuse "a backend includes only the store's contract" ;;
        store/runtime/OpenStore.cpp) ;;
        store/runtime/*)
            [[ $target == store/sqlite/* || $target == store/postgres/* ]] &&
                refuse "the store's run time reaches a backend only through runtime/OpenStore.cpp" ;;
        store/*)
            [[ $target == store/sqlite/* || $target == store/postgres/* ]] &&
                refuse "the store's contract includes no backend; only runtime/OpenStore.cpp chooses one"
            [[ $target == store/runtime/* ]] &&
                refuse "the store's contract includes nothing of the store's run time" ;;
        # The one named exception: the import reads an SQLite source file with the SQLite
        # store's own statements and statement owner.
        import/SqliteSource.cpp) ;;
        *)
            [[ $target == store/sqlite/* || $target == store/postgres/* ]] &&
                refuse "outside the store only import/SqliteSource.cpp includes a backend; the rest speaks the store's contract" ;;
    esac
    case $file in
        store/*)
            [[ $target =~ ^(tree|shell|desktop|import|info)/ ]] &&
                refuse "the store includes nothing from the layers above it"
            [[ $widget == 1 ]] && refuse "the store uses no Qt Gui or Qt Widgets header" ;;
        tree/*)
            [[ $target == shell/* ]] && refuse "the tree includes nothing from the window" ;;
        shell/*)
            # Every call of the store is a trip of the tree, and the watch of other editors'
            # commits is the tree's LiveWatch.
            [[ $target == store/runtime/* ]] &&
                refuse "the window makes no store call: its store work is a trip of the tree" ;;
        tools/*)
            [[ $target == shell/* ]] &&
                refuse "a tool links the tree and the store, nothing of the window" ;;
        desktop/*)
            [[ $target =~ ^(tree|shell|store)/ ]] &&
                refuse "the desktop services include nothing from the tree, the window or the store" ;;
        import/*)
            [[ $target =~ ^(tree|shell|desktop)/ ]] &&
                refuse "the import includes nothing from the tree, the window or the desktop services" ;;
    esac
    return 0
}
refuse() { why+="$1"$'\n'; }

cd "$src"
files=0
includes=0
offences=0
# Checks the includes of every .h and .cpp under `root`, each file named `prefix` and its path
# there; a quoted name is looked for beside the file first, then from the source folder.
checkIncludes() {
    local root=$1 prefix=$2 file name number line quote spelled widget reason
    while IFS= read -r -d '' file; do
        file=${file#./}
        name=$prefix$file
        files=$((files + 1))
        number=0
        while IFS= read -r line || [[ -n $line ]]; do
            number=$((number + 1))
            [[ $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*([\"\<])([^\"\>]+)[\"\>] ]] || continue
            includes=$((includes + 1))
            quote=${BASH_REMATCH[1]}
            spelled=${BASH_REMATCH[2]}
            resolve "$spelled"
            if [[ $quote == '"' && $file == */* && -e $root/${file%/*}/$spelled ]]; then
                resolve "$prefix${file%/*}/$spelled"
            fi
            widget=0
            if [[ ! -f $resolved && ( -n ${widgetHeader[$spelled]:-} ||
                  -n ${widgetHeader[${spelled%%/*}]:-} ) ]]; then
                widget=1
            fi
            refusal "$name" "$resolved" "$widget"
            while IFS= read -r reason; do
                [[ -n $reason ]] || continue
                echo "$root/$file:$number: includes $spelled: $reason"
                offences=$((offences + 1))
            done <<<"$why"
        done <"$root/$file"
    done < <(cd "$root" && find . -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)
}
checkIncludes "$src" ""
if [[ -n $tools ]]; then
    [[ -d $tools ]] || { echo "no folder $tools" >&2; exit 2; }
    checkIncludes "$tools" tools/
fi

# SQL text stands only in the backends' folders: everything above them speaks the contract.
sqlWords='"[[:space:]]*(SELECT|INSERT INTO|UPDATE [A-Za-z_]+ SET|DELETE FROM|CREATE (TABLE|UNIQUE INDEX|INDEX)|DROP TABLE|ALTER TABLE|BEGIN( IMMEDIATE)?"|COMMIT"|ROLLBACK")'
while IFS= read -r -d '' file; do
    file=${file#./}
    case $file in store/sqlite/* | store/postgres/*) continue ;; esac
    while IFS=: read -r number _; do
        echo "$src/$file:$number: SQL text: only the stores in store/sqlite and store/postgres hold statements"
        offences=$((offences + 1))
    done < <(grep -nE "$sqlWords" "$file" || true)
done < <(find . -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)
# The window's store work goes through the tree's trips: no file of the window names the store
# itself, its history or a trip's store (StoreCall, .db()), nor opens, changes or waits on a
# database through the store's own functions. The store's errors, rows and texts it may use.
storeCalls='\<(StoreCall|BackgroundTrip|HistoryLog|ImportWriter)\>|\<store::Store\>|\.db\(\)|\<store::(openStore|openHistory|enableServerHistory|disableServerHistory|createServerTables|checkDatabase|openImportWriter|storeCallWaiting|runOnStore|runOffThread)\>'
if [[ -d shell ]]; then
    while IFS= read -r -d '' file; do
        file=${file#./}
        while IFS=: read -r number _; do
            echo "$src/$file:$number: store call: the window's store work is a trip of the tree"
            offences=$((offences + 1))
        done < <(grep -nE "$storeCalls" "$file" | grep -vE '^[0-9]+:[[:space:]]*//' || true)
    done < <(find shell -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)
fi
# A wrong folder or a changed include style must not pass for a clean tree.
if ((files == 0 || includes == 0)); then
    echo "no includes found under $src ($files files)" >&2
    exit 2
fi
echo "$files files, $includes includes, $offences pointing the wrong way, SQL out of place or store calls in the window"
((offences == 0))
