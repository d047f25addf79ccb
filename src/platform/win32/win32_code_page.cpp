#include "platform/win32/win32_code_page.h"

#include "platform/win32/text_conversion.h"
#include "platform/win32/windows_include.h"

namespace orvabridge::platform::win32 {

std::string Win32CodePage::ToAnsi(std::string_view utf8) { return Utf8ToAnsi(utf8); }
std::string Win32CodePage::FromAnsi(std::string_view ansi) { return AnsiToUtf8(ansi); }
std::string Win32CodePage::Name() { return std::to_string(::GetACP()); }

}  // namespace orvabridge::platform::win32
