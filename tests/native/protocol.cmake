add_executable(protocol_tests ${CMAKE_CURRENT_LIST_DIR}/protocol_test.cpp
                              ${CMAKE_CURRENT_LIST_DIR}/frames_test.cpp)
target_link_libraries(protocol_tests PRIVATE lorvan_ui lorvan_toolkit_headless gtest_main)
gtest_discover_tests(protocol_tests DISCOVERY_TIMEOUT 60)
