# Checks of the shipped 32-bit uninstall.exe, run from the 64-bit test build: its resources as
# Windows loads them, and its PE header, imports and size.

set(UNINSTALL_SHIPPED_EXE ${PROJECT_SOURCE_DIR}/build/windows-x86/uninstall.exe CACHE FILEPATH
    "The shipped 32-bit uninstall.exe that resource_tests examines")

# The prefix reaches no Linux path, so the exe is copied to where the tests look for it,
# C:\tests\shipped\uninstall.exe, once the prefix exists.
add_test(NAME shipped_exe_copy
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${UNINSTALL_SHIPPED_EXE}
          -DTARGET=${CMAKE_BINARY_DIR}/wine-prefix/drive_c/tests/shipped/uninstall.exe
          -P ${CMAKE_CURRENT_LIST_DIR}/copy_shipped_exe.cmake)
set_tests_properties(shipped_exe_copy PROPERTIES FIXTURES_REQUIRED wine FIXTURES_SETUP shipped_exe)

uninstall_wine_test(resource_tests
  resources/expected_layout.cpp
  resources/resource_tests.cpp
  resources/pe_image_tests.cpp
)
set_tests_properties(resource_tests PROPERTIES FIXTURES_REQUIRED "wine;shipped_exe")
