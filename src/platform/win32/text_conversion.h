// Conversions between the program's UTF-8, UTF-16 for the wide Win32 calls and the ANSI code page
// for the narrow ones. Invalid UTF-8 becomes U+FFFD; characters the ANSI code page lacks become
// its default character.
#pragma once

#include <string>
#include <string_view>

namespace orvabridge::platform::win32 {

std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

std::string Utf8ToAnsi(std::string_view utf8);
std::string AnsiToUtf8(std::string_view ansi);

}  // namespace orvabridge::platform::win32
