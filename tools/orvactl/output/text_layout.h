// Filling words into lines, for help texts and demo rows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvabridge::orvactl {

// `items` placed on lines of at most `width` columns, `separator` between items on a line, each
// line starting with `indent` spaces and ending in a line break. An item longer than a line gets
// a line of its own.
std::string FillLines(const std::vector<std::string>& items, size_t indent, size_t width,
                      std::string_view separator = " ");

// The words of `text` (split at blanks) filled as above.
std::string FillWords(std::string_view text, size_t indent, size_t width);

}  // namespace orvabridge::orvactl
