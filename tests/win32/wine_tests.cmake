# Registers the Win32 tests to run under Wine from a native build: one ctest
# test per GoogleTest suite of quorvo_win32_tests.exe, so the summary counts
# them, and the window suites once more at 144 DPI. The suites are read from
# the test sources, so a new suite is registered without a change here.
#
# Each runs in a Wine session of its own (tests/wine/session.py run). All
# tests under Wine share the resource lock wine_prefix.
set(QUORVO_WIN32_TEST_EXE ${QUORVO_WINDOWS_DIR}/quorvo_win32_tests.exe)

file(GLOB quorvo_win32_test_sources CONFIGURE_DEPENDS
     ${CMAKE_CURRENT_LIST_DIR}/*_test.cpp)
set(quorvo_win32_suites "")
foreach(source IN LISTS quorvo_win32_test_sources)
  file(STRINGS ${source} lines REGEX "^TEST(_F|_P)?\\([A-Za-z0-9_]+,")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^TEST(_F|_P)?\\(([A-Za-z0-9_]+),.*" "\\2" suite
           "${line}")
    list(APPEND quorvo_win32_suites ${suite})
  endforeach()
endforeach()
list(REMOVE_DUPLICATES quorvo_win32_suites)
list(SORT quorvo_win32_suites)

# The suites whose results depend on the screen's DPI.
set(quorvo_win32_dpi_suites
  Win32FormTest Win32FormMouseTest Win32LabelTest WindowManagerTest)

function(quorvo_add_wine_test name prefix filter)
  add_test(NAME ${name}
    COMMAND ${Python3_EXECUTABLE} ${QUORVO_SESSION} run --prefix ${prefix}
            ${ARGN} -- ${QUORVO_WIN32_TEST_EXE} --gtest_filter=${filter}
    WORKING_DIRECTORY ${QUORVO_WINDOWS_DIR})
  set_tests_properties(${name} PROPERTIES
    RESOURCE_LOCK wine_prefix
    REQUIRED_FILES ${QUORVO_WIN32_TEST_EXE}
    TIMEOUT 600
    # A filter that matched nothing would pass without testing anything.
    FAIL_REGULAR_EXPRESSION "Running 0 tests;\\[  FAILED  \\]")
endfunction()

foreach(suite IN LISTS quorvo_win32_suites)
  # Plain suites are "Suite.Test", parameterised ones "Prefix/Suite.Test/N".
  quorvo_add_wine_test(win32.${suite} ${CMAKE_BINARY_DIR}/wineprefix
                       "${suite}.*:*/${suite}.*")
endforeach()
foreach(suite IN LISTS quorvo_win32_dpi_suites)
  quorvo_add_wine_test(win32.dpi144.${suite}
                       ${CMAKE_BINARY_DIR}/wineprefix-dpi144
                       "${suite}.*:*/${suite}.*" --dpi 144)
endforeach()
