// Folders and append-only text files, with Windows-style paths ("C:\out\WS\WS.TXT"). Failures
// throw RuntimeFailure (76 path not found, 70 permission denied, ...).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvabridge::platform {

class AppendStream {
 public:
  virtual ~AppendStream() = default;  // closes the file
  virtual void Write(std::span<const std::byte> bytes) = 0;
};

// Whether the names in a folder can be listed, and if not, why.
enum class FolderState {
  kReadable,
  kMissing,      // there is no such folder (nor, perhaps, its parent)
  kUnreachable,  // the server or share of a network path does not answer or does not exist
  kNotAFolder,   // the path names a file
  kDenied,       // the folder is there, but this user may not read it
  kUnreadable,   // any other failure; `detail` holds the system's words for it
};

struct FolderCheck {
  FolderState state = FolderState::kReadable;
  std::string detail;  // kUnreadable only
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
  // Renames a file, replacing a file of the new name. Fails while another open of the file
  // does not share it for removal (a writer's OpenAppend). Throws RuntimeFailure.
  virtual void RenameFile(std::string_view from, std::string_view to) = 0;

  // The whole content of a file, which others may be reading or removing meanwhile. Throws
  // RuntimeFailure (53 when there is no such file).
  virtual std::string ReadWholeFile(std::string_view path);
  // Writes `content` as the file's whole content so that a reader sees either the old content or
  // the new one, never a part: a temporary file beside it is written, flushed to the disk and
  // renamed over the old one. Throws RuntimeFailure.
  virtual void WriteFileDurably(std::string_view path, std::string_view content);
  // Removes a file; false when there was none. Throws RuntimeFailure for any other failure.
  virtual bool RemoveFile(std::string_view path);
  // The names (not paths) of the plain files in a folder, in no particular order. Throws
  // RuntimeFailure when the folder cannot be read.
  virtual std::vector<std::string> FilesInFolder(std::string_view folder);
  // Whether FilesInFolder can read the folder now, and if not, why; never throws.
  virtual FolderCheck CheckFolder(std::string_view folder);
};

}  // namespace orvabridge::platform
