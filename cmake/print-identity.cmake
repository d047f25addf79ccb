# Prints the identity of the sources (cmake/identity.cmake) for scripts that run before there is
# a build, in the form of a build tree's identity.env:
#   cmake -P cmake/print-identity.cmake                          every KEY=value line
#   cmake -D KEY=ORVABRIDGE_VERSION -P cmake/print-identity.cmake  that value alone
# An unknown KEY is an error.
include(${CMAKE_CURRENT_LIST_DIR}/identity.cmake)
file(READ ${CMAKE_CURRENT_LIST_DIR}/identity.env.in template)
string(CONFIGURE "${template}" lines @ONLY)
if(DEFINED KEY)
  if(NOT lines MATCHES "(^|\n)${KEY}=([^\n]*)")
    message(FATAL_ERROR "print-identity: no identity value ${KEY}")
  endif()
  set(lines "${CMAKE_MATCH_2}\n")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E echo_append "${lines}")
