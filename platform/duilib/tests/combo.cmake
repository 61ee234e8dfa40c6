# Tests of the combo with its drop-down, the list and its rows: offscreen (no X server)
# and on Xvfb.
if(NOT TARGET zovi_duilib_testing)
  return()
endif()

zovi_add_test(duilib_combo_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/controls_main.cpp
    ${CMAKE_CURRENT_LIST_DIR}/controls_test_support.cpp
    ${CMAKE_CURRENT_LIST_DIR}/notify_rules.cpp
    ${CMAKE_CURRENT_LIST_DIR}/combo_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/core_font_env.cpp
  LIBS zovi_duilib_testing)

zovi_add_test(duilib_combo_x_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/combo_x_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/core_font_env.cpp
  LIBS zovi_duilib_testing
  LOCKS screen
  TIMEOUT 180)
