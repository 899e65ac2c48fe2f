# The serial link under Wine: the Win32 backend against a tacho-sim fixture, through the prefix's
# COM port mapping.
include(${CMAKE_SOURCE_DIR}/cmake/TachoSim.cmake)
file(STRINGS ${CMAKE_SOURCE_DIR}/tests/native/serial_sim.args serial_sim_args)
lorvan_add_sim_fixture(NAME serial ARGS ${serial_sim_args})
lorvan_sim_properties(serial serial_sim_properties)

add_executable(wine_serial_tests ${CMAKE_SOURCE_DIR}/tests/native/serial_link_test.cpp
                                 serial_win32_test.cpp)
target_link_libraries(wine_serial_tests PRIVATE lorvan_serial lorvan_toolkit_headless gtest_main)
add_test(NAME wine_serial_tests COMMAND wine_serial_tests)
set_tests_properties(wine_serial_tests PROPERTIES ${serial_sim_properties} TIMEOUT 300)
