// orva-sim --data FILE: what the simulated application knows at the start, read from a JSON file
// (comments allowed) instead of being fixed in code. `orva-sim --data-template` writes an example
// with every key explained; it is the demo data set itself.
//
// Every mistake is reported in terms of the file: a text that is not JSON names the line and
// column; a key that is missing, unknown or of the wrong type, a duplicate and a reference to
// something the file does not hold name the JSON path of the item ("users[1].rights[0]").
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/code_page.h"
#include "sim/model.h"

namespace orvabridge::sim {

class DataFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads a data file's text; `source` names it in the messages (a path). Throws DataFileError.
SimModel ParseSimData(std::string_view text, std::string_view source);

// The text of the file at `path`. Throws DataFileError when it cannot be read or is a folder.
std::string ReadDataFileText(const std::filesystem::path& path);

// Reads the file at `path`. Throws DataFileError, also when the file cannot be read.
SimModel ReadSimDataFile(const std::filesystem::path& path);

// One warning for each text of a data file (already accepted by ParseSimData) that `code_page`
// cannot hold whole: the application answers in ANSI, so a host receives those characters as
// '?'. Each names the source, the JSON path, the characters (not those of a password) and the
// code page.
std::vector<std::string> LostCharacterWarnings(std::string_view text, std::string_view source,
                                               platform::CodePage& code_page);

}  // namespace orvabridge::sim
