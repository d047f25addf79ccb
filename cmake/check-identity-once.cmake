# Fails when a GUID of cmake/identity.cmake is written anywhere else in the code, the build files,
# the scripts or the packaging: in any form (registry text, IDL, a C++ initializer), since all of
# them start with the GUID's first eight hex digits. The documentation for people (README.md,
# DESIGN.md, docs/) may name them.
#   cmake -DSOURCE_DIR=<repository> -P check-identity-once.cmake
include(${SOURCE_DIR}/cmake/identity.cmake)
set(folders bench cmake fuzz packaging scripts sim src tests tools)
list(TRANSFORM folders PREPEND "${SOURCE_DIR}/" OUTPUT_VARIABLE globs)
list(TRANSFORM globs APPEND "/*")
file(GLOB_RECURSE files LIST_DIRECTORIES false ${globs})
list(APPEND files ${SOURCE_DIR}/CMakeLists.txt)
list(REMOVE_ITEM files ${SOURCE_DIR}/cmake/identity.cmake)

set(found "")
foreach(guid IN ITEMS ORVABRIDGE_LIBRARY_ID ORVABRIDGE_INTERFACE_ID ORVABRIDGE_CLASS_ID)
  string(SUBSTRING "${${guid}}" 0 8 start)
  string(TOLOWER "${start}" start_lower)
  foreach(file IN LISTS files)
    file(STRINGS "${file}" lines REGEX "${start}|${start_lower}")
    if(lines)
      file(RELATIVE_PATH name "${SOURCE_DIR}" "${file}")
      string(APPEND found "\n  ${name}: ${guid} (${start}...)")
    endif()
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "GUIDs of cmake/identity.cmake written again; take them from "
                      "identity/identity.h or the build's identity.env instead:${found}")
endif()
