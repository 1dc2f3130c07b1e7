# What both mingw-w64 toolchains share; MINGW_TRIPLET and CMAKE_SYSTEM_PROCESSOR are set first.
# The posix threading variant lets std::thread work in tests and in the stand-in configurator;
# releases take the win32 variant (CFGLOAD_MINGW_THREADS=win32), whose runtime needs nothing
# newer than Windows XP (the posix one's winpthread imports GetTickCount64, a Vista function).
set(CMAKE_SYSTEM_NAME Windows)
set(CFGLOAD_MINGW_THREADS posix CACHE STRING "Threading variant of mingw-w64: posix or win32")
set(CMAKE_C_COMPILER   ${MINGW_TRIPLET}-gcc-${CFGLOAD_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-${CFGLOAD_MINGW_THREADS})
set(CMAKE_RC_COMPILER  ${MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
