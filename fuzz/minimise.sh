#!/bin/sh
# Replaces the saved corpus of a target with a minimised merge of it, the work
# corpus and the seeds: fuzz/minimise.sh <target>. Inputs over 64 KB are
# dropped; crash reproducers are kept under fuzz/corpus/<target>/crash-*.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${QUORVIK_FUZZ_BUILD:-$here/../build-fuzz}
target=$1
saved="$here/corpus/$target"
fresh="$build/merged/$target"
rm -rf "$fresh"
mkdir -p "$fresh" "$saved"
dirs=
for d in "$saved" "$build/work/$target" "$build/seeds/$target"; do
    [ -d "$d" ] && dirs="$dirs $d"
done
nice -n 19 "$build/bin/$target" -merge=1 -max_len=65536 -rss_limit_mb=2048 -timeout=10 \
    "$fresh" $dirs >"$build/logs/$target.merge.log" 2>&1
find "$fresh" -type f -size +64k -delete
find "$saved" -type f ! -name 'crash-*' -delete
cp "$fresh"/* "$saved"/
echo "$target: $(ls "$saved" | wc -l) inputs, $(du -sk "$saved" | cut -f1) KB"
