// Which texts of a call lose characters to the ANSI code page: the imaging application reads
// ANSI, so a character the code page lacks arrives as '?' ("Łukasz" as "?ukasz" on a Western
// code page). orvactl says so before the record is stored, as it does for a text that is cut.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "calls/commands.h"
#include "calls/values.h"
#include "platform/code_page.h"

namespace orvabridge::orvactl {

struct LostText {
  std::string option;  // "--first-name"
  bool secret = false;
  std::string code_page;  // "1252"
  platform::LostCharacters lost;
};

// The given texts of a call that the code page cannot hold whole.
std::vector<LostText> LostTexts(const CommandEntry& command,
                                const std::map<std::string, Value>& values,
                                platform::CodePage& code_page);

// One line that names the option, the characters (not those of a password) and the code page.
std::string Describe(const LostText& text);

}  // namespace orvabridge::orvactl
