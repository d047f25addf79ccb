#include "com/bstr.h"

#include <limits>
#include <new>

#include "platform/win32/text_conversion.h"

namespace orvabridge::com {

std::string BstrToUtf8(BSTR text) {
  if (text == nullptr) return {};
  // The stored length, not the first zero: a BSTR may hold embedded zero characters.
  return platform::win32::WideToUtf8(std::wstring_view(text, ::SysStringLen(text)));
}

UniqueBstr WideToBstr(std::wstring_view text) {
  if (text.size() > std::numeric_limits<UINT>::max()) throw std::bad_alloc();
  UniqueBstr result(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
  if (result.get() == nullptr) throw std::bad_alloc();
  return result;
}

UniqueBstr Utf8ToBstr(std::string_view text) {
  return WideToBstr(platform::win32::Utf8ToWide(text));
}

}  // namespace orvabridge::com
