#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows program as a user meets it: a GUI program with its icon,
# version and manifest; typed at a cmd prompt, its console forms go through
# the twin quorvik.com and print there with their exit status.
# Usage: program.sh BIN_DIR OBJDUMP VERSION
bin=$1 objdump=$2 version=$3
wine=$(dirname "$0")/../../tools/windows/wine-run
failed=0
expect() { # expect WHAT ACTUAL WANTED
    [ "$2" = "$3" ] || { echo "FAIL: $1: got '$2', wanted '$3'"; failed=1; }
}
subsystem() { "$objdump" -p "$bin/$1" | sed -n 's/^Subsystem[[:space:]]*[0-9]*[[:space:]]*//p'; }
expect "quorvik.exe subsystem" "$(subsystem quorvik.exe)" "(Windows GUI)"
expect "quorvik.com subsystem" "$(subsystem quorvik.com)" "(Windows CUI)"

# Resource types: 14 icon group, 16 version, 24 manifest.
for exe in quorvik.exe quorvik.com; do
    expect "$exe resources" "$(wrestool -l "$bin/$exe" | sed -n 's/^--type=\([0-9]*\) .*/\1/p' | sort -u | tr '\n' ' ')" "14 16 24 3 "
    expect "$exe version" "$(wrestool -x --raw -t16 "$bin/$exe" | tr -d '\0' | grep -ao "FileVersion$version")" "FileVersion$version"
done
wrestool -x --raw -t24 "$bin/quorvik.exe" | grep -q "<dpiAwareness[^>]*>PerMonitorV2<" || { echo "FAIL: manifest"; failed=1; }

prompt() { "$wine" cmd /c "cd /d Z:$(echo "$bin" | tr / '\\\\') && quorvik $*" 2>"$bin/twin.err"; }
out=$(prompt --version)
expect "--version status" "$?" 0
expect "--version" "$(echo "$out" | tr -d '\r')" "Quorvik $version"
empty="Z:$(mktemp -d | tr / '\\\\')"
prompt --headless --check --config-dir "$empty" >/dev/null
expect "--check status without settings" "$?" 78
grep -q "Quorvik.ini" "$bin/twin.err" || { echo "FAIL: --check said: $(cat "$bin/twin.err")"; failed=1; }
exit $failed
