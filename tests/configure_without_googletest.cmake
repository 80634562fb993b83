# The Windows build configures on a machine without GoogleTest, as the msvc
# preset must on Windows: with the Win32 tests switched off, and with them on
# but no GoogleTest to be found. Either way the program is there and the
# Win32 test program is not. Run as
#   cmake -DSOURCE_DIR=... -DWORK_DIR=... -P configure_without_googletest.cmake
foreach(tests IN ITEMS OFF ON)
  set(build ${WORK_DIR}/win32-tests-${tests})
  file(REMOVE_RECURSE ${build})
  execute_process(
    COMMAND ${CMAKE_COMMAND} --preset mingw -S ${SOURCE_DIR} -B ${build}
            -DQUORVO_WIN32_TESTS=${tests}
            -DQUORVO_GOOGLETEST_DIR=${WORK_DIR}/no-googletest
    WORKING_DIRECTORY ${SOURCE_DIR}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "QUORVO_WIN32_TESTS=${tests} without GoogleTest: "
                        "the configure failed\n${output}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${build} --target help
                  OUTPUT_VARIABLE targets RESULT_VARIABLE result)
  if(NOT result EQUAL 0 OR NOT targets MATCHES "(^|\n)Quorvo:"
     OR targets MATCHES "quorvo_win32_tests")
    message(FATAL_ERROR "QUORVO_WIN32_TESTS=${tests} without GoogleTest: "
                        "expected the Quorvo target and no Win32 tests; "
                        "targets:\n${targets}")
  endif()
  message(STATUS "QUORVO_WIN32_TESTS=${tests} without GoogleTest: configured")
endforeach()
