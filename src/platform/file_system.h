// Folders and append-only text files, with Windows-style paths ("C:\out\WS\WS.TXT"). Failures
// throw RuntimeFailure (76 path not found, 70 permission denied, ...).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
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
  // Opens for appending, creating the file when it does not exist; never truncates. Others may
  // read the file meanwhile; with `shared`, others may also append to it, rename and remove it
  // (a file several processes write, such as a trace).
  virtual std::unique_ptr<AppendStream> OpenAppend(std::string_view path, bool shared = false) = 0;
  // The size of a file in bytes; nullopt when there is no such file.
  virtual std::optional<uint64_t> FileSize(std::string_view path) = 0;
  // Renames a file, replacing a file of the new name. Throws RuntimeFailure.
  virtual void RenameFile(std::string_view from, std::string_view to) = 0;
};

}  // namespace orvabridge::platform
