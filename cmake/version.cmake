# The version in the forms the program and its tests need, all from
# project(VERSION), the one place that holds it:
#   QUORVO_VERSION          1.6.0.2    the version record and the manifest
#   QUORVO_VERSION_TEXT     1.06.0002  the version record's text, as Windows
#                                      shows it
#   QUORVO_DISPLAY_VERSION  1.62       what the About box and users call it
# and the header quorvo_version.h in the build's generated/ directory.
function(quorvo_zero_padded out value width)
  string(LENGTH "${value}" length)
  set(zeros "")
  if(length LESS width)
    math(EXPR missing "${width} - ${length}")
    string(REPEAT "0" ${missing} zeros)
  endif()
  set(${out} "${zeros}${value}" PARENT_SCOPE)
endfunction()

set(QUORVO_VERSION "${PROJECT_VERSION}")
quorvo_zero_padded(minor "${PROJECT_VERSION_MINOR}" 2)
quorvo_zero_padded(tweak "${PROJECT_VERSION_TWEAK}" 4)
set(QUORVO_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${minor}.${tweak}")
set(QUORVO_DISPLAY_VERSION
    "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}${PROJECT_VERSION_TWEAK}")
set(QUORVO_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/quorvo_version.h.in
               ${QUORVO_GENERATED_DIR}/quorvo_version.h @ONLY)
