# Replays every seed corpus file (and every finding kept there) through its
# fuzz target with the normal compiler, so the plain and sanitized test runs
# show at once when a target's input stops being handled soundly.
include(${PROJECT_SOURCE_DIR}/fuzz/FuzzTargets.cmake)
add_executable(fuzz_replay ${PROJECT_SOURCE_DIR}/fuzz/FuzzReplayTest.cpp)
target_compile_definitions(fuzz_replay PRIVATE RX_FUZZ_CORPUS="${PROJECT_SOURCE_DIR}/fuzz/corpus")
target_link_libraries(fuzz_replay PRIVATE rx_fuzztargets GTest::gtest)
gtest_discover_tests(fuzz_replay TEST_PREFIX "Fuzz." PROPERTIES ENVIRONMENT "${RX_TEST_ENV}" TIMEOUT 600
  DISCOVERY_TIMEOUT 60)
