#!/bin/sh
# Runs one fuzz target at low priority: fuzz/run.sh <target> [seconds]
# (default 600). Work corpus, crash artifacts and the log go to
# build-fuzz/{work,artifacts,logs}; the work corpus starts from the seeds
# (fuzz/seed.sh) and the saved corpus.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${QUORVIK_FUZZ_BUILD:-$here/../build-fuzz}
target=$1
seconds=${2:-600}
mkdir -p "$build/work/$target" "$build/artifacts/$target" "$build/logs"
seeds="$build/seeds/$target"
saved="$here/corpus/$target"
[ -d "$seeds" ] || seeds=
[ -d "$saved" ] || saved=
exec nice -n 19 "$build/bin/$target" -max_len=65536 -rss_limit_mb=2048 -timeout=10 \
    -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$target/" \
    "$build/work/$target" $seeds $saved >"$build/logs/$target.log" 2>&1
