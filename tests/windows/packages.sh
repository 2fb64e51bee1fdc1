#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# What `./run windows` ships: the zip with the licence texts, the source
# archive beside it, and the per-user installer, which installs, upgrades
# and uninstalls silently in a fresh Wine prefix of its own.
# Usage: packages.sh BUILD_DIR VERSION FIXTURES
build=$1 version=$2 fixtures=$3
failed=0
fail() { echo "FAIL: $*"; failed=1; }
listed() { unzip -Z1 "$1" | grep -qx "$2" || fail "$(basename "$1") lacks $2"; }

zip=$build/quorvik-$version-windows-x64.zip
for f in quorvik.exe quorvik.com LICENSE.txt THIRD-PARTY.txt licenses/qt6-base-copyright.txt \
    licenses/qt6-svg-copyright.txt licenses/qt6-translations-copyright.txt licenses/LGPL-3.txt \
    licenses/GPL-2.txt licenses/gcc-runtime-copyright.txt licenses/mingw-w64-copyright.txt; do
    listed "$zip" "quorvik-$version-windows-x64/$f"
done
manual=$(unzip -p "$zip" "quorvik-$version-windows-x64/help/index.html")
case $manual in *'sudo mount'*) fail "the Windows manual speaks of mounting shares" ;; esac
case $manual in *'\\server\vss\srcsafe.ini'*) ;; *) fail "the Windows manual has no UNC path" ;; esac
source=$build/quorvik-$version-source.zip
listed "$source" "quorvik-$version-source/LICENSE"
listed "$source" "quorvik-$version-source/src/app/main.cpp"
unzip -Z1 "$source" | grep -q "^[^/]*/build[^/]*/" && fail "the source archive holds a build folder"

export WINEPREFIX="$build/installer-prefix" WINEDEBUG=-all
rm -rf "$WINEPREFIX"
wine=/usr/lib/wine/wine64
$wine wineboot --init >/dev/null 2>&1
setup=$build/quorvik-$version-setup.exe
installed() { "$wine" cmd /c "$@" 2>/dev/null | tr -d '\r'; }
home=$WINEPREFIX/drive_c/users/$(id -un)
dir=$home/AppData/Local/Programs/Quorvik
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvik'
settled() { "$@"; timeout 120 /usr/lib/wine/wineserver -w || fail "still running after $*"; }

settled "$wine" "$setup" /S
for f in quorvik.exe quorvik.com quorvik-vss.exe LICENSE.txt help/index.html uninstall.exe; do
    [ -f "$dir/$f" ] || fail "not installed: $f"
done
[ -f "$home/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Quorvik.lnk" ] ||
    fail "no Start menu shortcut"
entry=$(installed reg query "$key")
for value in "DisplayVersion    REG_SZ    $version" 'DisplayIcon    REG_SZ    C:\\.*\\quorvik.exe,0' \
    'EstimatedSize    REG_DWORD    0x' 'QuietUninstallString    REG_SZ    ".*uninstall.exe" /S'; do
    echo "$entry" | grep -q "$value" || fail "uninstall entry lacks $value: $entry"
done
[ "$(installed '%LOCALAPPDATA%\Programs\Quorvik\quorvik.com' --version)" = "Quorvik $version" ] ||
    fail "the installed program does not answer --version"

# An upgrade and a silent uninstall keep the user's settings and event log.
installed reg add 'HKCU\Software\Quorvik\Params' /v Username /d Dora /f >/dev/null
installed reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v Quorvik /d q /f >/dev/null
echo "log" >"$dir/QVEvent.txt"
settled "$wine" "$setup" /S
# The uninstaller ends a running Quorvik (here the headless watcher).
mkdir -p "$WINEPREFIX/drive_c/q"
printf '[Params]\r\nInifile=Z:%s\r\nUsername=Admin\r\nFilesCount=1\r\n[Files]\r\n1=$/WIDGIE/LoginEdit.cpp\r\n' \
    "$fixtures/rauls-newscaster/srcsafe.ini" >"$WINEPREFIX/drive_c/q/Quorvik.ini"
"$wine" "$dir/quorvik.exe" --headless --config-dir 'C:\q' >/dev/null 2>&1 &
sleep 5
# What a windowed Quorvik that was ended leaves: its lock files.
mkdir -p "$home/AppData/Local/Quorvik"
echo 1 >"$home/AppData/Local/Quorvik/.quorvik.lock"
echo 1 >"$dir/.QVEvent.txt.lock"
settled "$wine" "$dir/uninstall.exe" /S
left=$(cd "$dir" && find . -type f ! -name 'QVEvent.txt' | tr '\n' ' ')
[ -z "$left" ] || fail "left after uninstall: $left"
[ -e "$home/AppData/Local/Quorvik" ] && fail "left after uninstall: AppData\Local\Quorvik"
[ -f "$dir/QVEvent.txt" ] || fail "the event log is gone"
installed reg query 'HKCU\Software\Quorvik\Params' | grep -q Dora || fail "settings lost"
installed reg query "$key" | grep -q DisplayName && fail "the uninstall entry stays"
installed reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' | grep -q Quorvik &&
    fail "the Run value stays"
/usr/lib/wine/wineserver -k
rm -rf "$WINEPREFIX"
exit $failed
