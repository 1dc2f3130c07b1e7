# clang (the native fuzzing build and the mingw-w64 one) has no -fexec-charset for
# Windows-1251, so there the targets compile Windows-1251 copies of the UTF-8 sources, made
# at configure time (an edit of a source re-runs the configure step). clang passes the bytes of such string literals
# through unchanged, as g++ and MSVC do with their charset options. A "#line" at the top of
# each copy keeps diagnostics and debug information on the original file.

set(CFGLOAD_CP1251_DIR ${CMAKE_BINARY_DIR}/cp1251)

# Writes the copy of one file under the project (absolute path) and returns the copy's path.
function(cfgload_cp1251_copy source out_var)
  file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${source})
  set(copy ${CFGLOAD_CP1251_DIR}/${relative})
  get_filename_component(copy_dir ${copy} DIRECTORY)
  file(MAKE_DIRECTORY ${copy_dir})
  # Characters Windows-1251 lacks can only stand in comments (the Windows compilers reject
  # them in literals): they are transliterated.
  execute_process(
    COMMAND sh -c "{ printf '#line 1 \"%s\"\\n' \"$1\" && iconv -f UTF-8 -t CP1251//TRANSLIT \"$1\"; } > \"$2\""
            sh ${source} ${copy}.new
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "Cannot make the Windows-1251 copy of ${source}")
  endif()
  # Only a changed copy is rewritten, so an edit rebuilds only what depends on it.
  execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different ${copy}.new ${copy})
  file(REMOVE ${copy}.new)
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  set(${out_var} ${copy} PARENT_SCOPE)
endfunction()

# The headers every target may include, copied once.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang" AND NOT MSVC)
  file(GLOB cfgload_cp1251_headers CONFIGURE_DEPENDS
       ${PROJECT_SOURCE_DIR}/settings/*.h ${PROJECT_SOURCE_DIR}/run/*.h
       ${PROJECT_SOURCE_DIR}/common/*.h ${PROJECT_SOURCE_DIR}/automation/*.h
       ${PROJECT_SOURCE_DIR}/fuzz/*.h)
  foreach(header IN LISTS cfgload_cp1251_headers)
    cfgload_cp1251_copy(${header} copy)
  endforeach()
endif()

# Replaces the target's C++ sources by their copies (a resource script stays where its
# files are); the copied headers come first on the include path.
function(cfgload_use_cp1251_copies target)
  get_target_property(sources ${target} SOURCES)
  get_target_property(source_dir ${target} SOURCE_DIR)
  set(copies)
  foreach(source IN LISTS sources)
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${source_dir} NORMALIZE)
    if(source MATCHES "\\.(cpp|h)$")
      cfgload_cp1251_copy(${source} source)
    endif()
    list(APPEND copies ${source})
  endforeach()
  set_property(TARGET ${target} PROPERTY SOURCES ${copies})
  target_include_directories(${target} BEFORE PRIVATE ${CFGLOAD_CP1251_DIR})
endfunction()
