#!/usr/bin/env bash
# Rebuild, from nothing, a static Qt 6.4.2 (qtbase + qtsvg) for x86_64-w64-mingw32
# on Debian 12 (bookworm), plus the small test program, and run the checks under Wine.
#
# Usage (as root):  bash build-qt-mingw.sh [stage...]
#   stages (default: all, in this order):
#     toolchain  - apt packages (mingw-w64 posix, wine, cmake, ninja, xvfb, imagemagick)
#     sources    - deb-src entry + `apt-get source qt6-base` (+ qt6-svg, with fallback)
#     qtbase     - configure/build/install qtbase into $PREFIX
#     qtsvg      - configure/build/install qtsvg into $PREFIX
#     pack       - tar -cJ of $PREFIX, sizes
#     app        - cross-build the test program in $APP_SRC (a small Qt Widgets program of your own)
#     test       - run tst_qvapp.exe (offscreen) and qvapp.exe (Xvfb :95) under wine64
#
# Every heavy step runs under `nice -n 19` with -j$JOBS (default 2).
set -euo pipefail

W=${W:-${TMPDIR:-/tmp}/qt-mingw-build}
PREFIX=${PREFIX:-$W/qt6-mingw}
JOBS=${JOBS:-2}
QT_VER=6.4.2
QTBASE_SRC=$W/qt6-base-${QT_VER}+dfsg
QTSVG_SRC=$W/qtsvg-${QT_VER}
APP_SRC=${APP_SRC:-}   # the small test program (CMakeLists.txt, *.cpp, icon.svg)
# qt6-svg_6.4.2.orig.tar.xz is missing from the Debian archive; fallback = `git archive v6.4.2` of github.com/qt/qtsvg
QTSVG_TARBALL=${QTSVG_TARBALL:-$(cd "$(dirname "$0")" && pwd)/qtsvg-${QT_VER}-git.tar.xz}
TOOLCHAIN=$W/mingw-toolchain.cmake
export WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX=${WINEPREFIX:-$W/wineprefix}
WINE64=/usr/lib/wine/wine64          # Debian's wine64 package does not put wine64 on PATH
WINESERVER=/usr/lib/wine/wineserver
N="nice -n 19"

mkdir -p "$W"
cd "$W"
TIMES=$W/timings.txt

stamp() { echo "$(date -u +%FT%TZ) $*" | tee -a "$TIMES"; }
timed() {   # timed <label> <command...>
    local label=$1; shift
    local t0=$SECONDS
    stamp "BEGIN $label"
    "$@"
    stamp "END   $label ($((SECONDS - t0)) s)"
}

stage_toolchain() {
    apt-get update
    DEBIAN_FRONTEND=noninteractive $N apt-get install -y \
        mingw-w64 g++-mingw-w64-x86-64-posix wine64 wine \
        cmake ninja-build perl python3 dpkg-dev xz-utils \
        xvfb x11-utils imagemagick
    # toolchain file
    cat > "$TOOLCHAIN" <<EOF
# CMake toolchain file: Linux host -> x86_64-w64-mingw32 (posix thread model)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_tc x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   \${_tc}-gcc-posix)
set(CMAKE_CXX_COMPILER \${_tc}-g++-posix)
set(CMAKE_RC_COMPILER  \${_tc}-windres)
set(CMAKE_AR           /usr/bin/\${_tc}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB       /usr/bin/\${_tc}-gcc-ranlib-posix CACHE FILEPATH "")
# target sysroot + the cross-built Qt prefix (paths already under a root are not re-rooted)
set(CMAKE_FIND_ROOT_PATH /usr/\${_tc} $PREFIX)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF
    # sanity: C++17 + std::thread cross-compile and run under wine
    mkdir -p "$W/hello"
    cat > "$W/hello/hello.cpp" <<'EOF'
#include <iostream>
#include <thread>
#include <mutex>
#include <optional>
#include <string_view>
#include <filesystem>
#include <vector>
int main() {
    std::mutex m; int counter = 0;
    std::vector<std::thread> ts;
    for (int i = 0; i < 4; ++i) ts.emplace_back([&]{ for (int j=0;j<1000;++j){ std::lock_guard<std::mutex> g(m); ++counter; } });
    for (auto &t : ts) t.join();
    std::optional<std::string_view> sv = "C++17 ok";
    std::cout << *sv << " counter=" << counter << " cwd=" << std::filesystem::current_path().string() << std::endl;
    return counter == 4000 ? 0 : 1;
}
EOF
    x86_64-w64-mingw32-g++-posix -std=c++17 -O2 -static -o "$W/hello/hello.exe" "$W/hello/hello.cpp"
    [ -d "$WINEPREFIX" ] || "$WINE64" wineboot --init > "$W/log-wineboot.txt" 2>&1 || true
    "$WINE64" "$W/hello/hello.exe"
}

