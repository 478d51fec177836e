# The program: uninstall.exe, placed directly in the build directory.

add_executable(uninstall WIN32
  app/main.cpp
  app/dll_search.cpp
  app/closing.cpp
  app/completion.cpp
  app/one_run.cpp
  app/progress.cpp
  ui/page_loop.cpp
  ui/pages.cpp
  ui/removal_page.cpp
  ui/window_class.cpp
  resources/uninstall.rc
)
uninstall_target_options(uninstall)
# COMCTL32: the common controls of the current version, the removal page's bar among them.
target_link_libraries(uninstall PRIVATE uninstall_engine comctl32)
set_target_properties(uninstall PROPERTIES
  OUTPUT_NAME uninstall
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
)
# Small and self-contained: only system DLLs and the C runtime are imported.
target_compile_options(uninstall PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Os>)
# Terminal-server aware: on a session host the system would otherwise give the program a Windows
# folder of the user's own, and the run's private folder would land there.
target_link_options(uninstall PRIVATE -mwindows -static -s -Wl,--gc-sections -Wl,--tsaware)
# The resource compiler finds the icon in the source tree and the manifest in the build tree.
target_include_directories(uninstall BEFORE PRIVATE ${CMAKE_BINARY_DIR})
set_source_files_properties(resources/uninstall.rc PROPERTIES OBJECT_DEPENDS
  "${PROJECT_SOURCE_DIR}/resources/uninstall.ico;${CMAKE_BINARY_DIR}/resources/uninstall.manifest")
