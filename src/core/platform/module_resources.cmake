# Readers of plug-in property lists inside module files (ELF and PE), added
# to tessary_platform. They read the constants of the module format from the
# plug-in SDK header.
target_sources(tessary_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/module_resources.cpp
  ${CMAKE_CURRENT_LIST_DIR}/module_resources_elf.cpp
  ${CMAKE_CURRENT_LIST_DIR}/module_resources_pe.cpp
  ${CMAKE_CURRENT_LIST_DIR}/module_resources_source.cpp
)
target_include_directories(tessary_platform PRIVATE ${PROJECT_SOURCE_DIR}/sdk)
