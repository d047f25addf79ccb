// Folders and append-only files through the ANSI file calls. An append stream shares the file
// for reading only, so another program can watch the file grow but not write into it meanwhile.
#pragma once

#include "platform/file_system.h"

namespace orvabridge::platform::win32 {

class Win32FileSystem final : public FileSystem {
 public:
  bool FolderExists(std::string_view path) override;
  void CreateFolder(std::string_view path) override;
  std::unique_ptr<AppendStream> OpenAppend(std::string_view path, bool shared) override;
  std::optional<uint64_t> FileSize(std::string_view path) override;
  void RenameFile(std::string_view from, std::string_view to) override;
  std::string ReadWholeFile(std::string_view path) override;
  void WriteFileDurably(std::string_view path, std::string_view content) override;
  bool RemoveFile(std::string_view path) override;
  std::vector<std::string> FilesInFolder(std::string_view folder) override;
  FolderCheck CheckFolder(std::string_view folder) override;
};

}  // namespace orvabridge::platform::win32
