# Fails when the newest heading of CHANGELOG.md does not carry the project's version.
#   cmake -DCHANGELOG=<file> -DVERSION=<x.y.z> -P check-changelog.cmake
file(STRINGS "${CHANGELOG}" headings REGEX "^## ")
list(GET headings 0 newest)
if(NOT newest MATCHES "^## ([0-9]+\\.[0-9]+\\.[0-9]+)")
  message(FATAL_ERROR "CHANGELOG.md: the newest heading names no version: ${newest}")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
  message(FATAL_ERROR "CHANGELOG.md names ${CMAKE_MATCH_1} first; the project is ${VERSION}")
endif()
