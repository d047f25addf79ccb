#include "lost_characters.h"

namespace orvabridge::orvactl {

std::vector<LostText> LostTexts(const CommandEntry& command,
                                const std::map<std::string, Value>& values,
                                platform::CodePage& code_page) {
  std::vector<LostText> texts;
  for (const ParamEntry& param : command.params) {
    const auto given = values.find(std::string(param.name));
    if (given == values.end()) continue;
    const auto* text = std::get_if<std::string>(&given->second);
    if (text == nullptr) continue;
    platform::LostCharacters lost = platform::FindLostCharacters(code_page, *text);
    if (lost.any()) {
      texts.push_back(
          {"--" + std::string(param.option), param.secret, code_page.Name(), std::move(lost)});
    }
  }
  return texts;
}

std::string Describe(const LostText& text) {
  const size_t count = text.lost.count;
  std::string line = text.option + ": " + std::to_string(count) +
                     (count == 1 ? " character" : " characters") + " the ANSI code page " +
                     text.code_page + " cannot hold";
  if (!text.secret) line += " (" + text.lost.distinct + ")";
  return line + (count == 1 ? " arrives" : " arrive") + " as \"?\"";
}

}  // namespace orvabridge::orvactl
