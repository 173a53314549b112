# Helpers shared by every folder's CMakeLists.txt.

# vna_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2)
# A GoogleTest executable registered with CTest, one CTest test per case.
# Tests run offscreen with a private runtime directory (set by scripts/test).
function(vna_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    NO_PRETTY_VALUES
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
               LABELS unit)
endfunction()

# vna_fuzz(NAME SOURCES a.cpp LIBS lib1)
# A libFuzzer target; built only with -DVNA_FUZZ=ON and clang.
function(vna_fuzz name)
  if(NOT VNA_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
endfunction()

# vna_bench(NAME SOURCES a.cpp LIBS lib1)
# A Google Benchmark executable named bench_<name> in bin/. Its main() prints
# the headline figures as "name: value" lines after the benchmark table.
function(vna_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(bench_${name} ${B_SOURCES})
  target_link_libraries(bench_${name} PRIVATE ${B_LIBS} benchmark::benchmark)
endfunction()
