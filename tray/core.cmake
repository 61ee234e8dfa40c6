# The tray's road to the main program, its settings and its hotkey table.
add_library(zovi_tray_core STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/main_forwarder.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/tray_settings.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/tray_hotkeys.cpp)
target_include_directories(zovi_tray_core PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(zovi_tray_core PUBLIC zovi_core_traylink zovi_core_regvalues zovi_core_util
  zovi_core_files zovi_platform_window zovi_platform_process zovi_platform_fs Tolka)

if(ZOVI_BUILD_TESTS)
  # A stand-in main program "ZoviCapture"; tests copy it beside the program under test.
  add_executable(zovi_fake_capture ${CMAKE_CURRENT_SOURCE_DIR}/tests/fake_capture_main.cpp)
  set_target_properties(zovi_fake_capture PROPERTIES OUTPUT_NAME ZoviCapture
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/fake_capture)
  target_link_libraries(zovi_fake_capture PRIVATE zovi_core_traylink)

  # Each test starts an X server of its own.
  zovi_add_test(tray_forwarder_test SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/main_forwarder_test.cpp
    LIBS zovi_tray_core zovi_x11_testing)
  zovi_add_test(tray_settings_test SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/tray_settings_test.cpp
    LIBS zovi_tray_core zovi_x11_testing)
  if(TARGET tray_forwarder_test)
    add_dependencies(tray_forwarder_test zovi_fake_capture)
  endif()
endif()
