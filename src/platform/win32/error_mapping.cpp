#include "platform/win32/error_mapping.h"

#include <iterator>

#include "platform/win32/text_conversion.h"
#include "platform/win32/windows_include.h"

namespace orvabridge::platform::win32 {
namespace {

constexpr int32_t kDiskFull = 61;

RuntimeFailure Failure(int32_t number) {
  switch (number) {
    case failure::kInvalidProcedureCall:
      return {number, "Invalid procedure call or argument"};
    case failure::kFileNotFound:
      return {number, "File not found"};
    case kDiskFull:
      return {number, "Disk full"};
    case failure::kPermissionDenied:
      return {number, "Permission denied"};
    case failure::kPathNotFound:
      return {number, "Path not found"};
    default:
      return {failure::kPathFileAccessError, "Path/File access error"};
  }
}

}  // namespace

RuntimeFailure FileFailure(uint32_t win32_error) {
  switch (win32_error) {
    case ERROR_FILE_NOT_FOUND:
      return Failure(failure::kFileNotFound);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
      return Failure(failure::kPathNotFound);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return Failure(failure::kPermissionDenied);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return Failure(kDiskFull);
    default:
      return Failure(failure::kPathFileAccessError);
  }
}

RuntimeFailure ProcessStartFailure(uint32_t win32_error) {
  switch (win32_error) {
    case ERROR_FILE_NOT_FOUND:
      return Failure(failure::kFileNotFound);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
      return Failure(failure::kPathNotFound);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return Failure(failure::kPermissionDenied);
    default: {
      // Nothing the run time has a number for (a damaged executable, a missing DLL, ...): keep
      // the system's explanation so that the message box says what went wrong.
      std::string text = SystemErrorText(win32_error);
      if (text.empty()) text = "Invalid procedure call or argument";
      return {failure::kInvalidProcedureCall, text};
    }
  }
}

std::string SystemErrorText(uint32_t win32_error) {
  wchar_t buffer[512] = {};
  const DWORD length =
      ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       win32_error, 0, buffer, static_cast<DWORD>(std::size(buffer)), nullptr);
  std::wstring_view text(buffer, length);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.remove_suffix(1);
  }
  return WideToUtf8(text);
}

}  // namespace orvabridge::platform::win32
