#include "platform/utf8.h"

namespace orvabridge::platform::utf8 {

Decoded Decode(std::string_view text, size_t pos) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  Decoded decoded;
  if (lead < 0x80) {
    decoded.valid = true;
    decoded.code_point = lead;
    return decoded;
  }
  // Unicode's table of well-formed sequences: the lead byte fixes the number of continuation
  // bytes and the range of the first one (which rules out overlong forms, surrogates and values
  // beyond U+10FFFF); every further continuation byte is 0x80..0xBF.
  size_t continuations = 0;
  char32_t value = 0;
  unsigned char low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    continuations = 1;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    continuations = 2;
    value = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    continuations = 3;
    value = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return decoded;  // a continuation byte, C0, C1 or F5..FF: starts nothing at all
  }
  for (size_t i = 1; i <= continuations; ++i) {
    if (pos + i >= text.size()) {
      decoded.prefix = i;
      return decoded;
    }
    const unsigned char c = byte(pos + i);
    if (c < (i == 1 ? low : 0x80) || c > (i == 1 ? high : 0xBF)) {
      decoded.prefix = i;
      return decoded;
    }
    value = (value << 6) | (c & 0x3F);
  }
  decoded.valid = true;
  decoded.code_point = value;
  decoded.length = continuations + 1;
  decoded.prefix = decoded.length;
  return decoded;
}

bool IsValid(std::string_view text) {
  for (size_t pos = 0; pos < text.size();) {
    const Decoded decoded = Decode(text, pos);
    if (!decoded.valid) return false;
    pos += decoded.length;
  }
  return true;
}

void Append(std::string& out, char32_t cp) {
  if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = kReplacementCharacter;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string Repair(std::string_view text, char32_t replacement) {
  std::string out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    const Decoded decoded = Decode(text, pos);
    if (decoded.valid) {
      out += text.substr(pos, decoded.length);
    } else {
      Append(out, replacement);
    }
    pos += decoded.length;
  }
  return out;
}

std::string FromUtf16(std::u16string_view utf16, char32_t replacement) {
  const auto high = [](char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; };
  const auto low = [](char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; };
  std::string out;
  out.reserve(utf16.size());
  for (size_t i = 0; i < utf16.size(); ++i) {
    const char16_t unit = utf16[i];
    if (high(unit) && i + 1 < utf16.size() && low(utf16[i + 1])) {
      Append(out, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                      (static_cast<char32_t>(utf16[i + 1]) - 0xDC00));
      ++i;
    } else if (high(unit) || low(unit)) {
      Append(out, replacement);  // an unpaired half of a pair
    } else {
      Append(out, unit);
    }
  }
  return out;
}

}  // namespace orvabridge::platform::utf8
