# Cross-compiling for 32-bit Windows with Debian's mingw-w64. The posix threading variant lets
# std::thread work in tests and in the stand-in configurator; releases take the win32 variant
# (CFGLOAD_MINGW_THREADS=win32), whose runtime needs nothing newer than Windows XP (the posix
# one's winpthread imports GetTickCount64, a Vista function).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_TRIPLET i686-w64-mingw32)
set(CFGLOAD_MINGW_THREADS posix CACHE STRING "Threading variant of mingw-w64: posix or win32")
set(CMAKE_C_COMPILER   ${MINGW_TRIPLET}-gcc-${CFGLOAD_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-${CFGLOAD_MINGW_THREADS})
set(CMAKE_RC_COMPILER  ${MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Tests and tools built here run under Wine (32-bit, wine32) through our wrapper.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
