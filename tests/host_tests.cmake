# Unit tests of the Windows-free pieces. They run natively under sanitizers in the host build
# and under Wine in the 64-bit build, against the MinGW runtime.
set(UNINSTALL_TEXT_TESTS
  ${PROJECT_SOURCE_DIR}/tests/sysops/record_text_tests.cpp
  ${PROJECT_SOURCE_DIR}/tests/removal/log_text_tests.cpp
  ${PROJECT_SOURCE_DIR}/tests/removal/path_text_tests.cpp
  ${PROJECT_SOURCE_DIR}/tests/removal/deferred_list_text_tests.cpp
  ${PROJECT_SOURCE_DIR}/tests/removal/registry_path_tests.cpp
)
if(EXISTS ${PROJECT_SOURCE_DIR}/tests/removal/helper_command_line_tests.cpp)
  list(APPEND UNINSTALL_TEXT_TESTS ${PROJECT_SOURCE_DIR}/tests/removal/helper_command_line_tests.cpp)
endif()

if(NOT WIN32)
  add_executable(text_tests ${UNINSTALL_TEXT_TESTS})
  target_link_libraries(text_tests PRIVATE uninstall_text argument_split GTest::gtest_main)
  target_compile_options(text_tests PRIVATE -Wall -Wextra -Werror)
  add_test(NAME text_tests COMMAND text_tests)

  # Refuses memory on demand by standing in for realloc, which the sanitizers' own allocator
  # would not allow: built from the list's source, without sanitizers.
  add_executable(deferred_list_memory_test
    ${PROJECT_SOURCE_DIR}/tests/removal/deferred_list_memory_test.cpp
    ${PROJECT_SOURCE_DIR}/removal/deferred_list.cpp)
  target_include_directories(deferred_list_memory_test PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_options(deferred_list_memory_test PRIVATE -Wall -Wextra -Werror -fno-sanitize=all)
  target_link_options(deferred_list_memory_test PRIVATE -fno-sanitize=all)
  add_test(NAME deferred_list_memory_test COMMAND deferred_list_memory_test)
endif()
