# Registers the Win32 tests to run under Wine from a native build: one ctest
# test per GoogleTest suite of quorvo_win32_tests.exe, so the summary counts
# them, in the shared 96-DPI sessions by turns, and the window suites once
# more in the 144-DPI session. The suites are read from the test sources,
# so a new suite is registered without a change here; a test the reading
# misses fails the configure, and win32.every_suite_registered fails if the
# program holds a suite not registered.
set(QUORVO_WIN32_TEST_EXE ${QUORVO_WINDOWS_DIR}/quorvo_win32_tests.exe)

file(GLOB quorvo_win32_test_sources CONFIGURE_DEPENDS
     ${CMAKE_CURRENT_LIST_DIR}/*_test.cpp)
set(quorvo_win32_suites "")
foreach(source IN LISTS quorvo_win32_test_sources)
  file(STRINGS ${source} lines REGEX "(^|[^A-Za-z0-9_])TEST(_F|_P)?[ \t]*\\(")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^TEST(_F|_P)?\\(([A-Za-z0-9_]+),")
      message(FATAL_ERROR "${source}: cannot tell the suite of `${line}`; "
                          "write TEST(Suite, Name) on one line")
    endif()
    list(APPEND quorvo_win32_suites ${CMAKE_MATCH_2})
  endforeach()
endforeach()
list(REMOVE_DUPLICATES quorvo_win32_suites)
list(SORT quorvo_win32_suites)

# The suites whose results depend on the screen's DPI.
set(quorvo_win32_dpi_suites
  Win32FormTest Win32FormMouseTest Win32LabelTest WindowManagerTest)

function(quorvo_add_win32_test name session filter)
  quorvo_wine_test(${name} ${session}
    COMMAND ${Python3_EXECUTABLE} ${QUORVO_SESSION} exec
            --state-file ${QUORVO_WINE_DIR}/${session}.json
            -- ${QUORVO_WIN32_TEST_EXE} --gtest_filter=${filter})
  set_tests_properties(${name} PROPERTIES
    LABELS win32 REQUIRED_FILES ${QUORVO_WIN32_TEST_EXE} TIMEOUT 600
    # A filter that matched nothing would pass without testing anything.
    FAIL_REGULAR_EXPRESSION "Running 0 tests;\\[  FAILED  \\]")
endfunction()

# Plain suites are "Suite.Test", parameterised ones "Prefix/Suite.Test/N".
set(registered "")
foreach(suite IN LISTS quorvo_win32_suites)
  quorvo_next_shared_session(session)
  quorvo_add_win32_test(win32.${suite} ${session} "${suite}.*:*/${suite}.*")
  list(APPEND registered "${suite}.*:*/${suite}.*")
endforeach()
foreach(suite IN LISTS quorvo_win32_dpi_suites)
  if(NOT suite IN_LIST quorvo_win32_suites)
    message(FATAL_ERROR "the 144-DPI suite ${suite} is in no test source")
  endif()
  quorvo_add_win32_test(win32.dpi144.${suite} dpi144 "${suite}.*:*/${suite}.*")
endforeach()

# The program runs no test outside the suites registered above.
list(JOIN registered ":" registered)
quorvo_next_shared_session(session)
quorvo_wine_test(win32.every_suite_registered ${session}
  COMMAND ${Python3_EXECUTABLE} ${QUORVO_SESSION} exec
          --state-file ${QUORVO_WINE_DIR}/${session}.json
          -- ${QUORVO_WIN32_TEST_EXE} --gtest_filter=-${registered})
set_tests_properties(win32.every_suite_registered PROPERTIES
  LABELS win32 REQUIRED_FILES ${QUORVO_WIN32_TEST_EXE} TIMEOUT 120
  PASS_REGULAR_EXPRESSION "Running 0 tests from 0 test suites")
