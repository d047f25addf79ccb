#include "text_layout.h"

namespace orvabridge::orvactl {

std::string FillLines(const std::vector<std::string>& items, size_t indent, size_t width,
                      std::string_view separator) {
  std::string filled;
  size_t column = 0;
  for (const std::string& item : items) {
    if (column > 0 && column + separator.size() + item.size() > width) {
      filled += '\n';
      column = 0;
    }
    if (column == 0) {
      filled.append(indent, ' ');
      column = indent;
    } else {
      filled += separator;
      column += separator.size();
    }
    filled += item;
    column += item.size();
  }
  if (column > 0) filled += '\n';
  return filled;
}

std::string FillWords(std::string_view text, size_t indent, size_t width) {
  std::vector<std::string> words;
  size_t start = 0;
  while (start < text.size()) {
    const size_t blank = text.find(' ', start);
    const size_t end = blank == std::string_view::npos ? text.size() : blank;
    if (end > start) words.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return FillLines(words, indent, width);
}

}  // namespace orvabridge::orvactl
