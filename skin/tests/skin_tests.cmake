# The skin's tests: the archive and skinpack, the images, and the layout lint.
if(NOT ZOVI_BUILD_TESTS)
  return()
endif()
zovi_add_test(skin_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/skin_zip.cpp
    ${CMAKE_CURRENT_LIST_DIR}/skin_archive_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/skin_images_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/skin_lint_test.cpp
  LIBS zovi_skin zovi_stream PkgConfig::MINIZIP PkgConfig::PUGIXML PkgConfig::CAIRO)
if(TARGET skin_test)
  target_compile_definitions(skin_test PRIVATE
    ZOVI_SKINPACK="$<TARGET_FILE:skinpack>"
    ZOVI_SKIN_ZIP="${skin_zip}"
    ZOVI_SKIN_PACK_LIST="${skin_pack_list}"
    ZOVI_SKIN_PARTS="${skin_parts}")
  add_dependencies(skin_test skinpack)
endif()

# Every layout built and painted by the library itself (needs the builder).
if(TARGET zovi_duilib AND EXISTS ${CMAKE_SOURCE_DIR}/platform/duilib/core/builder/dialog_builder.h)
  zovi_add_test(skin_build_test
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/skin_build_test.cpp
      ${CMAKE_SOURCE_DIR}/platform/duilib/tests/core_font_env.cpp
    LIBS zovi_skin zovi_duilib PkgConfig::CAIRO)
endif()

# The capture main window's layout with its level meter, in both languages.
if(TARGET zovi_ui_level_meter AND TARGET zovi_duilib_testing AND TARGET Tolka)
  zovi_add_test(skin_capture_configure_test
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/capture_configure_layout_test.cpp
      ${CMAKE_SOURCE_DIR}/platform/duilib/tests/core_font_env.cpp
    LIBS zovi_skin zovi_ui_level_meter zovi_duilib_testing Tolka)
endif()
