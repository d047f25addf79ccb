#include "platform/win32/text_conversion.h"

#include <limits>
#include <stdexcept>

#include "platform/win32/windows_include.h"

namespace orvabridge::platform::win32 {
namespace {

int CheckedLength(size_t length) {
  if (length > static_cast<size_t>(std::numeric_limits<int>::max())) {
    throw std::length_error("text too long for conversion");
  }
  return static_cast<int>(length);
}

std::wstring ToWide(UINT code_page, std::string_view text) {
  if (text.empty()) return {};
  const int length = CheckedLength(text.size());
  const int needed = ::MultiByteToWideChar(code_page, 0, text.data(), length, nullptr, 0);
  std::wstring wide(static_cast<size_t>(needed), L'\0');
  ::MultiByteToWideChar(code_page, 0, text.data(), length, wide.data(), needed);
  return wide;
}

std::string FromWide(UINT code_page, std::wstring_view wide) {
  if (wide.empty()) return {};
  const int length = CheckedLength(wide.size());
  // No "best fit" into the ANSI code page: a character it lacks becomes the default character
  // rather than a look-alike, which could turn into a quote or a backslash in a path or record.
  const DWORD flags = code_page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int needed =
      ::WideCharToMultiByte(code_page, flags, wide.data(), length, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(needed), '\0');
  ::WideCharToMultiByte(code_page, flags, wide.data(), length, text.data(), needed, nullptr,
                        nullptr);
  return text;
}

}  // namespace

std::wstring Utf8ToWide(std::string_view utf8) { return ToWide(CP_UTF8, utf8); }
std::string WideToUtf8(std::wstring_view wide) { return FromWide(CP_UTF8, wide); }

std::string Utf8ToAnsi(std::string_view utf8) { return FromWide(CP_ACP, ToWide(CP_UTF8, utf8)); }
std::string AnsiToUtf8(std::string_view ansi) { return FromWide(CP_UTF8, ToWide(CP_ACP, ansi)); }

}  // namespace orvabridge::platform::win32
