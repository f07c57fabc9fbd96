# Tests of the module-file resource readers (ELF and PE), included by this
# folder's CMakeLists.txt. They read the test modules built in tests/modules.
tessary_test(module_resources_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/module_resources_damage_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/module_resources_elf_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/module_resources_pe_test.cpp
  DEPS tessary_platform
)
target_compile_definitions(module_resources_tests PRIVATE
  TESSARY_TEST_MODULE_DIR="${TESSARY_TEST_MODULE_DIR}")
if(TARGET tessary_test_modules)
  add_dependencies(module_resources_tests tessary_test_modules)
endif()
