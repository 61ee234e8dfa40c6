# Layered windows, window regions, the shadow, activation, maximise and child windows on
# Xvfb (each alpha test also with xcompmgr running).
if(NOT TARGET zovi_duilib_testing)
  return()
endif()

zovi_add_test(duilib_layered_x_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/layered_x_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/core_font_env.cpp
  LIBS zovi_duilib_testing zovi_skin
  LOCKS screen
  TIMEOUT 240)