stage_sources() {
    if [ ! -f /etc/apt/sources.list.d/qv-src.sources ]; then
        # The same archive as the binary packages, for sources.
        sed -e 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
            > /etc/apt/sources.list.d/qv-src.sources
        apt-get update
    fi
    [ -d "$QTBASE_SRC" ] || $N apt-get source qt6-base      # 6.4.2+dfsg-10 (Debian patches applied)
    if [ ! -d "$QTSVG_SRC" ]; then
        # On this mirror qt6-svg_6.4.2.orig.tar.xz returns 404, so apt-get source qt6-svg fails.
        if (mkdir -p "$W/qtsvg-apt" && cd "$W/qtsvg-apt" && apt-get source qt6-svg); then
            mv "$W"/qtsvg-apt/qt6-svg-${QT_VER} "$QTSVG_SRC"
        elif [ -f "$QTSVG_TARBALL" ]; then
            # fallback: `git archive --prefix=qtsvg-6.4.2/ v6.4.2` of https://github.com/qt/qtsvg
            # (tag v6.4.2 = commit 54066fe644f2c9f7789c61b4fcb4d513eb3f775c)
            tar -xJf "$QTSVG_TARBALL" -C "$W"
        elif [ -n "${QTSVG_GIT:-}" ]; then
            git --git-dir="$QTSVG_GIT" archive --prefix=qtsvg-${QT_VER}/ v${QT_VER} | tar -x -C "$W"
        else
            git clone --depth 1 --branch v${QT_VER} https://github.com/qt/qtsvg.git "$QTSVG_SRC"
        fi
    fi
}

QTBASE_FLAGS=(
    -G Ninja
    -DCMAKE_TOOLCHAIN_FILE=$TOOLCHAIN
    -DQT_HOST_PATH=/usr
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DCMAKE_INSTALL_PREFIX=$PREFIX
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=OFF
    -DFEATURE_static_runtime=ON
    -DQT_BUILD_EXAMPLES=OFF
    -DQT_BUILD_TESTS=OFF
    -DQT_BUILD_BENCHMARKS=OFF
    -DQT_BUILD_MANUAL_TESTS=OFF
    -DFEATURE_network=OFF
    -DFEATURE_sql=OFF
    -DFEATURE_dbus=OFF
    -DINPUT_opengl=no          # = configure -no-opengl; FEATURE_opengl=OFF alone leaves dynamicgl ON and breaks qwindowswindow.cpp
    -DFEATURE_opengl=OFF
    -DFEATURE_opengl_dynamic=OFF
    -DFEATURE_dynamicgl=OFF
    -DFEATURE_vulkan=OFF
    -DFEATURE_direct2d=OFF
    -DFEATURE_zstd=OFF
    -DFEATURE_icu=OFF
    -DFEATURE_glib=OFF
    -DFEATURE_pkg_config=OFF
    -DFEATURE_androiddeployqt=OFF
    # Debian's +dfsg tarball deletes src/3rdparty/wintab (wintab.h) -> no QTabletEvent support
    -DFEATURE_tabletevent=OFF
    -DFEATURE_gui=ON
    -DFEATURE_widgets=ON
    -DFEATURE_printsupport=ON
    -DFEATURE_testlib=ON
    -DFEATURE_xml=ON
    -DFEATURE_concurrent=ON
    -DFEATURE_system_zlib=OFF
    -DFEATURE_system_pcre2=OFF
    -DFEATURE_system_png=OFF
    -DFEATURE_system_jpeg=OFF
    -DFEATURE_system_freetype=OFF
    -DFEATURE_freetype=ON
    -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_harfbuzz=ON
    -DFEATURE_system_doubleconversion=OFF
    -DFEATURE_system_libb2=OFF
)

patch_qtbase() {
    # Qt 6.4.2 + MinGW with direct2d OFF: QtGui only compiles the DirectWrite font engine /
    # DirectWrite font database when direct2d is ON, but the windows QPA plugin and
    # QtPrintSupport reference them under QT_CONFIG(directwrite[3]) alone -> undefined
    # references at link time of the application. Guard those uses with direct2d too.
    local f1=$QTBASE_SRC/src/plugins/platforms/windows/qwindowsintegration.cpp
    local f2=$QTBASE_SRC/src/printsupport/platform/windows/qprintengine_win.cpp
    grep -q 'QT_CONFIG(directwrite3) && QT_CONFIG(direct2d)' "$f1" ||
        sed -i 's/^#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' "$f1"
    grep -q 'QT_CONFIG(directwrite) && QT_CONFIG(direct2d)' "$f2" ||
        sed -i 's/^#if QT_CONFIG(directwrite)$/#if QT_CONFIG(directwrite) \&\& QT_CONFIG(direct2d)/' "$f2"
    grep -c 'QT_CONFIG(direct2d)' "$f1" "$f2"
}

