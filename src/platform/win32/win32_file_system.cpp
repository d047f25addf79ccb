#include "platform/win32/win32_file_system.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32/error_mapping.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/windows_include.h"

namespace orvabridge::platform::win32 {
namespace {

// WriteFile takes at most a DWORD per call; a short write (disk full) is reported as an error.
void WriteAll(HANDLE file, std::span<const std::byte> bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr)) {
      throw FileFailure(::GetLastError());
    }
    if (written == 0) throw FileFailure(ERROR_DISK_FULL);
    bytes = bytes.subspan(written);
  }
}

class Win32AppendStream final : public AppendStream {
 public:
  explicit Win32AppendStream(UniqueFile file) : file_(std::move(file)) {}

  void Write(std::span<const std::byte> bytes) override { WriteAll(file_.Get(), bytes); }

 private:
  UniqueFile file_;
};

// What a failure to look at or into a folder says about it.
FolderCheck FolderFailure(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_INVALID_NAME:
      return {FolderState::kMissing, {}};
    // A server or share that is not there or serves no folders (Wine, without a network
    // redirector, answers every \\server\share with ERROR_BAD_DEV_TYPE).
    case ERROR_REM_NOT_LIST:
    case ERROR_BAD_NETPATH:
    case ERROR_NETWORK_BUSY:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_BAD_NET_RESP:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_NETNAME_DELETED:
    case ERROR_BAD_DEV_TYPE:
    case ERROR_BAD_NET_NAME:
    case ERROR_NETWORK_UNREACHABLE:
    case ERROR_HOST_UNREACHABLE:
    case ERROR_NO_NET_OR_BAD_PATH:
      return {FolderState::kUnreachable, {}};
    case ERROR_DIRECTORY:
      return {FolderState::kNotAFolder, {}};
    case ERROR_ACCESS_DENIED:
    case ERROR_NETWORK_ACCESS_DENIED:
      return {FolderState::kDenied, {}};
    default: {
      std::string text = SystemErrorText(error);
      if (text.empty()) text = "system error " + std::to_string(error);
      return {FolderState::kUnreadable, text};
    }
  }
}

}  // namespace

bool Win32FileSystem::FolderExists(std::string_view path) {
  const std::string ansi = Utf8ToAnsi(path);
  const DWORD attributes = ::GetFileAttributesA(ansi.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void Win32FileSystem::CreateFolder(std::string_view path) {
  const std::string ansi = Utf8ToAnsi(path);
  if (!::CreateDirectoryA(ansi.c_str(), nullptr)) throw FileFailure(::GetLastError());
}

std::unique_ptr<AppendStream> Win32FileSystem::OpenAppend(std::string_view path, bool shared) {
  const std::string ansi = Utf8ToAnsi(path);
  const DWORD sharing =
      shared ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : FILE_SHARE_READ;
  UniqueFile file(::CreateFileA(ansi.c_str(), FILE_APPEND_DATA, sharing, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw FileFailure(::GetLastError());
  return std::make_unique<Win32AppendStream>(std::move(file));
}

std::optional<uint64_t> Win32FileSystem::FileSize(std::string_view path) {
  const std::string ansi = Utf8ToAnsi(path);
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!::GetFileAttributesExA(ansi.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void Win32FileSystem::RenameFile(std::string_view from, std::string_view to) {
  const std::string source = Utf8ToAnsi(from), target = Utf8ToAnsi(to);
  if (!::MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    throw FileFailure(::GetLastError());
  }
}

std::string Win32FileSystem::ReadWholeFile(std::string_view path) {
  const std::string ansi = Utf8ToAnsi(path);
  // Shared for everything, so that reading never stands in a writer's or a remover's way.
  UniqueFile file(::CreateFileA(ansi.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw FileFailure(::GetLastError());
  std::string content;
  char buffer[64 * 1024];
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr)) {
      throw FileFailure(::GetLastError());
    }
    if (read == 0) return content;
    content.append(buffer, read);
  }
}

void Win32FileSystem::WriteFileDurably(std::string_view path, std::string_view content) {
  const std::string target = Utf8ToAnsi(path);
  const std::string temporary = target + ".new";
  {
    UniqueFile file(::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw FileFailure(::GetLastError());
    WriteAll(file.Get(), std::as_bytes(std::span(content.data(), content.size())));
    if (!::FlushFileBuffers(file.Get())) throw FileFailure(::GetLastError());
  }
  if (!::MoveFileExA(temporary.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = ::GetLastError();
    ::DeleteFileA(temporary.c_str());
    throw FileFailure(error);
  }
}

bool Win32FileSystem::RemoveFile(std::string_view path) {
  const std::string ansi = Utf8ToAnsi(path);
  if (::DeleteFileA(ansi.c_str())) return true;
  const DWORD error = ::GetLastError();
  if (error == ERROR_FILE_NOT_FOUND) return false;
  throw FileFailure(error);
}

std::vector<std::string> Win32FileSystem::FilesInFolder(std::string_view folder) {
  std::string pattern = Utf8ToAnsi(folder);
  if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA found = {};
  UniqueFind search(::FindFirstFileA(pattern.c_str(), &found));
  std::vector<std::string> names;
  if (!search) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return names;
    throw FileFailure(error);
  }
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      names.push_back(AnsiToUtf8(found.cFileName));
    }
  } while (::FindNextFileA(search.Get(), &found));
  return names;
}

FolderCheck Win32FileSystem::CheckFolder(std::string_view folder) {
  std::string path = Utf8ToAnsi(folder);
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return FolderFailure(::GetLastError());
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return {FolderState::kNotAFolder, {}};
  // A folder may be seen and still not be listed (its permissions, a share's).
  if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
  path += '*';
  WIN32_FIND_DATAA found = {};
  UniqueFind search(::FindFirstFileA(path.c_str(), &found));
  if (!search) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) return FolderFailure(error);  // not found: empty
  }
  return {};
}

}  // namespace orvabridge::platform::win32
