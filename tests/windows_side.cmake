# The tests that run the programs in QUORVO_WINDOWS_DIR under whichever Wine
# is installed: the Win32 tests, the end-to-end scenarios, the installer and
# the growth check (all that a configure with QUORVO_PREBUILT_WINDOWS_DIR
# registers: make test-wine10). wine.prefix boots one prefix; each session
# wine.NAME starts on a copy of it with an X server of its own, and its tests
# take turns on its lock alone, so tests of different sessions run together.
set(QUORVO_EXE ${QUORVO_WINDOWS_DIR}/Quorvo.exe)
set(QUORVO_PROBE ${QUORVO_WINDOWS_DIR}/quorvo_probe.exe)
set(QUORVO_SESSION ${CMAKE_CURRENT_LIST_DIR}/wine/session.py)
set(QUORVO_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
file(MAKE_DIRECTORY ${QUORVO_WINE_DIR})

add_test(NAME wine.prefix
  COMMAND ${Python3_EXECUTABLE} ${QUORVO_SESSION} boot
          --prefix ${QUORVO_WINE_DIR}/booted-prefix)
set_tests_properties(wine.prefix PROPERTIES
  FIXTURES_SETUP wine_prefix TIMEOUT 400 LABELS wine)

# A shared session wine.NAME: wine.NAME.start starts it, wine.NAME.stop ends
# it; its state file is ${QUORVO_WINE_DIR}/NAME.json. Further arguments go
# to `session.py start` (--dpi N, --monitors WxH,WxH).
function(quorvo_wine_session name)
  set(work ${QUORVO_WINE_DIR}/${name})
  add_test(NAME wine.${name}.start
    COMMAND ${Python3_EXECUTABLE} ${QUORVO_SESSION} start
            --state-file ${work}.json --base ${QUORVO_WINE_DIR}/booted-prefix
            --prefix ${work}-prefix --work-dir ${work} --probe ${QUORVO_PROBE}
            ${ARGN})
  add_test(NAME wine.${name}.stop
    COMMAND ${Python3_EXECUTABLE} ${QUORVO_SESSION} stop
            --state-file ${work}.json)
  set_tests_properties(wine.${name}.start PROPERTIES
    FIXTURES_SETUP wine.${name} FIXTURES_REQUIRED wine_prefix
    TIMEOUT 400 REQUIRED_FILES "${QUORVO_PROBE}")
  set_tests_properties(wine.${name}.stop PROPERTIES
    FIXTURES_CLEANUP wine.${name} TIMEOUT 120)
  set_tests_properties(wine.${name}.start wine.${name}.stop PROPERTIES
    LABELS wine RESOURCE_LOCK wine.${name})
endfunction()

# Two sessions at 96 DPI that the scenarios and Win32 suites take turns
# over, so that no one chain of tests is much longer than the others; the
# Win32 suites at 144 DPI; two monitors side by side (root only, else its
# scenarios are skipped); a fresh prefix for the installer; the growth
# check; the README's pictures, which change the DPI.
quorvo_wine_session(one)
quorvo_wine_session(two)
quorvo_wine_session(dpi144 --dpi 144)
quorvo_wine_session(monitors --monitors 1280x1024,1024x768)
quorvo_wine_session(dist)
quorvo_wine_session(bench)
quorvo_wine_session(pictures)

# A test that runs in session SESSION: holds its lock and needs it started.
# COMMAND finds the session in ${QUORVO_WINE_DIR}/SESSION.json.
function(quorvo_wine_test name session)
  add_test(NAME ${name} ${ARGN})
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED wine.${session} RESOURCE_LOCK wine.${session})
endfunction()

# The shared 96-DPI sessions by turns: one, two, one...
function(quorvo_next_shared_session out)
  get_property(last GLOBAL PROPERTY quorvo_last_shared_session)
  set(next one)
  if(last STREQUAL "one")
    set(next two)
  endif()
  set_property(GLOBAL PROPERTY quorvo_last_shared_session ${next})
  set(${out} ${next} PARENT_SCOPE)
endfunction()

# One test PREFIX.NAME per scenario that `RUNNER --list` names, in lines
# NAME|LABELS|TIMEOUT, run in WORKING_DIRECTORY as RUNNER ARGS --state-file
# STATE NAME, needing the files REQUIRES and the FIXTURES: in the session a
# label names (monitors, dist), else in the shared sessions by turns. A
# listing that fails becomes a test that fails with its error; the
# configure goes on.
function(quorvo_add_scenarios prefix runner)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "WORKING_DIRECTORY"
                        "ARGS;REQUIRES;FIXTURES")
  get_filename_component(folder ${runner} DIRECTORY)
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.py)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${sources}
               ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/wine/registry.py)
  execute_process(
    COMMAND ${Python3_EXECUTABLE} ${runner} --list
    OUTPUT_VARIABLE listed OUTPUT_STRIP_TRAILING_WHITESPACE
    ERROR_VARIABLE error RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(WARNING "${runner} --list failed; ${prefix}.listing says why")
    add_test(NAME ${prefix}.listing
             COMMAND ${Python3_EXECUTABLE} ${runner} --list)
    return()
  endif()
  string(REPLACE "\n" ";" listed "${listed}")
  foreach(line IN LISTS listed)
    string(REPLACE "|" ";" fields "${line}")
    list(GET fields 0 name)
    list(GET fields 1 labels)
    list(GET fields 2 timeout)
    if(labels MATCHES "(^|,)(monitors|dist)(,|$)")
      set(session ${CMAKE_MATCH_2})
    else()
      quorvo_next_shared_session(session)
    endif()
    string(REPLACE "," ";" labels "${labels}")
    quorvo_wine_test(${prefix}.${name} ${session}
      COMMAND ${Python3_EXECUTABLE} ${runner} ${arg_ARGS}
              --state-file ${QUORVO_WINE_DIR}/${session}.json ${name}
      WORKING_DIRECTORY ${arg_WORKING_DIRECTORY})
    set_tests_properties(${prefix}.${name} PROPERTIES LABELS "${labels}"
      TIMEOUT ${timeout} REQUIRED_FILES "${arg_REQUIRES}"
      SKIP_RETURN_CODE 77)
    set_property(TEST ${prefix}.${name} APPEND PROPERTY
      FIXTURES_REQUIRED ${arg_FIXTURES})
  endforeach()
endfunction()

# The installer's long chain before the short e2e scenarios: on a run
# without the timings of an earlier one, ctest starts tests in this order.
add_subdirectory(${PROJECT_SOURCE_DIR}/bench/wine ${CMAKE_BINARY_DIR}/bench/wine)
add_subdirectory(dist)
include(${CMAKE_CURRENT_LIST_DIR}/win32/wine_tests.cmake)
add_subdirectory(e2e)