stage_qtbase() {
    patch_qtbase
    mkdir -p "$W/build-qtbase"
    cd "$W/build-qtbase"
    timed qtbase-configure $N cmake "${QTBASE_FLAGS[@]}" "$QTBASE_SRC" > "$W/log-qtbase-configure.txt" 2>&1
    timed qtbase-build $N ninja -j"$JOBS" > "$W/log-qtbase-build.txt" 2>&1
    timed qtbase-install $N cmake --install . > "$W/log-qtbase-install.txt" 2>&1
    cd "$W"
}

stage_qtsvg() {
    mkdir -p "$W/build-qtsvg"
    cd "$W/build-qtsvg"
    # qt.toolchain.cmake (installed by qtbase) chain-loads $TOOLCHAIN and sets QT_HOST_PATH
    timed qtsvg-configure $N cmake -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$PREFIX/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DCMAKE_BUILD_TYPE=Release \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
        "$QTSVG_SRC" > "$W/log-qtsvg-configure.txt" 2>&1
    timed qtsvg-build $N ninja -j"$JOBS" > "$W/log-qtsvg-build.txt" 2>&1
    timed qtsvg-install $N cmake --install . > "$W/log-qtsvg-install.txt" 2>&1
    cd "$W"
}

stage_pack() {
    timed pack $N tar -cJf "$W/qt6-mingw-${QT_VER}-static.tar.xz" -C "$(dirname "$PREFIX")" "$(basename "$PREFIX")"
    du -sh "$PREFIX" | tee -a "$TIMES"
    ls -l "$W/qt6-mingw-${QT_VER}-static.tar.xz" | tee -a "$TIMES"
}

stage_app() {
    rm -rf "$W/build-app"
    timed app-configure cmake -G Ninja -S "$APP_SRC" -B "$W/build-app" \
        -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DCMAKE_PREFIX_PATH="$PREFIX" -DCMAKE_BUILD_TYPE=Release > "$W/log-app-configure.txt" 2>&1
    timed app-build $N cmake --build "$W/build-app" -j"$JOBS" > "$W/log-app-build.txt" 2>&1
    ls -l "$W"/build-app/*.exe
}

stage_test() {
    cd "$W/build-app"
    set +e
    # Without this the windows QPA resolves the default GUI font ("MS Shell Dlg", 8.25pt) to a
    # serif fallback (URW "C059"): Wine's built-in Tahoma is not enumerated by Qt's GDI font DB.
    # Copying Wine's own Tahoma into C:\windows\Fonts makes it resolve to "Tahoma".
    cp -n /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    # NB: Wine does not pass QT_* (or VK_*) variables from the Unix environment to Windows
    # programs; it maps WINEQT_FOO=... to QT_FOO=... instead.
    #  - QT_QPA_PLATFORM=offscreen         : headless QPA
    #  - QT_FORCE_STDERR_LOGGING=1         : otherwise QtTest (no console attached under wine)
    #                                        sends its log to OutputDebugString, stdout stays empty
    #  - QT_QPA_FONTDIR                    : offscreen uses FreeType; default dir is $PREFIX/lib/fonts
    # 1) QtTest, offscreen QPA
    local t0=$SECONDS
    WINEQT_QPA_PLATFORM=offscreen WINEQT_FORCE_STDERR_LOGGING=1 \
    WINEQT_QPA_FONTDIR='Z:\usr\share\fonts\truetype\dejavu' \
        timeout 300 "$WINE64" ./tst_qvapp.exe > "$W/log-test-offscreen.txt" 2>&1
    echo "tst_qvapp.exe exit code: $? ($((SECONDS - t0)) s)" >> "$W/log-test-offscreen.txt"
    cat "$W/log-test-offscreen.txt"
    "$WINE64" reg query 'HKCU\Software\QvWinTest\QvApp' /s > "$W/log-reg-query.txt" 2>&1
    cat "$W/log-reg-query.txt"
    # 2) GUI under Xvfb :95 with the windows QPA plugin (default for a static Qt)
    Xvfb :95 -screen 0 1024x768x24 -nolisten tcp > "$W/log-xvfb.txt" 2>&1 &
    local xpid=$!
    sleep 3
    rm -f qvapp-status.txt
    DISPLAY=:95 timeout 120 "$WINE64" ./qvapp.exe --quit-after 30000 > "$W/log-qvapp.txt" 2>&1 &
    local apid=$!
    sleep 20
    DISPLAY=:95 import -window root "$W/screenshot-qvapp.png"
    DISPLAY=:95 xwininfo -root -tree > "$W/log-xwininfo.txt" 2>&1
    wait $apid; echo "qvapp.exe exit code: $?" | tee -a "$W/log-qvapp.txt"
    cat qvapp-status.txt
    kill $xpid; wait $xpid 2>/dev/null
    "$WINESERVER" -w
    set -e
    cd "$W"
}

stages=("$@")
[ ${#stages[@]} -gt 0 ] || stages=(toolchain sources qtbase qtsvg pack app test)
for s in "${stages[@]}"; do
    timed "stage-$s" "stage_$s"
done
