# Compile time. Most of a build is the test programs, each source of which
# parses GoogleTest (and the Qt ones Qt's widget headers) again and emits the
# same inline code again. The test programs are therefore built as unity
# builds (their sources compiled a few at a time as one), and the GoogleTest
# and Qt headers are parsed once per tree into a precompiled header that
# every test program reuses. The libraries gain nothing from a unity build
# (measured). Figures: docs/performance.md, "The CI run".

# In an optimised tree the test programs' own code is compiled without
# optimisation: it is the program's libraries, built as shipped, that the
# tests exercise, and -O3 on the tests' own code costs two thirds as much
# compile time again (measured: docs/performance.md, "The CI run"). (At -O1
# GCC 12 also warns of copies out of bounds inside std::string that cannot
# happen.)
set(rx_test_opt_level "")
if(CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
  set(rx_test_opt_level -O0)
endif()

# rx_test_optimisation(TARGET...): the test programs' level, above.
function(rx_test_optimisation)
  if(rx_test_opt_level)
    foreach(target ${ARGN})
      if(TARGET ${target})
        target_compile_options(${target} PRIVATE ${rx_test_opt_level})
      endif()
    endforeach()
  endif()
endfunction()

# Sources that cannot share a unity batch with others (names of their own
# that clash with another source's) keep their own compile: TARGET:SOURCE.
set(RX_UNITY_ALONE
  update_tests:tests/update/PacketTest.cpp
  radio_tests:tests/radio/FaultTest.cpp
  radio_tests:tests/radio/RefusalTest.cpp
)

# rx_unity(TARGET...): the sources of each target a few at a time.
function(rx_unity)
  foreach(target ${ARGN})
    if(TARGET ${target})
      set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 4)
      # A test class of one source deriving from a fixture in that source's
      # unnamed namespace: in a unity build the source is an included file,
      # which GCC warns of as it would for a header.
      if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        target_compile_options(${target} PRIVATE -Wno-subobject-linkage)
      endif()
    endif()
  endforeach()
endfunction()

# rx_reuse_pch(PCH TARGET...): each target compiles with the precompiled
# header of PCH, a library made for it alone (the targets take the same
# compile options, which a precompiled header needs).
function(rx_reuse_pch pch)
  foreach(target ${ARGN})
    if(TARGET ${target})
      target_precompile_headers(${target} REUSE_FROM ${pch})
    endif()
  endforeach()
endfunction()

if(RX_BUILD_TESTS)
  set(rx_gtest_headers <gtest/gtest.h> <algorithm> <chrono> <functional> <memory> <string> <vector>)
  add_library(rx_pch_gtest STATIC ${PROJECT_SOURCE_DIR}/cmake/pch.cpp)
  target_link_libraries(rx_pch_gtest PRIVATE GTest::gtest)
  target_precompile_headers(rx_pch_gtest PRIVATE ${rx_gtest_headers})
  set(rx_plain_tests text_tests update_tests comm_tests radio_tests seq_tests term_tests term_program_tests
      soak_tests fuzz_replay_tests race_tests)
  rx_reuse_pch(rx_pch_gtest ${rx_plain_tests})
  rx_unity(${rx_plain_tests})
  rx_test_optimisation(rx_pch_gtest ${rx_plain_tests} scene_model_tests)
  if(RX_WITH_QT)
    add_library(rx_pch_qtest STATIC ${PROJECT_SOURCE_DIR}/cmake/pch.cpp)
    # Widgets alone: a definition the precompiled header was made with must
    # be there when it is used (Qt6::Test's names each target's own folder).
    target_link_libraries(rx_pch_qtest PRIVATE GTest::gtest Qt6::Widgets)
    target_precompile_headers(rx_pch_qtest PRIVATE ${rx_gtest_headers}
      <QApplication> <QComboBox> <QLineEdit> <QMessageBox> <QPushButton> <QTextEdit> <QTimer> <QWidget>)
    set(rx_qt_tests ui_scene_tests ui_tests ui_e2e_tests ui_layout_tests ui_inhibit_tests)
    rx_reuse_pch(rx_pch_qtest ${rx_qt_tests})
    rx_unity(${rx_qt_tests} app_tests)
    rx_test_optimisation(rx_pch_qtest ${rx_qt_tests} app_tests ui_guarded_tests ui_display_tests)
  endif()
endif()
foreach(entry ${RX_UNITY_ALONE})
  string(REPLACE ":" ";" parts ${entry})
  list(GET parts 0 target)
  list(GET parts 1 source)
  if(TARGET ${target})
    set_source_files_properties(${PROJECT_SOURCE_DIR}/${source} TARGET_DIRECTORY ${target}
      PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
  endif()
endforeach()
