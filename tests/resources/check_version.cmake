# Checks that what the user reads as the program's version agrees with the
# VERSION file, from which the version resource and the installer take theirs:
# the About box's " Version MAJOR.MINOR" must name the same release, and the
# manifest's assembly version must be VERSION's with a fourth part of 0.
# cmake -DVERSION_FILE=<VERSION> -DRC=<mailvane.rc> -DMANIFEST=<mailvane.manifest>
#       -P check_version.cmake
file(STRINGS ${VERSION_FILE} version LIMIT_COUNT 1)
if(NOT version MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
  message(FATAL_ERROR "VERSION holds \"${version}\", not MAJOR.MINOR.PATCH")
endif()
set(release "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}")
file(STRINGS ${RC} about REGEX "\" Version [0-9.]+\"")
list(LENGTH about count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "${RC} holds ${count} About version texts, not one")
endif()
string(REGEX MATCH "\" Version ([0-9.]+)\"" unused "${about}")
if(NOT CMAKE_MATCH_1 STREQUAL release)
  message(FATAL_ERROR "About shows version ${CMAKE_MATCH_1}, VERSION says ${version}")
endif()

file(READ ${MANIFEST} manifest)
string(REGEX MATCH "name=\"Quorvel\\.Mailvane\" version=\"([0-9.]+)\"" unused "${manifest}")
if(NOT CMAKE_MATCH_1 STREQUAL "${version}.0")
  message(FATAL_ERROR "the manifest names assembly version \"${CMAKE_MATCH_1}\", VERSION says ${version}")
endif()
