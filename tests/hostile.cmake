# The real program's helper given hostile paths through its own deferred list: the empty path,
# blanks, and a trailing backslash before further paths.
if(TARGET uninstall AND TARGET gui_robot)
  add_test(NAME gui_app_hostile_helper
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/app/hostile_helper.sh
      ${CMAKE_BINARY_DIR} $<TARGET_FILE:gui_robot> $<TARGET_FILE:uninstall>)
  set_tests_properties(gui_app_hostile_helper PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 180)
endif()
