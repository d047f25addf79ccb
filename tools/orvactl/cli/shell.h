// The lines of `orvactl shell`: each is a command line as on the command line itself, split into
// words here and read by the same parser.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvabridge::orvactl {

// The words of one line. Blanks (spaces and tabs) separate words; "..." or '...' keep blanks
// and the other quote inside a word, and "" is an empty word. Nothing else is special, so that
// Windows paths keep their backslashes. A line that is blank or whose first word begins with '#'
// has no words. Throws UsageError for a quote that is not closed.
std::vector<std::string> SplitShellLine(std::string_view line);

}  // namespace orvabridge::orvactl
