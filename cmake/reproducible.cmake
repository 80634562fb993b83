# The same program file, byte for byte, wherever and whenever it is built,
# so that a published SHA-256 of a release can be checked by rebuilding it.
#
# The GNU linker stamps a PE file's header with the time of the link (and
# its checksum follows from it): --no-insert-timestamp leaves it zero. The
# source and build folders are mapped away from anything the compiler
# writes (__FILE__, debug records), so two checkouts in different places
# give the same code.
if(NOT MINGW)
  return()
endif()
add_link_options(LINKER:--no-insert-timestamp)
add_compile_options(
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=>"
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_BINARY_DIR}/=build/>")
