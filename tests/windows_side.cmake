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

include(${CMAKE_CURRENT_LIST_DIR}/win32/wine_tests.cmake)
add_subdirectory(e2e)
add_subdirectory(dist)
add_subdirectory(${PROJECT_SOURCE_DIR}/bench/wine ${CMAKE_BINARY_DIR}/bench/wine)
