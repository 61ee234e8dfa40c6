# Tests of the library core: parsers, skin archive, images, fonts and drawing. No X
# server: everything draws into Cairo image surfaces.
zovi_add_test(duilib_core_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/core_value_parse_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/core_skin_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/core_render_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/core_text_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/core_font_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/core_test_support.cpp
    ${CMAKE_CURRENT_LIST_DIR}/core_font_env.cpp
  LIBS zovi_duilib_core)

zovi_add_test(duilib_core_log_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/core_log_test.cpp
  LIBS zovi_duilib_core
  TSAN)
