# Cross-build for Windows: Linux host -> x86_64-w64-mingw32 (posix thread
# model), against a static Qt prefix given as QUORVIK_MINGW_QT (cache variable
# or environment). `./run windows` passes both.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_tc x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_tc}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_tc}-g++-posix)
set(CMAKE_RC_COMPILER ${_tc}-windres)
set(CMAKE_AR /usr/bin/${_tc}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB /usr/bin/${_tc}-gcc-ranlib-posix CACHE FILEPATH "")

# try_compile projects see only the environment, not the cache.
if(QUORVIK_MINGW_QT)
    set(ENV{QUORVIK_MINGW_QT} "${QUORVIK_MINGW_QT}")
else()
    set(QUORVIK_MINGW_QT "$ENV{QUORVIK_MINGW_QT}")
endif()
# Qt's host tools (moc, rcc) come from the Linux Qt of the same version.
set(QT_HOST_PATH /usr CACHE PATH "")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")
set(CMAKE_PREFIX_PATH ${QUORVIK_MINGW_QT})
set(CMAKE_FIND_ROOT_PATH /usr/${_tc} ${QUORVIK_MINGW_QT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest runs the Windows programs under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/windows/wine-run)
