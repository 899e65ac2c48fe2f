# The startup benchmark (bench/startup.sh builds and runs it): not built by default.
add_executable(startup_minimal WIN32 EXCLUDE_FROM_ALL ${CMAKE_CURRENT_LIST_DIR}/startup_minimal.cpp)
target_link_options(startup_minimal PRIVATE -municode $<$<CONFIG:Release>:-s>)
set_target_properties(startup_minimal PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
add_executable(startup_launcher EXCLUDE_FROM_ALL ${CMAKE_CURRENT_LIST_DIR}/startup_launcher.cpp)
target_link_options(startup_launcher PRIVATE -municode)
set_target_properties(startup_launcher PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
add_custom_target(bench_startup DEPENDS startup_minimal startup_launcher lorvan_setup)
