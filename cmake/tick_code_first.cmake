# Places the functions named in a list file first and together in a
# program's code, for the GNU linker (mingw-w64). The linker's own script is
# taken as it is and only gains the listed sections at the start of .text;
# a link map is written next to the program for the check of the layout.
# Other linkers keep their default order: the list changes speed only.
function(quorvo_tick_code_first target list_file)
  if(NOT MINGW OR NOT CMAKE_LINKER)
    return()
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${list_file})
  execute_process(COMMAND ${CMAKE_LINKER} --verbose
                  OUTPUT_VARIABLE verbose RESULT_VARIABLE result)
  # The default script stands between two lines of "=" signs.
  string(REGEX MATCH "\n=+\n(.*)\n=+\n" found "${verbose}")
  set(script "${CMAKE_MATCH_1}")
  set(anchor "KEEP (*(SORT_NONE(.init)))")
  string(FIND "${script}" "${anchor}" at)
  if(NOT result EQUAL 0 OR NOT found OR at EQUAL -1)
    message(WARNING "${CMAKE_LINKER}: no default script to extend; "
                    "${target} keeps the linker's order of code")
    return()
  endif()
  file(STRINGS ${list_file} names REGEX "^[^#]")
  set(sections "${anchor}\n")
  foreach(name IN LISTS names)
    string(STRIP "${name}" name)
    if(name)
      string(APPEND sections "    *(.text$${name})\n")
    endif()
  endforeach()
  string(REPLACE "${anchor}" "${sections}" script "${script}")
  set(script_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_tick_code_first.ld)
  file(WRITE ${script_file} "${script}\n")
  get_target_property(output_dir ${target} RUNTIME_OUTPUT_DIRECTORY)
  target_link_options(${target} PRIVATE "-Wl,-T,${script_file}"
                      "-Wl,-Map,${output_dir}/${target}.map")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${script_file})
endfunction()
