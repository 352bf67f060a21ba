# Sanitizer builds. Each option instruments every target of the build, the libraries as well
# as the tests, so that a fault in any of them is reported where it happens.
#   GRAFION_SANITIZE_ADDRESS: AddressSanitizer + UndefinedBehaviorSanitizer (any undefined
#                             behaviour stops the program instead of being reported and ignored),
#                             including conversions of floating values that do not fit the
#                             integer type (not part of GCC's "undefined" group)
#   GRAFION_SANITIZE_THREAD:  ThreadSanitizer (data races, lock-order inversions)
# The two cannot share one program, so at most one of them may be on. scripts/test-sanitized
# configures a build directory of its own for each.
option(GRAFION_SANITIZE_ADDRESS "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(GRAFION_SANITIZE_THREAD "Build with ThreadSanitizer" OFF)

if(GRAFION_SANITIZE_ADDRESS AND GRAFION_SANITIZE_THREAD)
  message(FATAL_ERROR "GRAFION_SANITIZE_ADDRESS and GRAFION_SANITIZE_THREAD cannot both be ON")
endif()

if(GRAFION_SANITIZE_ADDRESS)
  set(grafion_sanitizer_flags -fsanitize=address,undefined,float-cast-overflow
      -fno-sanitize-recover=undefined,float-cast-overflow)
elseif(GRAFION_SANITIZE_THREAD)
  set(grafion_sanitizer_flags -fsanitize=thread)
endif()

if(grafion_sanitizer_flags)
  add_compile_options(${grafion_sanitizer_flags} -fno-omit-frame-pointer)
  add_link_options(${grafion_sanitizer_flags})
endif()
