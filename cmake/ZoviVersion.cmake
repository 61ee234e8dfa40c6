# The one program version (the project's VERSION), carried in every program and shared
# library of ours as an ELF note: name "Zovi", type 1, description = file version MS, LS,
# product version MS, LS (4 x u32; MS = major << 16 | minor, LS = patch << 16 | tweak).
# A target with the property ZOVI_NO_VERSION_NOTE set to ON is linked without it.
set(_zv_fields ${PROJECT_VERSION_MAJOR} ${PROJECT_VERSION_MINOR} ${PROJECT_VERSION_PATCH} ${PROJECT_VERSION_TWEAK})
set(_zv_numbers)
foreach(field IN LISTS _zv_fields)
  if(field STREQUAL "")
    set(field 0)
  endif()
  list(APPEND _zv_numbers ${field})
endforeach()
list(LENGTH _zv_numbers _zv_count)
while(_zv_count LESS 4)
  list(APPEND _zv_numbers 0)
  list(LENGTH _zv_numbers _zv_count)
endwhile()
list(GET _zv_numbers 0 _zv_major)
list(GET _zv_numbers 1 _zv_minor)
list(GET _zv_numbers 2 _zv_patch)
list(GET _zv_numbers 3 _zv_tweak)
math(EXPR ZOVI_VERSION_MS "(${_zv_major} << 16) | ${_zv_minor}" OUTPUT_FORMAT HEXADECIMAL)
math(EXPR ZOVI_VERSION_LS "(${_zv_patch} << 16) | ${_zv_tweak}" OUTPUT_FORMAT HEXADECIMAL)
set(ZOVI_VERSION_TEXT "${_zv_major}.${_zv_minor}.${_zv_patch}.${_zv_tweak}")

set(_zv_source ${CMAKE_BINARY_DIR}/zovi_version_note.s)
set(ZOVI_VERSION_NOTE_OBJECT ${CMAKE_BINARY_DIR}/zovi_version_note.o)
file(WRITE ${_zv_source}
"\t.section .note.zovi.version,\"a\",@note
\t.balign 4
\t.long 5
\t.long 16
\t.long 1
\t.asciz \"Zovi\"
\t.balign 4
\t.long ${ZOVI_VERSION_MS}, ${ZOVI_VERSION_LS}, ${ZOVI_VERSION_MS}, ${ZOVI_VERSION_LS}
\t.section .note.GNU-stack,\"\",@progbits
")
execute_process(
  COMMAND ${CMAKE_C_COMPILER} -c -x assembler ${_zv_source} -o ${ZOVI_VERSION_NOTE_OBJECT}
  RESULT_VARIABLE _zv_result)
if(NOT _zv_result EQUAL 0)
  message(FATAL_ERROR "Cannot assemble the version note")
endif()

# Every executable and shared library links the note object.
add_link_options(
  "$<$<AND:$<IN_LIST:$<TARGET_PROPERTY:TYPE>,EXECUTABLE;SHARED_LIBRARY;MODULE_LIBRARY>,$<NOT:$<BOOL:$<TARGET_PROPERTY:ZOVI_NO_VERSION_NOTE>>>>:${ZOVI_VERSION_NOTE_OBJECT}>")
