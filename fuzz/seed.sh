#!/bin/sh
# Builds working seed corpora from the fixture databases (read-only; nothing
# is written there): one folder per fuzz target under $1 (default
# build-fuzz/seeds). Inputs over 64 KB are left out. The saved corpus in
# fuzz/corpus/<target> is a minimised subset and is committed; these are not.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../build-fuzz/seeds}
fixtures=${QUORVIK_FIXTURES:-$here/../../shared/fixtures/vss}
max=65536

for t in itemfile projectdata names users ini database; do
    mkdir -p "$out/fuzz_$t"
done

# Copies $2 to folder fuzz_$1 under a name made from its fixture path.
put() {
    size=$(wc -c <"$2")
    [ "$size" -le "$max" ] || return 0
    name=$(printf '%s' "${2#"$fixtures"/}" | tr '/ ' '__')
    cp "$2" "$out/fuzz_$1/$name"
}

is_project_data() {
    [ "$(dd if="$1" bs=1 skip=4 count=2 2>/dev/null)" = JP ]
}

find "$fixtures" -type f | LC_ALL=C sort | while read -r f; do
    case "$f" in
    */data/?/????????) put itemfile "$f" ;;
    */data/?/????????.[ab]) if is_project_data "$f"; then put projectdata "$f"; fi ;;
    */data/names.dat) put names "$f" ;;
    */data/um.dat) put users "$f" ;;
    */srcsafe.ini | */ss.ini | */ssadmin.ini) put ini "$f" ;;
    esac
done

# fuzz_database: the first byte picks the replaced file of the template
# database, counting its parsed files in byte order of their data-relative
# paths (the same list the target builds).
data="$fixtures/tempnjayaraj-vss/4c10b8f-Database.rar/data"
i=0
(cd "$data" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) | while read -r rel; do
    case "$rel" in
    names.dat | um.dat | ?/????????) ;;
    ?/????????.[ab]) is_project_data "$data/$rel" || continue ;;
    *) continue ;;
    esac
    byte="\\$(printf '%03o' "$i")"
    { printf "$byte"; cat "$data/$rel"; } >"$out/fuzz_database/role$i"
    # A few files of the same kind from the other databases, in that place.
    case "$rel" in
    names.dat) kind=names ;;
    um.dat) kind=users ;;
    *.?) kind=projectdata ;;
    *) kind=itemfile ;;
    esac
    n=0
    for other in $(ls "$out/fuzz_$kind" | grep -v '^tempnjayaraj' | awk 'NR % 37 == 1'); do
        [ $n -lt 4 ] || break
        { printf "$byte"; cat "$out/fuzz_$kind/$other"; } >"$out/fuzz_database/role$i-$other"
        n=$((n + 1))
    done
    i=$((i + 1))
done

for d in "$out"/fuzz_*; do
    echo "$(basename "$d"): $(ls "$d" | wc -l) seeds, $(du -sh "$d" | cut -f1)"
done
