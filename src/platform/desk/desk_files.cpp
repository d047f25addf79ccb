// Windows paths below a host folder: "C:\a\b.txt" -> root/C/a/b.txt. Components that exist are
// matched case-insensitively, as Windows would; failures throw the automation run time's numbers.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <system_error>

#include <unistd.h>

#include "platform/desk/desk_services.h"
#include "platform/desk/text_case.h"
#include "platform/runtime_failure.h"

namespace orvabridge::platform::desk {
namespace {

namespace fs = std::filesystem;

// A Windows path taken apart: the top folder below the root ("C", or "UNC" for \\server\share)
// and the components after it, with "." and ".." resolved.
struct WindowsPath {
  std::string top;
  std::vector<std::string> parts;

  std::string Canonical() const {
    std::string out = Lower(top);
    for (const auto& part : parts) out += "\\" + Lower(part);
    return out;
  }
};

WindowsPath Parse(std::string_view path) {
  std::string p(path);
  for (char& c : p) {
    if (c == '/') c = '\\';
  }
  WindowsPath result;
  std::string_view rest = p;
  if (rest.size() >= 2 && rest[0] == '\\' && rest[1] == '\\') {
    result.top = "UNC";
    rest.remove_prefix(2);
  } else if (rest.size() >= 2 && std::isalpha(static_cast<unsigned char>(rest[0])) &&
             rest[1] == ':') {
    result.top =
        std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(rest[0]))));
    rest.remove_prefix(2);
  } else {
    result.top = "C";  // the desk's current directory is C:\ .
  }
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find('\\', start);
    if (end == std::string_view::npos) end = rest.size();
    const std::string_view part = rest.substr(start, end - start);
    if (part == "..") {
      if (!result.parts.empty()) result.parts.pop_back();
    } else if (!part.empty() && part != ".") {
      result.parts.emplace_back(part);
    }
    start = end + 1;
  }
  return result;
}

// `top`: the host folder of the path's drive (or UNC top).
fs::path Resolve(fs::path top, const WindowsPath& path) {
  fs::path host = std::move(top);
  for (const auto& part : path.parts) {
    std::error_code ec;
    if (fs::exists(host / part, ec)) {
      host /= part;
      continue;
    }
    bool matched = false;
    if (fs::is_directory(host, ec)) {
      const std::string wanted = Lower(part);
      for (const auto& entry : fs::directory_iterator(host, ec)) {
        if (Lower(entry.path().filename().string()) == wanted) {
          host = entry.path();
          matched = true;
          break;
        }
      }
    }
    if (!matched) host /= part;
  }
  return host;
}

[[noreturn]] void FileNotFound() { throw RuntimeFailure(failure::kFileNotFound, "File not found"); }
[[noreturn]] void PathNotFound() { throw RuntimeFailure(failure::kPathNotFound, "Path not found"); }
[[noreturn]] void PermissionDenied() {
  throw RuntimeFailure(failure::kPermissionDenied, "Permission denied");
}
[[noreturn]] void AccessError() {
  throw RuntimeFailure(failure::kPathFileAccessError, "Path/File access error");
}

class DeskAppendStream final : public AppendStream {
 public:
  DeskAppendStream(std::FILE* file, std::function<void()> on_close)
      : file_(file), on_close_(std::move(on_close)) {}
  ~DeskAppendStream() override {
    std::fclose(file_);
    on_close_();
  }
  DeskAppendStream(const DeskAppendStream&) = delete;
  DeskAppendStream& operator=(const DeskAppendStream&) = delete;

  void Write(std::span<const std::byte> bytes) override {
    if (bytes.empty()) return;
    // Flushed at once, so that another program (a test) reads what was written.
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size() ||
        std::fflush(file_) != 0) {
      if (errno == ENOSPC) throw RuntimeFailure(61, "Disk full");
      AccessError();
    }
  }

 private:
  std::FILE* file_;
  std::function<void()> on_close_;
};

// Every temporary root a DeskFiles made and has not removed yet, for the clean-up of a program
// that a signal ends (RemoveTemporaryFoldersOnSignals).
struct TemporaryRoots {
  std::mutex mutex;
  std::set<fs::path> roots;
};

TemporaryRoots& LiveTemporaryRoots() {
  static TemporaryRoots* const roots = new TemporaryRoots;  // outlives every static destructor
  return *roots;
}

