# Warnings are errors on every compiler the project builds with.
add_library(quorvo_warnings INTERFACE)
if(MSVC)
  target_compile_options(quorvo_warnings INTERFACE /W4 /WX /permissive- /utf-8)
else()
  target_compile_options(quorvo_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Wcast-align -Woverloaded-virtual -Wnull-dereference -Wformat=2 -Werror)
endif()
