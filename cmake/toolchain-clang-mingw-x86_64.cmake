# Clang for 64-bit Windows over Debian's mingw-w64 headers, libraries and linker: a second
# compiler's warnings over the same sources (build only; CI runs the tests with g++).
# Debian's clang does not find mingw-w64's C++ library by itself: it is named here.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER clang-14)
set(CMAKE_CXX_COMPILER clang++-14)
set(CMAKE_C_COMPILER_TARGET ${MINGW_TRIPLET})
set(CMAKE_CXX_COMPILER_TARGET ${MINGW_TRIPLET})
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)
set(CMAKE_SYSROOT /usr/${MINGW_TRIPLET})
# The win32 threading variant, as the releases use.
file(GLOB gcc_dirs /usr/lib/gcc/${MINGW_TRIPLET}/*-win32)
list(SORT gcc_dirs)
list(GET gcc_dirs -1 gcc_dir)
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES
    ${gcc_dir}/include/c++ ${gcc_dir}/include/c++/${MINGW_TRIPLET} ${gcc_dir}/include/c++/backward)
set(CMAKE_EXE_LINKER_FLAGS_INIT -L${gcc_dir})
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
