# libFuzzer targets over the Windows-free text and buffer code; scripts/fuzz.sh runs them.
set(UNINSTALL_FUZZ_TARGETS
  fuzz_install_log
  fuzz_registry_argument
  fuzz_deferred_list
  fuzz_path_text
  fuzz_helper_command_line
)
foreach(target IN LISTS UNINSTALL_FUZZ_TARGETS)
  add_executable(${target} ${CMAKE_CURRENT_LIST_DIR}/${target}.cpp)
  target_link_libraries(${target} PRIVATE uninstall_text argument_split)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -fsanitize=fuzzer)
  target_link_options(${target} PRIVATE -fsanitize=fuzzer)
endforeach()
