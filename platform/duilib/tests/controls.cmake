# Tests of the controls, the layout, the paint manager, the builder and the tooltip:
# offscreen, no X server (windows, where one is needed, are the platform's offscreen ones).
if(NOT TARGET zovi_duilib_testing)
  return()
endif()
target_compile_definitions(zovi_duilib_testing PRIVATE ZOVI_TEST_BIN_DIR="${CMAKE_BINARY_DIR}/tests")

zovi_add_test(duilib_controls_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/controls_main.cpp
    ${CMAKE_CURRENT_LIST_DIR}/controls_test_support.cpp
    ${CMAKE_CURRENT_LIST_DIR}/controls_notify_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/notify_rules.cpp
    ${CMAKE_CURRENT_LIST_DIR}/controls_builder_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/controls_layout_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/controls_input_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/controls_keys_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/controls_window_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/controls_render_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/controls_value_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/controls_edit_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/controls_scroll_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/controls_rich_edit_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/core_font_env.cpp
  LIBS zovi_duilib_testing)

# Every control in every state in one picture (controls_gallery.png), drawn with the
# built-in skin.
zovi_add_test(duilib_gallery_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/controls_main.cpp
    ${CMAKE_CURRENT_LIST_DIR}/controls_test_support.cpp
    ${CMAKE_CURRENT_LIST_DIR}/controls_gallery_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/core_font_env.cpp
  LIBS zovi_duilib_testing zovi_skin)
