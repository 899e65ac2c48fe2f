# The real window under Wine: the program driven from outside, the start-up probe, the toolkit's
# Win32 backend in-process, and the screenshot of the window.
add_executable(startup_probe WIN32 startup_probe.cpp)
target_link_options(startup_probe PRIVATE -municode)
target_link_libraries(startup_probe PRIVATE lorvan_startup)

add_executable(wine_window_tests window_test.cpp)
target_link_libraries(wine_window_tests PRIVATE lorvan_ui gtest_main)
add_dependencies(wine_window_tests lorvan_setup startup_probe)

add_executable(wine_toolkit_tests toolkit_win32_test.cpp)
target_link_libraries(wine_toolkit_tests PRIVATE lorvan_ui lorvan_toolkit_win32 gtest_main)

# Wine draws the window frame itself while its windows are not managed (Xvfb runs no window
# manager), so that the screenshot shows the title bar. Set for these tests only: on a desktop
# the window manager draws the frame.
set(x11_key "HKCU\\Software\\Wine\\X11 Driver")
add_test(NAME wine_window_frame_setup
         COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} reg add ${x11_key} /v Managed /d N /f)
add_test(NAME wine_window_frame_cleanup
         COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} reg delete ${x11_key} /v Managed /f)
set_tests_properties(wine_window_frame_setup PROPERTIES FIXTURES_SETUP wine_window_frame)
set_tests_properties(wine_window_frame_cleanup PROPERTIES FIXTURES_CLEANUP wine_window_frame)

# Windows paths of the programs and of the screenshot (Wine's drive Z: is the root).
set(exe "Z:$<TARGET_FILE:lorvan_setup>")
set(probe "Z:$<TARGET_FILE:startup_probe>")
set(shot "Z:${CMAKE_BINARY_DIR}/window.png")
add_test(NAME wine_window_tests COMMAND wine_window_tests)
set_tests_properties(wine_window_tests PROPERTIES
  ENVIRONMENT "LORVAN_EXE=${exe};LORVAN_STARTUP_PROBE=${probe};LORVAN_SHOT=${shot}"
  FIXTURES_REQUIRED wine_window_frame
  RESOURCE_LOCK wine_desktop
  TIMEOUT 300)
add_test(NAME wine_toolkit_tests COMMAND wine_toolkit_tests)
set_tests_properties(wine_toolkit_tests PROPERTIES RESOURCE_LOCK wine_desktop TIMEOUT 120)
