// The fixed-field codec in each code page of the in-process desktop: a text of any length and any
// bytes is written inside its field and nowhere else, cut on a character boundary, the rest of the
// field zero-filled; a text that fits comes back exactly; any bytes of a field read as well-formed
// UTF-8 and nothing outside the field is read.
//
// Script: code page (u8), field width (u8 picks one of kWidths, 0 = any width from a u16), bytes
// before and after the field (u8 each), mode (u8), then
//   mode 0: a character count (u16) and per character an index into the code page's characters
//           that round-trip (u16 and u8);
//   mode 1: the text as raw bytes (the rest of the input, any bytes);
//   mode 2: the field's own bytes (the rest), read back.
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "channel/codec.h"
#include "code_pages.h"
#include "fuzz_support.h"

namespace orvabridge::fuzz {
namespace {

constexpr size_t kWidths[] = {0, 1, 2, 3, 4, 5, 7, 8, 63, 64, 65, 255, 256, 1024, 20001};
constexpr std::byte kGuard{0xA5};

struct Layout {
  size_t before = 0;
  channel::Field field{};
  size_t after = 0;
  size_t size() const { return field.end() + after; }
};

std::string_view Chars(const std::vector<std::byte>& record, channel::Field field) {
  return {reinterpret_cast<const char*>(record.data()) + field.offset, field.width};
}

void CheckOnlyTheFieldChanged(const std::vector<std::byte>& record, const Layout& layout) {
  for (size_t i = 0; i < record.size(); ++i) {
    if (i >= layout.field.offset && i < layout.field.end()) continue;
    FUZZ_CHECK(record[i] == kGuard, "byte " + std::to_string(i) + " outside the field changed");
  }
}

// The field holds `stored` and zeros after it.
void CheckFieldHolds(const std::vector<std::byte>& record, const Layout& layout,
                     const std::string& stored, const std::string& text) {
  const std::string_view field = Chars(record, layout.field);
  FUZZ_CHECK(field.substr(0, stored.size()) == stored, "field \"" + Escaped(field) +
                                                           "\", expected \"" + Escaped(stored) +
                                                           "\" for \"" + Escaped(text) + "\"");
  FUZZ_CHECK(field.find_first_not_of('\0', stored.size()) == std::string_view::npos,
             "field not zero-filled after the text: \"" + Escaped(field) + "\"");
}

// The longest run of whole characters of a well-formed text whose code-page bytes fit `width`,
// each character converted on its own (the code page converts character by character).
std::string LongestFittingPrefix(platform::CodePage& code_page, std::string_view utf8, size_t width,
                                 std::string* utf8_prefix) {
  std::string cut;
  size_t at = 0;
  while (at < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    const std::string piece = code_page.ToAnsi(utf8.substr(at, length));
    if (cut.size() + piece.size() > width) break;
    cut += piece;
    at += length;
  }
  if (utf8_prefix) *utf8_prefix = std::string(utf8.substr(0, at));
  return cut;
}

void WriteAndReadBack(CodePageUnderTest& page, const Layout& layout, const std::string& text,
                      bool round_trips) {
  channel::FieldCodec codec(page.code_page());
  std::vector<std::byte> record(layout.size(), kGuard);
  const std::string whole = page.code_page().ToAnsi(text);
  const bool fits = codec.WriteText(record, layout.field, text);
  FUZZ_CHECK(fits == (whole.size() <= layout.field.width),
             "WriteText says " + std::to_string(fits) + " for " + std::to_string(whole.size()) +
                 " bytes in a field of " + std::to_string(layout.field.width));
  CheckOnlyTheFieldChanged(record, layout);

  const std::string read = codec.ReadText(record, layout.field);
  FUZZ_CHECK(IsValidUtf8(read), std::string(page.name()) + " read \"" + Escaped(read) + "\"");
  FUZZ_CHECK(codec.ToAnsiCut(text, layout.field.width).size() <= layout.field.width,
             "ToAnsiCut longer than its width");
  if (!IsValidUtf8(text)) return;  // only safety for malformed text

  std::string expected_text;
  const std::string stored =
      fits ? whole
           : LongestFittingPrefix(page.code_page(), text, layout.field.width, &expected_text);
  CheckFieldHolds(record, layout, stored, text);
  FUZZ_CHECK(codec.ToAnsiCut(text, layout.field.width) == stored,
             "ToAnsiCut differs from the field");
  if (!round_trips) return;
  if (fits) expected_text = text;
  FUZZ_CHECK(read == expected_text, std::string(page.name()) + ": \"" + Escaped(expected_text) +
                                        "\" came back as \"" + Escaped(read) + "\"");
}

void ReadFieldBytes(CodePageUnderTest& page, const Layout& layout, std::string_view bytes) {
  channel::FieldCodec codec(page.code_page());
  std::vector<std::byte> record(layout.size(), kGuard);
  std::copy_n(bytes.begin(), std::min(bytes.size(), layout.field.width),
              reinterpret_cast<char*>(record.data()) + layout.field.offset);
  const std::string read = codec.ReadText(record, layout.field);
  FUZZ_CHECK(IsValidUtf8(read), std::string(page.name()) + " read \"" + Escaped(bytes) +
                                    "\" as \"" + Escaped(read) + "\"");
  // Whatever lies around the field makes no difference.
  std::fill(record.begin(), record.begin() + static_cast<ptrdiff_t>(layout.field.offset),
            std::byte{'A'});
  std::fill(record.begin() + static_cast<ptrdiff_t>(layout.field.end()), record.end(),
            std::byte{'Z'});
  FUZZ_CHECK(codec.ReadText(record, layout.field) == read, "the bytes around the field were read");
  const std::string_view field = Chars(record, layout.field);
  FUZZ_CHECK(read == page.code_page().FromAnsi(field.substr(0, field.find('\0'))),
             "not the field's text up to its first zero byte");
}

}  // namespace
}  // namespace orvabridge::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvabridge::fuzz;
  ScriptReader script(data, size);
  CodePageUnderTest& page = CodePageAt(script.U8());
  Layout layout;
  size_t width = kWidths[script.Below(std::size(kWidths))];
  if (width == 0) width = 1 + script.U16() % 2048;
  layout.before = script.U8() % 16;
  layout.field = {layout.before, width};
  layout.after = script.U8() % 16;

  switch (script.U8() % 3) {
    case 0: {
      std::string text;
      const size_t count = script.U16() % 1100;
      for (size_t i = 0; i < count && !script.empty(); ++i) {
        const uint32_t index = script.U16() | (static_cast<uint32_t>(script.U8()) << 16);
        text += page.Character(index);
      }
      WriteAndReadBack(page, layout, text, true);
      break;
    }
    case 1:
      WriteAndReadBack(page, layout, std::string(script.Rest()), false);
      break;
    default:
      ReadFieldBytes(page, layout, script.Rest());
      break;
  }
  return 0;
}
