# The tests that run Windows programs under Wine, against the programs in
# QUORVO_WINDOWS_DIR: the Win32 tests (at 96 and 144 DPI), the end-to-end
# scenarios (the DPI scenario among them), the installer and the growth
# check. Each starts its Wine session through tests/wine/session.py, so they
# run under whichever Wine is installed: the native configure registers them
# beside its own tests, a configure with QUORVO_PREBUILT_WINDOWS_DIR only
# them (make test-wine10 runs those in a Debian 13 root).
set(QUORVO_EXE ${QUORVO_WINDOWS_DIR}/Quorvo.exe)
set(QUORVO_PROBE ${QUORVO_WINDOWS_DIR}/quorvo_probe.exe)
set(QUORVO_SESSION ${CMAKE_CURRENT_LIST_DIR}/wine/session.py)

# A Wine session the tests of a suite share: NAME.start starts it, NAME.stop
# ends it, both making FIXTURE; its files are under WORK, WORK.json
# describes it, and further arguments go to `session.py start`.
function(quorvo_wine_session name fixture work label)
  add_test(NAME ${name}.start
    COMMAND ${Python3_EXECUTABLE} ${QUORVO_SESSION} start
            --state-file ${work}.json --prefix ${work}-wineprefix
            --work-dir ${work} --probe ${QUORVO_PROBE} ${ARGN})
  add_test(NAME ${name}.stop
    COMMAND ${Python3_EXECUTABLE} ${QUORVO_SESSION} stop
            --state-file ${work}.json)
  set_tests_properties(${name}.start PROPERTIES
    FIXTURES_SETUP ${fixture} TIMEOUT 400 REQUIRED_FILES "${QUORVO_PROBE}")
  set_tests_properties(${name}.stop PROPERTIES
    FIXTURES_CLEANUP ${fixture} TIMEOUT 120)
  set_tests_properties(${name}.start ${name}.stop PROPERTIES
    LABELS ${label} RESOURCE_LOCK wine_prefix)
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/win32/wine_tests.cmake)
add_subdirectory(e2e)
add_subdirectory(dist)
add_subdirectory(${PROJECT_SOURCE_DIR}/bench/wine ${CMAKE_BINARY_DIR}/bench/wine)
