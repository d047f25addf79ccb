#include "platform/odbc/utf16.h"

#include "platform/utf8.h"

namespace orvabridge::platform::odbc {

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  utf8::ForEachCharacter(utf8, utf8::kReplacementCharacter, [&](char32_t c) {
    if (c < 0x10000) {
      out += static_cast<char16_t>(c);
    } else {
      const char32_t offset = c - 0x10000;
      out += static_cast<char16_t>(0xD800 + (offset >> 10));
      out += static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
    }
  });
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  return utf8::FromUtf16(utf16, utf8::kReplacementCharacter);
}

}  // namespace orvabridge::platform::odbc
