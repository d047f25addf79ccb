#include "platform/code_page.h"

#include "platform/utf8.h"

namespace orvabridge::platform {

LostCharacters FindLostCharacters(CodePage& code_page, std::string_view utf8_text) {
  LostCharacters lost;
  // Most texts survive whole: one round trip settles them.
  if (code_page.FromAnsi(code_page.ToAnsi(utf8_text)) == utf8_text) return lost;
  for (size_t pos = 0; pos < utf8_text.size();) {
    const utf8::Decoded decoded = utf8::Decode(utf8_text, pos);
    std::string character;
    if (decoded.valid) {
      character = utf8_text.substr(pos, decoded.length);
      pos += decoded.length;
      if (code_page.FromAnsi(code_page.ToAnsi(character)) == character) continue;
    } else {
      utf8::Append(character, utf8::kReplacementCharacter);
      pos += decoded.prefix;
    }
    ++lost.count;
    if (lost.distinct.find(character) == std::string::npos) lost.distinct += character;
  }
  return lost;
}

}  // namespace orvabridge::platform
