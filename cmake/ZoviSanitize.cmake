# Sanitizer builds. 'address' = AddressSanitizer + UndefinedBehaviorSanitizer (the test
# build); 'thread' = ThreadSanitizer (threaded tests only).
if(ZOVI_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(ZOVI_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT ZOVI_SANITIZE STREQUAL "")
  message(FATAL_ERROR "ZOVI_SANITIZE must be empty, 'address' or 'thread'")
endif()

# Builds one target without any sanitizer (for code that must own the fault signals,
# or programs that a sanitizer runtime would change in ways a test checks).
function(zovi_no_sanitize target)
  target_compile_options(${target} PRIVATE -fno-sanitize=all)
  target_link_options(${target} PRIVATE -fno-sanitize=all)
endfunction()
