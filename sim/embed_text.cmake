# Writes a C++ source that returns the text of a file, so that a file of the source tree (the
# demo data set) is built into the program once and read from there.
#   cmake -DINPUT=<file> -DOUTPUT=<source.cpp> -DFUNCTION=<qualified::Name> -P embed_text.cmake
# The function is declared elsewhere as `std::string_view Name();`.
file(READ "${INPUT}" text)
set(delimiter "orva-embed")
string(FIND "${text}" ")${delimiter}\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} contains the raw-string end )${delimiter}\"")
endif()
string(REGEX REPLACE "::[^:]*$" "" namespace "${FUNCTION}")
string(REGEX REPLACE "^.*::" "" name "${FUNCTION}")
file(WRITE "${OUTPUT}"
  "// Made from ${INPUT} by embed_text.cmake at build time.\n"
  "#include <string_view>\n\n"
  "namespace ${namespace} {\n\n"
  "std::string_view ${name}() {\n"
  "  static constexpr char kText[] = R\"${delimiter}(${text})${delimiter}\";\n"
  "  return {kText, sizeof kText - 1};\n"
  "}\n\n"
  "}  // namespace ${namespace}\n")
