# Tests of the window base: offscreen (no X server), across threads, and on Xvfb.
if(NOT TARGET zovi_duilib_testing)
  return()
endif()
target_link_libraries(zovi_duilib_testing PUBLIC zovi_platform_process)

zovi_add_test(duilib_window_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/window_offscreen_main.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_base_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_modal_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/core_font_env.cpp
  LIBS zovi_duilib_testing zovi_core_deferred)

zovi_add_test(duilib_window_thread_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/window_offscreen_main.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_thread_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/core_test_support.cpp
  LIBS zovi_duilib_testing
  TSAN)

zovi_add_test(duilib_window_x_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/window_x_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/core_font_env.cpp
  LIBS zovi_duilib_testing
  LOCKS screen
  TIMEOUT 180)
