// Folders and append-only text files, with Windows-style paths ("C:\out\WS\WS.TXT"). Failures
// throw RuntimeFailure (76 path not found, 70 permission denied, ...).
#pragma once

#include <memory>
#include <span>
#include <string_view>

namespace orvabridge::platform {

class AppendStream {
 public:
  virtual ~AppendStream() = default;  // closes the file
  virtual void Write(std::span<const std::byte> bytes) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual bool FolderExists(std::string_view path) = 0;
  // One level: the parent must exist.
  virtual void CreateFolder(std::string_view path) = 0;
  // Opens for appending, creating the file when it does not exist; never truncates.
  virtual std::unique_ptr<AppendStream> OpenAppend(std::string_view path) = 0;
};

}  // namespace orvabridge::platform
