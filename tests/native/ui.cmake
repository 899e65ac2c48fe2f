# The window's operations against tacho-sim on pseudo-terminals, through the headless toolkit and
# the POSIX serial link.
add_executable(ui_tests ${CMAKE_CURRENT_LIST_DIR}/ui_test.cpp)
target_link_libraries(ui_tests PRIVATE lorvan_ui lorvan_toolkit_headless gtest_main)
target_compile_definitions(ui_tests PRIVATE TACHO_SIM_PATH="$<TARGET_FILE:tacho-sim>")
add_dependencies(ui_tests tacho-sim)
# Each test starts its own simulator in a temporary folder, so they may run in parallel.
gtest_discover_tests(ui_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
