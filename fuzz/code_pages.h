// The in-process desktop's code pages under test, and for each the characters that a text may be
// made of when it must come back exactly as it went in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/desk/desk_services.h"

namespace orvabridge::fuzz {

// windows-1252 (the default), the composing CP1255 and CP1258, a Cyrillic page, the double-byte
// CP932 and UTF-8.
inline constexpr const char* kCodePageNames[] = {"WINDOWS-1252", "CP1255", "CP1258",
                                                 "WINDOWS-1251", "CP932",  "UTF-8"};
inline constexpr size_t kCodePageCount = std::size(kCodePageNames);

class CodePageUnderTest {
 public:
  explicit CodePageUnderTest(const char* name);

  const char* name() const { return name_; }
  platform::desk::DeskCodePage& code_page() { return *code_page_; }

  // A character (UTF-8) that converts to the code page and back unchanged and does not combine
  // with its neighbours: texts made of these round-trip exactly. `index` may be any number.
  std::string Character(uint32_t index) const;
  // Its bytes in the code page.
  std::string AnsiOf(uint32_t index) const;

 private:
  const char* name_;
  bool utf8_;
  std::unique_ptr<platform::desk::DeskCodePage> code_page_;
  std::vector<std::string> ansi_;  // the code page's bytes of each character (not for UTF-8)
  std::vector<std::string> utf8_forms_;
};

// One object per code page, made on first use and kept for the process.
CodePageUnderTest& CodePageAt(size_t index);

// The UTF-8 form of a Unicode scalar value.
std::string EncodeUtf8(uint32_t code_point);

}  // namespace orvabridge::fuzz
