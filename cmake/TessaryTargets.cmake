# Helpers shared by every target of the project.

set(TESSARY_WARNINGS -Wall -Wextra)

# tessary_library(<name> SOURCES ... [DEPS ...])
# A static library for one subsystem folder; its headers are reached as
# "<folder>/<file>.h" from src/core (for the engine) or from the source root.
function(tessary_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PUBLIC_DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${TESSARY_WARNINGS})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src/core ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} ${ARG_PUBLIC_DEPS})
endfunction()

# tessary_test(<name> SOURCES ... [DEPS ...])
# A GoogleTest program registered with CTest, one test per case.
function(tessary_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${TESSARY_WARNINGS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main tessary_testsupport)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS core)
endfunction()
