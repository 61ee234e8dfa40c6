# The edit on Xvfb: typing through XTest and the clipboard of another X client (xclip).
if(NOT TARGET zovi_duilib_testing)
  return()
endif()

zovi_add_test(duilib_edit_x_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/edit_x_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/core_font_env.cpp
  LIBS zovi_duilib_testing
  LOCKS screen
  TIMEOUT 180)
