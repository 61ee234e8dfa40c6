# zovi_add_test(<name> SOURCES ... [LIBS ...] [LOCKS ...] [LABELS ...] [TSAN] [TIMEOUT s])
#   A GoogleTest executable, registered test by test with CTest.
#   LOCKS: shared real resources the tests use, so CTest never runs two users of one
#          at once: "screen" (draws on or grabs the X screen), "sound" (plays into or
#          records from the default sink / the microphone stand-in).
#   TSAN:  the tests are threaded and also run in the ThreadSanitizer build; in that
#          build only such tests are built (target zovi_tsan_tests).
if(ZOVI_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
  add_custom_target(zovi_tsan_tests)
endif()

function(zovi_add_test name)
  cmake_parse_arguments(T "TSAN" "TIMEOUT" "SOURCES;LIBS;LOCKS;LABELS" ${ARGN})
  if(NOT ZOVI_BUILD_TESTS)
    return()
  endif()
  if(ZOVI_SANITIZE STREQUAL "thread" AND NOT T_TSAN)
    return()
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  target_compile_definitions(${name} PRIVATE
    ZOVI_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
    ZOVI_TEST_BIN_DIR="${CMAKE_BINARY_DIR}/tests"
    ZOVI_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  set(props TIMEOUT ${T_TIMEOUT})
  if(T_LOCKS)
    # Set after discovery (the discovered list is ${name}_TESTS): passed through the
    # discovery's own properties, a list of locks would lose all but its first entry.
    set(lock_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_locks.cmake)
    file(WRITE ${lock_file}
      "foreach(test IN LISTS ${name}_TESTS)\n"
      "  set_tests_properties(\"\${test}\" PROPERTIES RESOURCE_LOCK \"${T_LOCKS}\")\n"
      "endforeach()\n")
  endif()
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
  if(T_LOCKS)
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${lock_file})
  endif()
  if(T_TSAN)
    add_dependencies(zovi_tsan_tests ${name})
  endif()
endfunction()

# zovi_add_script_test(<name> COMMAND ... [LOCKS ...]): a test that runs a command
# (a script or a program); not part of the ThreadSanitizer build.
function(zovi_add_script_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "COMMAND;LOCKS" ${ARGN})
  if(NOT ZOVI_BUILD_TESTS OR ZOVI_SANITIZE STREQUAL "thread")
    return()
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_test(NAME ${name} COMMAND ${T_COMMAND})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(T_LOCKS)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${T_LOCKS}")
  endif()
endfunction()
