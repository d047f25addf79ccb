// Conversion between the program's UTF-8 text and the system's ANSI code page.
#pragma once

#include <string>
#include <string_view>

namespace orvabridge::platform {

class CodePage {
 public:
  virtual ~CodePage() = default;
  // Characters that the code page cannot represent become its default character ('?').
  virtual std::string ToAnsi(std::string_view utf8) = 0;
  virtual std::string FromAnsi(std::string_view ansi) = 0;
};

}  // namespace orvabridge::platform
