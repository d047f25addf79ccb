#include "platform/odbc/odbc_failure.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/odbc/utf16.h"
#include "platform/runtime_failure.h"

namespace orvabridge::platform::odbc {

void ThrowDiagnostics(SQLSMALLINT handle_type, SQLHANDLE handle, std::string_view call) {
  // The first record is the one that says what went wrong; later ones add context.
  std::vector<SQLWCHAR> message(SQL_MAX_MESSAGE_LENGTH + 1);
  SQLWCHAR state[6] = {};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  SQLRETURN rc = SQL_NO_DATA;
  if (handle != nullptr) {
    rc = DriverManager().GetDiagRecW(handle_type, handle, 1, state, &native, message.data(),
                                     static_cast<SQLSMALLINT>(message.size()), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
      // The message did not fit: ask again with room for all of it.
      // (SQLSMALLINT caps the length; a longer text is cut there.)
      message.assign(std::min<size_t>(static_cast<size_t>(length) + 1, 32767), 0);
      rc = DriverManager().GetDiagRecW(handle_type, handle, 1, state, &native, message.data(),
                                       static_cast<SQLSMALLINT>(message.size()), &length);
    }
  }
  if (!Succeeded(rc)) {
    throw RuntimeFailure(kUnspecifiedFailure, std::string(call) + " failed.");
  }
  const size_t units = std::min(static_cast<size_t>(length < 0 ? 0 : length), message.size() - 1);
  // The reported length may overstate the text (Wine counts bytes of another encoding).
  const auto end =
      std::find(message.begin(), message.begin() + static_cast<ptrdiff_t>(units), SQLWCHAR{0});
  const std::u16string text(message.begin(), end);
  std::string description = Utf16ToUtf8(text);
  if (description.empty()) description = std::string(call) + " failed.";
  throw RuntimeFailure(native != 0 ? static_cast<int32_t>(native) : kUnspecifiedFailure,
                       std::move(description));
}

}  // namespace orvabridge::platform::odbc
