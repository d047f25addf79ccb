#include "shell.h"

#include "calls/values.h"

namespace orvabridge::orvactl {

std::vector<std::string> SplitShellLine(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  for (size_t at = 0; at < line.size(); ++at) {
    const char c = line[at];
    if (c == ' ' || c == '\t') {
      if (in_word) words.push_back(std::move(word));
      word.clear();
      in_word = false;
    } else if (c == '"' || c == '\'') {
      const size_t close = line.find(c, at + 1);
      if (close == std::string_view::npos) {
        throw UsageError(std::string("the quote ") + c + " at column " + std::to_string(at + 1) +
                         " is not closed");
      }
      word.append(line.substr(at + 1, close - at - 1));
      in_word = true;
      at = close;
    } else {
      if (!in_word && words.empty() && c == '#') return {};  // a comment line
      word += c;
      in_word = true;
    }
  }
  if (in_word) words.push_back(std::move(word));
  return words;
}

}  // namespace orvabridge::orvactl
