// The one UTF-8 codec of the platform layer: a strict decoder and the encoder, shared by the
// in-process desktop's code page and the ODBC layer's UTF-16 conversion.
//
// What counts as a character: one of Unicode's well-formed UTF-8 sequences. Overlong forms,
// encoded surrogates (U+D800..U+DFFF), values beyond U+10FFFF, the old five- and six-byte forms
// and sequences cut short are no characters.
//
// Bad bytes: each byte at which no character starts is one bad byte. Repair() turns each of them
// into one replacement character and goes on with the very next byte, so that a stray byte never
// swallows the characters after it and the output has one replacement per bad byte:
//   "\xC0\x80" -> "??", "\xE2\x82" (cut short) -> "??", "\xED\xA0\x80" (a surrogate) -> "???".
// A bad byte may begin the start of a character that never completes ("\xE2\x82" is the start of
// a three-byte character); Decode() reports how far that start reaches (`prefix`), for the one
// caller that replaces such a start as a whole (DeskCodePage::ToAnsi, see there).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orvabridge::platform::utf8 {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

struct Decoded {
  bool valid = false;       // a character starts here
  char32_t code_point = 0;  // the character (0 when !valid)
  size_t length = 1;        // bytes of the character; 1 for a bad byte
  size_t prefix = 1;        // bad byte: bytes of the unfinished character it begins (>= 1)
};

// Decodes at text[pos] (pos < text.size()).
Decoded Decode(std::string_view text, size_t pos);

// Whether the whole text is well-formed UTF-8.
bool IsValid(std::string_view text);

// Appends the UTF-8 form of a Unicode scalar value (a surrogate or a value beyond U+10FFFF
// becomes U+FFFD).
void Append(std::string& out, char32_t code_point);

// UTF-16 text as UTF-8; each unpaired surrogate becomes `replacement`.
std::string FromUtf16(std::u16string_view utf16, char32_t replacement);

// The text with each bad byte replaced by `replacement` (a scalar value, encoded as UTF-8).
std::string Repair(std::string_view text, char32_t replacement);

// Calls visit(code_point) for each character of the text and visit(replacement) for each bad
// byte, in order.
template <class Visit>
void ForEachCharacter(std::string_view text, char32_t replacement, Visit&& visit) {
  for (size_t pos = 0; pos < text.size();) {
    const Decoded decoded = Decode(text, pos);
    visit(decoded.valid ? decoded.code_point : replacement);
    pos += decoded.length;
  }
}

}  // namespace orvabridge::platform::utf8
