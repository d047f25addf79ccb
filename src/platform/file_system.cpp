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

}  // namespace orvabridge::platform
