#include "platform/odbc/utf16.h"

#include "platform/utf8.h"

namespace orvabridge::platform::odbc {
namespace {

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

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
  std::string out;
  out.reserve(utf16.size());
  for (size_t i = 0; i < utf16.size(); ++i) {
    const char16_t unit = utf16[i];
    if (IsHighSurrogate(unit) && i + 1 < utf16.size() && IsLowSurrogate(utf16[i + 1])) {
      const char32_t c = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                         (static_cast<char32_t>(utf16[i + 1]) - 0xDC00);
      utf8::Append(out, c);
      ++i;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      utf8::Append(out, utf8::kReplacementCharacter);  // an unpaired half of a pair
    } else {
      utf8::Append(out, unit);
    }
  }
  return out;
}

}  // namespace orvabridge::platform::odbc
