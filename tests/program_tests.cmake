# End-to-end scenarios: the real uninstall.exe in the run's private Wine prefix, on its Xvfb
# display, driven by key presses from the X side and by the test robot.

add_executable(gui_robot support/gui_robot.cpp)
target_compile_options(gui_robot PRIVATE -Wall -Wextra -Werror)
target_link_options(gui_robot PRIVATE -static)
target_link_libraries(gui_robot PRIVATE user32 advapi32)

# Planted by app/self_removal as a stand-in for the uninstaller's copy; leaves a marker if run.
add_executable(marker support/marker.cpp)
target_compile_options(marker PRIVATE -Wall -Wextra -Werror)
target_link_options(marker PRIVATE -static)

if(TARGET uninstall)
  set(GUI_SCENARIOS
    app/full_uninstall
    app/trailing_backslash
    app/blank_temp
    app/modes
    ui/pages
    ui/stop_question
    ui/close_on_completion
    ui/missing_confirmation
    app/self_removal
  )
  foreach(scenario IN LISTS GUI_SCENARIOS)
    string(REPLACE "/" "_" name "gui_${scenario}")
    add_test(NAME ${name}
      COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/${scenario}.sh
        ${CMAKE_BINARY_DIR} $<TARGET_FILE:gui_robot> $<TARGET_FILE:uninstall>
        $<TARGET_FILE:marker>)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 180)
  endforeach()
endif()
