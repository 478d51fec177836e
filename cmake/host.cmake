# Native build (Linux, sanitizers) of the code that handles untrusted text and fixed buffers:
# log splitting and tags, the deferred list, "key:" splitting and the root names, path building,
# the error record's text, the helper's command line, the protected folders' spelling and the
# switch grammar.

add_library(uninstall_text STATIC ${UNINSTALL_TEXT_SOURCES})
target_include_directories(uninstall_text PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(uninstall_text PRIVATE -Wall -Wextra -Werror)

enable_testing()
add_subdirectory(tests)
