// BSTR ownership and conversion between the automation world's UTF-16 BSTR and the library's
// UTF-8 std::string. A null BSTR is the empty text, as everywhere in automation.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "com/com_include.h"

namespace orvabridge::com {

class UniqueBstr {
 public:
  UniqueBstr() = default;
  explicit UniqueBstr(BSTR text) : text_(text) {}
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;
  UniqueBstr(UniqueBstr&& other) noexcept : text_(std::exchange(other.text_, nullptr)) {}
  UniqueBstr& operator=(UniqueBstr&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.text_, nullptr));
    return *this;
  }
  ~UniqueBstr() { Reset(); }

  BSTR get() const { return text_; }
  BSTR Detach() { return std::exchange(text_, nullptr); }
  void Reset(BSTR text = nullptr) {
    if (text_ != nullptr) ::SysFreeString(text_);
    text_ = text;
  }
  BSTR* Receive() {
    Reset();
    return &text_;
  }

 private:
  BSTR text_ = nullptr;
};

std::string BstrToUtf8(BSTR text);
// Throws std::bad_alloc when the system cannot allocate the string.
UniqueBstr Utf8ToBstr(std::string_view text);
UniqueBstr WideToBstr(std::wstring_view text);

}  // namespace orvabridge::com
