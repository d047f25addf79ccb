// The record field each text of a call is written to, and which texts of a call do not fit:
// the imaging application receives a text cut at its field's width (in bytes of the ANSI code
// page), so orvactl says so instead of letting the cut go unnoticed.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "calls/commands.h"
#include "calls/values.h"
#include "platform/code_page.h"

namespace orvabridge::orvactl {

// The width in bytes of the field that a text parameter of a member is written to as it is;
// nullopt for parameters that are not (numbers, outputs, texts the member turns into something
// else before sending, such as FindImages' dates).
std::optional<size_t> FieldWidth(std::string_view member, std::string_view parameter);

// Every (member, parameter) pair FieldWidth knows, for checking the table against the members.
std::vector<std::pair<std::string_view, std::string_view>> FieldWidthEntries();

struct CutText {
  std::string option;  // "--first-name"
  size_t bytes = 0;    // the text's length in the ANSI code page
  size_t width = 0;    // the field's width
  size_t kept = 0;     // what arrives: the width, less a character that would not fit whole
};

// The given texts of a call that are longer than their fields.
std::vector<CutText> CutTexts(const CommandEntry& command,
                              const std::map<std::string, Value>& values,
                              platform::CodePage& code_page);

// One line that says what is cut, by how much, and what arrives.
std::string Describe(const CutText& cut);

}  // namespace orvabridge::orvactl
