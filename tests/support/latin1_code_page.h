// A code page that holds exactly the first 256 characters (ISO 8859-1), the same on every
// platform: for tests of what is said about characters a code page cannot hold.
#pragma once

#include <string>
#include <string_view>

#include "platform/code_page.h"
#include "platform/utf8.h"

namespace orvabridge::testing {

class Latin1CodePage final : public platform::CodePage {
 public:
  std::string ToAnsi(std::string_view utf8) override {
    std::string ansi;
    platform::utf8::ForEachCharacter(
        utf8, U'?', [&](char32_t c) { ansi += c < 0x100 ? static_cast<char>(c) : '?'; });
    return ansi;
  }
  std::string FromAnsi(std::string_view ansi) override {
    std::string utf8;
    for (char c : ansi) platform::utf8::Append(utf8, static_cast<unsigned char>(c));
    return utf8;
  }
  std::string Name() override { return "28591"; }
};

}  // namespace orvabridge::testing
