# zovi_add_subfolders([SKIP <name>...]): adds every subfolder of the current folder that
# has a CMakeLists.txt, in name order, so a new library joins the build by its own
# CMakeLists.txt alone.
function(zovi_add_subfolders)
  cmake_parse_arguments(S "" "" "SKIP" ${ARGN})
  file(GLOB entries LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT entries)
  foreach(entry ${entries})
    if(NOT entry IN_LIST S_SKIP AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${entry}/CMakeLists.txt)
      add_subdirectory(${entry})
    endif()
  endforeach()
endfunction()
