#include "code_pages.h"

#include <array>
#include <string_view>

#include "fuzz_support.h"
#include "platform/utf8.h"

namespace orvabridge::fuzz {
namespace {

// Scalar values that UTF-8 can carry, without U+0000 (a field's terminator) and the surrogates.
constexpr uint32_t kSurrogateCount = 0xE000 - 0xD800;
constexpr uint32_t kScalarCount = 0x10FFFF - kSurrogateCount;

// What `ansi` reads as when more text follows: a code page may hold a letter back until it knows
// what comes next, and how the end of a text is read is under test, not assumed.
std::string FromAnsiFollowed(platform::desk::DeskCodePage& code_page, const std::string& ansi) {
  std::string utf8 = code_page.FromAnsi(ansi + ' ');
  if (utf8.empty() || utf8.back() != ' ') return {};
  utf8.pop_back();
  return utf8;
}

bool IsSingleCharacter(platform::desk::DeskCodePage& code_page, const std::string& ansi,
                       std::string& utf8) {
  utf8 = FromAnsiFollowed(code_page, ansi);
  if (utf8.empty() || !IsValidUtf8(utf8)) return false;
  if (utf8.find('?') != std::string::npos && ansi != "?") return false;
  return code_page.ToAnsi(utf8) == ansi;
}

}  // namespace

std::string EncodeUtf8(uint32_t cp) {
  std::string out;
  platform::utf8::Append(out, cp);
  return out;
}

CodePageUnderTest::CodePageUnderTest(const char* name)
    : name_(name),
      utf8_(std::string_view(name) == "UTF-8"),
      code_page_(std::make_unique<platform::desk::DeskCodePage>()) {
  code_page_->SetName(name);
  if (utf8_) return;

  // Single bytes, and lead-trail pairs where a byte alone is no character but may start one.
  std::vector<std::string> candidates;
  std::vector<unsigned char> leads;
  std::string utf8;
  for (int b = 1; b < 256; ++b) {
    const std::string ansi(1, static_cast<char>(b));
    if (IsSingleCharacter(*code_page_, ansi, utf8)) {
      candidates.push_back(ansi);
    } else {
      leads.push_back(static_cast<unsigned char>(b));
    }
  }
  const size_t single_bytes = candidates.size();
  if (std::string_view(name) == "CP932") {
    for (unsigned char lead : leads) {
      for (int trail = 0x40; trail < 0x100; ++trail) {
        const std::string ansi{static_cast<char>(lead), static_cast<char>(trail)};
        if (IsSingleCharacter(*code_page_, ansi, utf8)) candidates.push_back(ansi);
      }
    }
  }

  // A mark that combines with the letter before it would not come back as it went: such
  // characters are left out.
  std::vector<std::string> forms;
  for (const auto& ansi : candidates) forms.push_back(FromAnsiFollowed(*code_page_, ansi));
  for (size_t c = 0; c < candidates.size(); ++c) {
    bool combines = false;
    for (size_t b = 0; b < single_bytes && !combines; ++b) {
      combines =
          FromAnsiFollowed(*code_page_, candidates[b] + candidates[c]) != forms[b] + forms[c];
    }
    if (combines) continue;
    ansi_.push_back(candidates[c]);
    utf8_forms_.push_back(forms[c]);
  }
  FUZZ_CHECK(!ansi_.empty(), std::string(name) + " converts no character both ways");
}

std::string CodePageUnderTest::Character(uint32_t index) const {
  if (utf8_) {
    uint32_t cp = 1 + index % kScalarCount;
    if (cp >= 0xD800) cp += kSurrogateCount;
    return EncodeUtf8(cp);
  }
  return utf8_forms_[index % utf8_forms_.size()];
}

std::string CodePageUnderTest::AnsiOf(uint32_t index) const {
  if (utf8_) return Character(index);
  return ansi_[index % ansi_.size()];
}

CodePageUnderTest& CodePageAt(size_t index) {
  static std::array<std::unique_ptr<CodePageUnderTest>, kCodePageCount> pages;
  auto& page = pages[index % kCodePageCount];
  if (!page) page = std::make_unique<CodePageUnderTest>(kCodePageNames[index % kCodePageCount]);
  return *page;
}

}  // namespace orvabridge::fuzz