fs::path MakeTemporaryRoot() {
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  if (ec) base = "/tmp";
  std::string pattern = (base / "orvabridge-desk-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("the desktop cannot make its file root below " + base.string());
  }
  TemporaryRoots& live = LiveTemporaryRoots();
  std::lock_guard lock(live.mutex);
  live.roots.insert(pattern);
  return pattern;
}

}  // namespace

DeskFiles::~DeskFiles() {
  if (own_root_.empty()) return;
  TemporaryRoots& live = LiveTemporaryRoots();
  std::lock_guard lock(live.mutex);
  std::error_code ec;
  fs::remove_all(own_root_, ec);
  live.roots.erase(own_root_);
}

void RemoveLiveTemporaryRoots() {
  TemporaryRoots& live = LiveTemporaryRoots();
  std::lock_guard lock(live.mutex);
  for (const fs::path& root : live.roots) {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  live.roots.clear();
}

namespace {

// The folders a fresh Windows profile has that the library writes to: the temporary folder and
// the local application data folder.
void MakeStandardFolders(const fs::path& root) {
  std::error_code ec;
  fs::create_directories(root / "C" / "Temp", ec);
  fs::create_directories(root / "C" / "Users" / "Desk" / "AppData" / "Local", ec);
}

}  // namespace

void DeskFiles::SetRoot(fs::path root) {
  MakeStandardFolders(root);
  std::lock_guard lock(mutex_);
  root_ = std::move(root);
}

fs::path DeskFiles::Root() const {
  std::lock_guard lock(mutex_);
  if (root_.empty()) {
    // Made on first use: most tests never touch a file, and folders are slow to make.
    own_root_ = MakeTemporaryRoot();
    MakeStandardFolders(own_root_);
    root_ = own_root_;
  }
  return root_;
}

void DeskFiles::MapDrive(char letter, fs::path folder) {
  std::lock_guard lock(mutex_);
  drives_[std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(letter))))] =
      std::move(folder);
}

fs::path DeskFiles::HostPath(std::string_view windows_path) const {
  const WindowsPath path = Parse(windows_path);
  {
    std::lock_guard lock(mutex_);
    if (const auto mapped = drives_.find(path.top); mapped != drives_.end()) {
      return Resolve(mapped->second, path);
    }
  }
  return Resolve(Root() / path.top, path);
}

void DeskFiles::Lock(std::string_view windows_path, bool locked) {
  const std::string key = Parse(windows_path).Canonical();
  std::lock_guard lock(mutex_);
  if (locked) {
    locked_.insert(key);
  } else {
    locked_.erase(key);
  }
}

bool DeskFiles::FolderExists(std::string_view path) {
  std::error_code ec;
  return fs::is_directory(HostPath(path), ec);
}

void DeskFiles::CreateFolder(std::string_view path) {
  const fs::path host = HostPath(path);
  std::error_code ec;
  if (!fs::is_directory(host.parent_path(), ec)) PathNotFound();
  if (fs::exists(host, ec)) AccessError();  // ERROR_ALREADY_EXISTS has no number of its own
  if (!fs::create_directory(host, ec)) {
    if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted) {
      PermissionDenied();
    }
    AccessError();
  }
}

std::optional<uint64_t> DeskFiles::FileSize(std::string_view path) {
  std::error_code ec;
  const fs::path host = HostPath(path);
  if (!fs::is_regular_file(host, ec)) return std::nullopt;
  const auto size = fs::file_size(host, ec);
  if (ec) return std::nullopt;
  return static_cast<uint64_t>(size);
}

void DeskFiles::RefuseWhileHeld(std::string_view path) {
  const std::string key = Parse(path).Canonical();
  {
    std::lock_guard lock(mutex_);
    if (locked_.count(key)) PermissionDenied();
  }
  std::lock_guard lock(open_->mutex);
  if (open_->held.count(key)) PermissionDenied();  // a sharing violation
}

void DeskFiles::RenameFile(std::string_view from, std::string_view to) {
  const fs::path source = HostPath(from), target = HostPath(to);
  std::error_code ec;
  if (!fs::is_regular_file(source, ec)) FileNotFound();
  RefuseWhileHeld(from);
  RefuseWhileHeld(to);
  fs::rename(source, target, ec);
  if (ec) AccessError();
}

