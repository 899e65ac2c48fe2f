# The serial link's native tests: the POSIX backend against a tacho-sim fixture.
include(${CMAKE_SOURCE_DIR}/cmake/TachoSim.cmake)
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/serial_sim.args serial_sim_args)
lorvan_add_sim_fixture(NAME serial ARGS ${serial_sim_args})
lorvan_sim_properties(serial serial_sim_properties)

add_executable(serial_tests serial_link_test.cpp serial_posix_test.cpp)
target_link_libraries(serial_tests PRIVATE lorvan_serial lorvan_toolkit_headless gtest_main)
gtest_discover_tests(serial_tests DISCOVERY_TIMEOUT 60 PROPERTIES ${serial_sim_properties})
