# Writes what the build and the scripts read of cmake/identity.cmake (included by CMakeLists.txt
# after project()):
#   <build>/generated/identity/identity.h   the C++ header (see cmake/identity.h.in)
#   <build>/identity.env                   KEY=value lines for the scripts (cmake/identity.env.in)
# A value of the wrong form stops the configuration here, not in widl or a script.

# NAME_INITIALIZER: the braced initializer of identity::Guid for the GUID in NAME.
function(orvabridge_guid_initializer name)
  string(REPEAT "[0-9A-F]" 4 hex4)
  string(REPEAT "${hex4}" 2 hex8)
  string(REPEAT "${hex4}" 3 hex12)
  if(NOT ${name} MATCHES "^(${hex8})-(${hex4})-(${hex4})-(${hex4})-(${hex12})$")
    message(FATAL_ERROR "cmake/identity.cmake: ${name} '${${name}}' is not an upper-case GUID "
                        "without braces (XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX)")
  endif()
  set(fields "0x${CMAKE_MATCH_1}, 0x${CMAKE_MATCH_2}, 0x${CMAKE_MATCH_3}")
  # The last eight bytes as the structure holds them: the fourth group and then the fifth.
  string(REGEX REPLACE "(..)" "0x\\1, " bytes "${CMAKE_MATCH_4}${CMAKE_MATCH_5}")
  string(REGEX REPLACE ", $" "" bytes "${bytes}")
  set(${name}_INITIALIZER "{${fields}, {${bytes}}, \"{${${name}}}\", L\"{${${name}}}\"}"
      PARENT_SCOPE)
endfunction()

foreach(guid IN ITEMS ORVABRIDGE_LIBRARY_ID ORVABRIDGE_INTERFACE_ID ORVABRIDGE_CLASS_ID)
  orvabridge_guid_initializer(${guid})
endforeach()
if(NOT ORVABRIDGE_LIBRARY_VERSION MATCHES "^([0-9]+)\\.([0-9]+)$")
  message(FATAL_ERROR "cmake/identity.cmake: ORVABRIDGE_LIBRARY_VERSION "
                      "'${ORVABRIDGE_LIBRARY_VERSION}' is not MAJOR.MINOR")
endif()
set(ORVABRIDGE_LIBRARY_VERSION_MAJOR ${CMAKE_MATCH_1})
set(ORVABRIDGE_LIBRARY_VERSION_MINOR ${CMAKE_MATCH_2})
foreach(text IN ITEMS ORVABRIDGE_LIBRARY_NAME ORVABRIDGE_INTERFACE_NAME ORVABRIDGE_PROG_ID
                      ORVABRIDGE_VERSIONED_PROG_ID ORVABRIDGE_CONTROL_MESSAGE)
  # The values go into C++ and IDL string literals, and into KEY=value lines.
  if(${text} STREQUAL "" OR ${text} MATCHES "[\"\\\\\n]")
    message(FATAL_ERROR "cmake/identity.cmake: ${text} is empty or holds a quote, a backslash "
                        "or a line break")
  endif()
endforeach()

configure_file(${CMAKE_CURRENT_LIST_DIR}/identity.h.in
               ${PROJECT_BINARY_DIR}/generated/identity/identity.h @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/identity.env.in ${PROJECT_BINARY_DIR}/identity.env @ONLY)
