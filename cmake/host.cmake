# Native build (Linux, sanitizers) of the code that handles untrusted text and fixed buffers.
# It needs no Windows: log splitting and tags, the deferred list, "key:" splitting and the root
# names, path building, the error record's text, and the helper's command line.

set(UNINSTALL_TEXT_SOURCES
  sysops/record_text.cpp
  removal/log_text.cpp
  removal/deferred_list.cpp
  removal/path_text.cpp
  removal/registry_path.cpp
)
if(EXISTS ${PROJECT_SOURCE_DIR}/removal/helper_command_line.cpp)
  list(APPEND UNINSTALL_TEXT_SOURCES removal/helper_command_line.cpp)
endif()

add_library(uninstall_text STATIC ${UNINSTALL_TEXT_SOURCES})
target_include_directories(uninstall_text PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(uninstall_text PRIVATE -Wall -Wextra -Werror)

enable_testing()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_library(argument_split STATIC tests/support/argument_split.cpp)
target_include_directories(argument_split PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(argument_split PRIVATE -Wall -Wextra -Werror)

include(tests/host_tests.cmake)

# The fuzz targets need clang's libFuzzer.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  include(tests/fuzz/fuzz_targets.cmake)
endif()
