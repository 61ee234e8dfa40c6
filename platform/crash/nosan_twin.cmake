# zovi_nosan_twin(<library> <twin> [LIBS ...]): in sanitizer builds, a copy of the static
# <library> built without sanitizers (the crash library and the programs that must crash
# link only such code; a sanitizer runtime would own the fault signals and report the
# dump writer's reads of raw stack memory). LIBS: the twin's own dependencies. Without
# sanitizers the twin is an alias of <library>.
include_guard(GLOBAL)
function(zovi_nosan_twin library twin)
  cmake_parse_arguments(T "" "" "LIBS" ${ARGN})
  if(ZOVI_SANITIZE STREQUAL "")
    add_library(${twin} ALIAS ${library})
    return()
  endif()
  get_target_property(sources ${library} SOURCES)
  get_target_property(dir ${library} SOURCE_DIR)
  set(absolute)
  foreach(source ${sources})
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${dir})
    list(APPEND absolute ${source})
  endforeach()
  add_library(${twin} STATIC ${absolute})
  target_include_directories(${twin} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${twin} PUBLIC ${T_LIBS})
  zovi_no_sanitize(${twin})
endfunction()
