# Shared conventions: sources beside their tests (foo_test.cpp) and fuzzers (foo_fuzzer.cpp).
find_package(GTest REQUIRED)
find_package(Threads REQUIRED)
include(GoogleTest)

# Every test's environment. In a cross-build the tests run under the emulator, and KL_TEST_EMULATOR
# puts it in front of the target's programs that they start (testing/test_process.cpp); cached for
# the scripts that run a build's programs (scripts/common.sh).
list(JOIN CMAKE_CROSSCOMPILING_EMULATOR " " emulator)
set(KL_TEST_EMULATOR "${emulator}" CACHE INTERNAL "the emulator of the target's programs")
set(KL_TEST_ENVIRONMENT "KL_TEST_EMULATOR=${KL_TEST_EMULATOR}")

# Library sources of a folder: every .cpp that is not a test, a fuzzer or a program's main.
function(kl_library_sources out dir)
  file(GLOB all CONFIGURE_DEPENDS "${dir}/*.cpp")
  list(FILTER all EXCLUDE REGEX "(_test|_fuzzer|_main)\\.cpp$")
  set(${out} ${all} PARENT_SCOPE)
endfunction()

# One GoogleTest executable per folder, made of its *_test.cpp files.
function(kl_add_tests name dir)
  file(GLOB tests CONFIGURE_DEPENDS "${dir}/*_test.cpp")
  if(NOT tests)
    return()
  endif()
  add_executable(${name} ${tests})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest_main GTest::gmock Threads::Threads)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 30 PROPERTIES TIMEOUT 120 ENVIRONMENT ${KL_TEST_ENVIRONMENT})
endfunction()

# Each *_fuzzer.cpp is a libFuzzer target under clang with KL_FUZZ; elsewhere it is linked with a
# replay main and run as a test over its seed folder (fuzz/corpus/<name>), so seeds stay regression tests.
# Under KL_FUZZ the replay main is linked too (<name>_replay), for the mutation sweep (--sweep); both
# programs share one compiled target, whose coverage instrumentation KL_FUZZ gives every source.
function(kl_add_fuzzers dir)
  if(NOT TARGET kl_fuzz_replay_main)
    add_library(kl_fuzz_replay_main OBJECT "${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp")
  endif()
  file(GLOB fuzzers CONFIGURE_DEPENDS "${dir}/*_fuzzer.cpp")
  foreach(src ${fuzzers})
    get_filename_component(name ${src} NAME_WE)
    set(corpus "${PROJECT_SOURCE_DIR}/fuzz/corpus/${name}")
    if(KL_FUZZ)
      add_library(${name}_target OBJECT ${src})
      target_link_libraries(${name}_target PRIVATE ${ARGN})
      add_executable(${name} $<TARGET_OBJECTS:${name}_target>)
      target_link_options(${name} PRIVATE -fsanitize=fuzzer)
      add_executable(${name}_replay $<TARGET_OBJECTS:${name}_target> $<TARGET_OBJECTS:kl_fuzz_replay_main>)
      target_link_libraries(${name}_replay PRIVATE ${ARGN})
    else()
      add_executable(${name} ${src} $<TARGET_OBJECTS:kl_fuzz_replay_main>)
      add_test(NAME ${name}_replay COMMAND ${name} ${corpus})
      set_tests_properties(${name}_replay PROPERTIES ENVIRONMENT ${KL_TEST_ENVIRONMENT})
    endif()
    target_link_libraries(${name} PRIVATE ${ARGN})
  endforeach()
endfunction()
