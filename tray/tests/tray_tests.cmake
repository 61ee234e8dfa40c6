# The tray window's logic in this process (an X server of its own per test), and the
# ZoviTray program itself beside the stand-in main program.
zovi_add_test(tray_window_test SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/tray_window_test.cpp
  LIBS zovi_tray_window zovi_x11_testing)
zovi_add_test(tray_program_test SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/tray_program_test.cpp
  LIBS zovi_tray_testing zovi_status_notifier_testing zovi_core_regvalues zovi_platform_window
  zovi_platform_process zovi_x11_testing PkgConfig::X11 TIMEOUT 180)
if(TARGET tray_program_test)
  add_dependencies(tray_program_test ZoviTray zovi_fake_capture)
endif()
