# The addresses Quorvo names: where the release files are published
# ("{version}" stands for the four-part file version, which the release
# files' names carry too; Scoop looks for new versions in the folder above
# it), the product's homepage (the About box shows it too), the publisher's,
# and the licence's (empty: LICENSE.txt beside the homepage). The defaults
# are placeholders: `make dist` names each one it writes, `make release`
# refuses them (installer/dist.py).
set(QUORVO_DOWNLOAD_URL
    "https://www.velmora-software.example/quorvo/download/{version}"
    CACHE STRING "Address the release files are published under")
set(QUORVO_HOMEPAGE_URL "http://www.velmora-software.example/quorvo/"
    CACHE STRING "The product's homepage")
set(QUORVO_PUBLISHER_URL "http://www.velmora-software.example/"
    CACHE STRING "The publisher's homepage")
set(QUORVO_LICENSE_URL ""
    CACHE STRING "Where the licence is published (empty: LICENSE.txt at the homepage)")

# The homepage goes into the program as a C string: an address is printable
# ASCII without quotes or backslashes, and anything else is refused here
# rather than built into a broken or different text.
foreach(name DOWNLOAD_URL HOMEPAGE_URL PUBLISHER_URL LICENSE_URL)
  if(NOT "${QUORVO_${name}}" MATCHES "^[]!#-[^-~]*$")
    message(FATAL_ERROR "QUORVO_${name} \"${QUORVO_${name}}\": an address is "
            "printable ASCII without spaces, quotes or backslashes")
  endif()
endforeach()
