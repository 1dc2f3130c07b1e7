# The programs that the tests drive: the stand-in configurator and the window host. The real
# configurator is a 32-bit program, so they are 32-bit wherever 32-bit programs run: a 32-bit
# tree builds them among its own targets; a 64-bit tree builds them in a 32-bit tree of its own
# (peers-x86) and knows them as imported programs of the same names. Where the machine cannot
# run 32-bit programs (CFGLOAD_PEERS_BITS=64, set by the scripts), a 64-bit tree builds them
# 64-bit among its own targets. Either way, $<TARGET_FILE:...> names them, the target
# test_peers builds them, and test-peers.txt in the tree names the stand-in for the scripts.

set(CFGLOAD_PEERS_BITS 32 CACHE STRING
    "Bitness of the test peers of a 64-bit cross build: 32 (as the configurator) or 64")
set_property(CACHE CFGLOAD_PEERS_BITS PROPERTY STRINGS 32 64)
if(NOT CFGLOAD_PEERS_BITS MATCHES "^(32|64)$")
  message(FATAL_ERROR "CFGLOAD_PEERS_BITS must be 32 or 64, not ${CFGLOAD_PEERS_BITS}")
endif()

set(CFGLOAD_PEERS_TOOLCHAIN ${PROJECT_SOURCE_DIR}/cmake/toolchain-mingw-i686.cmake)
if(CMAKE_SIZEOF_VOID_P EQUAL 4 OR NOT CMAKE_CROSSCOMPILING OR NOT MINGW OR CFGLOAD_PEERS_BITS EQUAL 64)
  # Natively on Windows the peers are built with the tree, in its bitness; a 32-bit tree (or
  # a Visual Studio Win32 build) makes them 32-bit.
  add_subdirectory(${PROJECT_SOURCE_DIR}/standin ${CMAKE_BINARY_DIR}/standin)
  add_subdirectory(${PROJECT_SOURCE_DIR}/tests/window_host ${CMAKE_BINARY_DIR}/tests/window_host)
  add_custom_target(test_peers)
  add_dependencies(test_peers configurator_standin window_host)
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/test-peers.txt CONTENT "$<TARGET_FILE:configurator_standin>\n")
  return()
endif()

include(ExternalProject)
set(peers_dir ${CMAKE_BINARY_DIR}/peers-x86)
ExternalProject_Add(test_peers_x86
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${peers_dir}
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CFGLOAD_PEERS_TOOLCHAIN}
             -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
             -DCFGLOAD_PEERS_ONLY=ON
  INSTALL_COMMAND ""
  # Their sources are not known here: let the 32-bit tree decide what is out of date.
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${peers_dir}/standin/configurator_standin.exe
                   ${peers_dir}/tests/window_host/window_host.exe)

foreach(peer configurator_standin:standin window_host:tests/window_host)
  string(REPLACE ":" ";" parts ${peer})
  list(GET parts 0 name)
  list(GET parts 1 folder)
  add_executable(${name} IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION ${peers_dir}/${folder}/${name}.exe)
  add_dependencies(${name} test_peers_x86)
endforeach()
add_custom_target(test_peers)
add_dependencies(test_peers test_peers_x86)
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/test-peers.txt CONTENT "$<TARGET_FILE:configurator_standin>\n")
