#include "platform/file_system.h"

#include "platform/runtime_failure.h"

namespace orvabridge::platform {
namespace {

// What a file system without whole-file access (a wrapper that allows less, a test double)
// answers: the failure a refused file operation gives on Windows.
[[noreturn]] void NotAvailable() {
  throw RuntimeFailure(failure::kPathFileAccessError, "Path/File access error");
}

}  // namespace

std::string FileSystem::ReadWholeFile(std::string_view) { NotAvailable(); }
void FileSystem::WriteFileDurably(std::string_view, std::string_view) { NotAvailable(); }
bool FileSystem::RemoveFile(std::string_view) { NotAvailable(); }
std::vector<std::string> FileSystem::FilesInFolder(std::string_view) { NotAvailable(); }

FolderCheck FileSystem::CheckFolder(std::string_view folder) {
  // From the calls every file system has; a backend that can tell more (a share that cannot be
  // reached) answers for itself.
  if (!FolderExists(folder)) {
    return {FileSize(folder) ? FolderState::kNotAFolder : FolderState::kMissing, {}};
  }
  try {
    FilesInFolder(folder);
    return {};
  } catch (const RuntimeFailure& failure) {
    if (failure.number() == failure::kPermissionDenied) return {FolderState::kDenied, {}};
    if (failure.number() == failure::kPathNotFound) return {FolderState::kMissing, {}};
    return {FolderState::kUnreadable, failure.description()};
  }
}

}  // namespace orvabridge::platform
