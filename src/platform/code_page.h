// Conversion between the program's UTF-8 text and the system's ANSI code page.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orvabridge::platform {

class CodePage {
 public:
  virtual ~CodePage() = default;
  // Characters that the code page cannot represent become its default character ('?').
  virtual std::string ToAnsi(std::string_view utf8) = 0;
  virtual std::string FromAnsi(std::string_view ansi) = 0;
  // How users know the code page: its number on Windows ("1252"), else its name.
  virtual std::string Name() = 0;
};

// The characters of a text that a code page cannot hold. ToAnsi replaces each of them (with the
// default character, or a look-alike where the platform fits one), so they do not come back
// from FromAnsi; a byte that is no UTF-8 counts as one such character.
struct LostCharacters {
  size_t count = 0;      // every replaced character, each time it occurs
  std::string distinct;  // each of them once, in the order they first occur (UTF-8)

  bool any() const { return count > 0; }
};
LostCharacters FindLostCharacters(CodePage& code_page, std::string_view utf8);

}  // namespace orvabridge::platform
