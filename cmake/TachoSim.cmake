# Simulated tachographs as ctest fixtures.
#
#   lorvan_add_sim_fixture(NAME <name> ARGS <port spec>... [KNOWN <list>])
#     Adds the tests sim.<name>.start and sim.<name>.stop, the setup and cleanup of the fixture
#     sim.<name>: start runs tools/tacho-sim with the given port specs (e.g. COM3 or
#     COM4=silent,late=300; see tools/tacho-sim/main.cpp) in the build's ports folder and waits
#     until every pty is up; stop ends it, and every port entry becomes a directory (an absent
#     port) again. KNOWN limits the ports that get an entry (default 1-42).
#     Sets LORVAN_SIM_<name>_LOG in the caller: the simulator's log (time, port, event, hex bytes).
#
#   lorvan_sim_properties(<name> <out-var>)
#     The test properties a test against that simulator needs: FIXTURES_REQUIRED sim.<name>, the
#     RESOURCE_LOCK of the ports folder, and in its environment LORVAN_PORTS_DIR (native; the
#     running simulator's log is <ports>/.sim.log) or LORVAN_SIM_LOG (Wine).
#     For add_test:            set_tests_properties(my_test PROPERTIES ${props})
#     For gtest_discover_tests: gtest_discover_tests(my_tests PROPERTIES ${props})
#
# One at a time: all simulators of a build share one ports folder (under Wine the prefix maps
# COM1..COM42 to it for good), so every fixture's start depends on the previous fixture's stop
# and tests against the same simulator hold the folder's lock. Wherever ctest schedules them,
# two simulators never run together.
#
# The ports folder: natively the cache variable LORVAN_PORTS_DIR (default <build>/ports). Under
# Wine the folder the prefix maps: $LORVAN_PORTS_DIR when set, else <prefix's folder>/ports
# (cmake/wine-env.sh), decided when the test runs.

# Per directory: the variables below are directory-scoped, and each test folder that includes
# this file needs them (the functions and the host build of the simulator are global).
include_guard(DIRECTORY)

set(LORVAN_PORTS_DIR "${CMAKE_BINARY_DIR}/ports" CACHE PATH
    "Folder of the simulated COM ports (native builds; Wine builds use the prefix's folder)")
set(LORVAN_SIM_STATE_DIR "${CMAKE_BINARY_DIR}/sim")
set(LORVAN_SIM_LOCK "lorvan_ports")
set(_lorvan_sim_script "${CMAKE_CURRENT_LIST_DIR}/tacho-sim.sh")
set(LORVAN_TACHO_SIM "${CMAKE_BINARY_DIR}/host/tacho-sim")

# The simulator is a Linux program. A Windows build compiles it with the host's compiler (one
# source file, standard C++ and POSIX), so that its Wine tests need no native build beside it.
if(CMAKE_CROSSCOMPILING AND NOT TARGET tacho-sim-host)
  find_program(LORVAN_HOST_CXX NAMES g++ c++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)
  set(_sim_source "${CMAKE_SOURCE_DIR}/tools/tacho-sim/main.cpp")
  add_custom_command(
    OUTPUT ${LORVAN_TACHO_SIM}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
    COMMAND ${LORVAN_HOST_CXX} -std=c++20 -O2 -Wall -Wextra -Werror -o ${LORVAN_TACHO_SIM}
            ${_sim_source}
    DEPENDS ${_sim_source}
    COMMENT "Building tacho-sim for the host")
  add_custom_target(tacho-sim-host ALL DEPENDS ${LORVAN_TACHO_SIM})
endif()

function(lorvan_add_sim_fixture)
  cmake_parse_arguments(PARSE_ARGV 0 SIM "" "NAME;KNOWN" "ARGS")
  if(NOT SIM_NAME)
    message(FATAL_ERROR "lorvan_add_sim_fixture: NAME is required")
  endif()
  if(CMAKE_CROSSCOMPILING)
    set(sim "${LORVAN_TACHO_SIM}")
    set(side wine)
    set(env "")
  else()
    set(sim "$<TARGET_FILE:tacho-sim>")
    set(side native)
    set(env "LORVAN_PORTS_DIR=${LORVAN_PORTS_DIR}")
  endif()
  set(known "")
  if(SIM_KNOWN)
    set(known --known ${SIM_KNOWN})
  endif()
  set(start sim.${SIM_NAME}.start)
  set(stop sim.${SIM_NAME}.stop)
  add_test(NAME ${start}
           COMMAND env ${env} bash ${_lorvan_sim_script} start ${sim} ${LORVAN_SIM_STATE_DIR}
                   ${SIM_NAME} ${side} ${known} ${SIM_ARGS})
  add_test(NAME ${stop} COMMAND bash ${_lorvan_sim_script} stop ${LORVAN_SIM_STATE_DIR}
                                ${SIM_NAME})
  set_tests_properties(${start} PROPERTIES FIXTURES_SETUP sim.${SIM_NAME}
                                           RESOURCE_LOCK ${LORVAN_SIM_LOCK} TIMEOUT 120)
  set_tests_properties(${stop} PROPERTIES FIXTURES_CLEANUP sim.${SIM_NAME}
                                          RESOURCE_LOCK ${LORVAN_SIM_LOCK} TIMEOUT 30)
  get_property(previous GLOBAL PROPERTY LORVAN_SIM_LAST_STOP)
  if(previous)
    set_tests_properties(${start} PROPERTIES DEPENDS ${previous})
  endif()
  set_property(GLOBAL PROPERTY LORVAN_SIM_LAST_STOP ${stop})
  set(LORVAN_SIM_${SIM_NAME}_LOG "${LORVAN_SIM_STATE_DIR}/${SIM_NAME}.log" PARENT_SCOPE)
endfunction()

function(lorvan_sim_properties name out)
  # One variable each side (a list would not survive gtest_discover_tests): natively the ports
  # folder, whose .sim.log names the running simulator's log; under Wine the log itself (the
  # ports folder comes from wine-env.sh there).
  if(CMAKE_CROSSCOMPILING)
    set(env "LORVAN_SIM_LOG=${LORVAN_SIM_STATE_DIR}/${name}.log")
  else()
    set(env "LORVAN_PORTS_DIR=${LORVAN_PORTS_DIR}")
  endif()
  set(${out} FIXTURES_REQUIRED sim.${name} RESOURCE_LOCK ${LORVAN_SIM_LOCK} ENVIRONMENT "${env}"
      PARENT_SCOPE)
endfunction()
