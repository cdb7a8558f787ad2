# The fuzz targets as plain functions. Every build has them: libFuzzer's
# executables call them in the fuzz build, and the replay test feeds them
# their seed corpora in the plain and sanitized builds.
if(NOT TARGET rx_fuzztargets)
  set(RX_FUZZ_DIR ${PROJECT_SOURCE_DIR}/fuzz)
  add_library(rx_fuzztargets STATIC
    ${RX_FUZZ_DIR}/FuzzSerialDriver.cpp
    ${RX_FUZZ_DIR}/HeapGauge.cpp
    ${RX_FUZZ_DIR}/ManualClock.cpp
    ${RX_FUZZ_DIR}/RadioFuzz.cpp
    ${RX_FUZZ_DIR}/SequencerFuzz.cpp
    ${RX_FUZZ_DIR}/TextFuzz.cpp)
  target_include_directories(rx_fuzztargets PUBLIC ${RX_FUZZ_DIR})
  target_link_libraries(rx_fuzztargets PUBLIC rx_update rx_radio rx_text rx_comm)
endif()