std::string DeskFiles::ReadWholeFile(std::string_view path) {
  const fs::path host = HostPath(path);
  std::error_code ec;
  if (!fs::is_regular_file(host, ec)) FileNotFound();
  {
    std::lock_guard lock(mutex_);
    if (locked_.count(Parse(path).Canonical())) PermissionDenied();
  }
  std::FILE* file = std::fopen(host.c_str(), "rb");
  if (!file) AccessError();
  std::string content;
  char buffer[64 * 1024];
  size_t read = 0;
  while ((read = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, read);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) AccessError();
  return content;
}

void DeskFiles::WriteFileDurably(std::string_view path, std::string_view content) {
  const fs::path host = HostPath(path);
  std::error_code ec;
  if (!fs::is_directory(host.parent_path(), ec)) PathNotFound();
  RefuseWhileHeld(path);
  fs::path temporary = host;
  temporary += ".new";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) PermissionDenied();
  const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size() &&
                       std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
  std::fclose(file);
  if (!written) {
    fs::remove(temporary, ec);
    AccessError();
  }
  fs::rename(temporary, host, ec);
  if (ec) AccessError();
}

bool DeskFiles::RemoveFile(std::string_view path) {
  const fs::path host = HostPath(path);
  std::error_code ec;
  if (!fs::exists(host, ec)) return false;
  if (fs::is_directory(host, ec)) PermissionDenied();
  RefuseWhileHeld(path);
  if (!fs::remove(host, ec) || ec) AccessError();
  return true;
}

bool DeskFiles::IsLocked(std::string_view path) const {
  const std::string key = Parse(path).Canonical();
  std::lock_guard lock(mutex_);
  return locked_.count(key) != 0;
}

std::vector<std::string> DeskFiles::FilesInFolder(std::string_view folder) {
  const fs::path host = HostPath(folder);
  std::error_code ec;
  if (!fs::is_directory(host, ec)) PathNotFound();
  if (IsLocked(folder)) PermissionDenied();  // a folder this user may not read
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(host, ec)) {
    if (entry.is_regular_file(ec)) names.push_back(entry.path().filename().string());
  }
  if (ec) AccessError();
  return names;
}

FolderCheck DeskFiles::CheckFolder(std::string_view folder) {
  const WindowsPath parsed = Parse(folder);
  std::error_code ec;
  // \\server\share is a folder below the root's UNC folder: a share that is not there is one
  // that cannot be reached, as on Windows, where the two cannot be told apart.
  if (parsed.top == "UNC") {
    if (parsed.parts.size() < 2 ||
        !fs::is_directory(HostPath("\\\\" + parsed.parts[0] + "\\" + parsed.parts[1]), ec)) {
      return {FolderState::kUnreachable, {}};
    }
  }
  const fs::path host = HostPath(folder);
  if (!fs::exists(host, ec)) return {FolderState::kMissing, {}};
  if (!fs::is_directory(host, ec)) return {FolderState::kNotAFolder, {}};
  if (IsLocked(folder)) return {FolderState::kDenied, {}};
  fs::directory_iterator listing(host, ec);
  if (ec) return {FolderState::kUnreadable, ec.message()};
  return {};
}

std::unique_ptr<AppendStream> DeskFiles::OpenAppend(std::string_view path, bool shared) {
  // As CreateFile(FILE_APPEND_DATA, FILE_SHARE_READ, OPEN_ALWAYS): others may read the file while
  // it is open, nobody may open it for writing a second time (a sharing violation). A shared
  // open lets others write too, and is not counted against them.
  const WindowsPath parsed = Parse(path);
  const std::string key = parsed.Canonical();
  const fs::path host = HostPath(path);
  std::error_code ec;
  if (parsed.parts.empty() || fs::is_directory(host, ec)) PermissionDenied();
  if (!fs::is_directory(host.parent_path(), ec)) PathNotFound();
  {
    std::lock_guard lock(mutex_);
    if (locked_.count(key)) PermissionDenied();
  }
  if (!shared) {
    std::lock_guard lock(open_->mutex);
    if (!open_->held.insert(key).second) PermissionDenied();
  }
  auto release = [open = open_, key, shared] {
    if (shared) return;
    std::lock_guard lock(open->mutex);
    open->held.erase(key);
  };
  std::FILE* file = std::fopen(host.c_str(), "ab");
  if (!file) {
    const int error = errno;
    release();
    if (error == EACCES || error == EPERM || error == EROFS) PermissionDenied();
    if (error == ENOENT || error == ENOTDIR) PathNotFound();
    AccessError();
  }
  return std::make_unique<DeskAppendStream>(file, std::move(release));
}

}  // namespace orvabridge::platform::desk
