// UTF-8 <-> UTF-16 for the wide ODBC entry points, without relying on the C library's locale or
// on the width of wchar_t (16 bits on Windows, 32 elsewhere). Malformed input becomes U+FFFD:
// each bad byte of the UTF-8 side (platform/utf8.h) and each unpaired surrogate of the UTF-16
// side.
#pragma once

#include <string>
#include <string_view>

namespace orvabridge::platform::odbc {

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace orvabridge::platform::odbc
