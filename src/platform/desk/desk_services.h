// The desktop's registry, file system, system services, code page and database placeholder.
// Internal to platform/desk; tests and tools reach them through Desktop.
#pragma once

#include <iconv.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/code_page.h"
#include "platform/date_text.h"
#include "platform/database.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/system_services.h"

namespace orvabridge::platform::desk {

// ---- code page ----

class DeskCodePage final : public CodePage {
 public:
  DeskCodePage();
  ~DeskCodePage() override;
  DeskCodePage(const DeskCodePage&) = delete;
  DeskCodePage& operator=(const DeskCodePage&) = delete;

  // Throws std::invalid_argument when iconv does not know the name.
  void SetName(std::string iconv_name);
  std::string ToAnsi(std::string_view utf8) override;
  std::string FromAnsi(std::string_view ansi) override;
  // "WINDOWS-1252" and "CP1252" are "1252", as Windows numbers its code pages; other names as set.
  std::string Name() override;

 private:
  void CloseLocked();

  std::mutex mutex_;
  std::string name_;
  bool windows_1252_ = true;  // Windows maps 0x81, 0x8D, 0x8F, 0x90, 0x9D to C1 controls; iconv not
  iconv_t to_ansi_ = reinterpret_cast<iconv_t>(-1);
  iconv_t from_ansi_ = reinterpret_cast<iconv_t>(-1);
};

// ---- registry ----

class DeskRegistry final : public Registry {
 public:
  DeskRegistry();
  ~DeskRegistry() override;

  std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, std::string_view path,
                                       uint32_t access) override;
  std::unique_ptr<RegistryKey> CreateKey(RegistryRoot root, std::string_view path,
                                         std::string_view class_name, uint32_t access) override;

  // Controls; a malformed path throws std::invalid_argument.
  void Set(RegistryRoot root, std::string_view path, std::string_view name, uint32_t type,
           std::span<const std::byte> data);
  std::optional<std::vector<std::byte>> Get(RegistryRoot root, std::string_view path,
                                            std::string_view name, uint32_t* type) const;
  bool KeyExists(RegistryRoot root, std::string_view path) const;
  void DeleteKey(RegistryRoot root, std::string_view path);
  void DeleteValue(RegistryRoot root, std::string_view path, std::string_view name);
  void Deny(RegistryRoot root, std::string_view path, bool denied);
  // The .reg loader (see Desktop::LoadRegText); `to_ansi` converts the file's UTF-8 texts.
  void LoadText(std::string_view text, CodePage& to_ansi);

  struct State;

 private:
  std::shared_ptr<State> state_;
};

// ---- files ----

// The user's local application data folder (%LOCALAPPDATA%), made with the desktop's drive.
inline constexpr std::string_view kDeskLocalAppData = "C:\\Users\\Desk\\AppData\\Local";

// Removes the temporary folder of every DeskFiles that still has one (at an end by a signal).
void RemoveLiveTemporaryRoots();

class DeskFiles final : public FileSystem {
 public:
  // The root is made on first use: a fresh temporary folder, removed again by the destructor.
  DeskFiles() = default;
  ~DeskFiles() override;
  DeskFiles(const DeskFiles&) = delete;
  DeskFiles& operator=(const DeskFiles&) = delete;

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

  void SetRoot(std::filesystem::path root);
  std::filesystem::path Root() const;
  // Drive `letter` ("H") becomes the host folder `folder` instead of a folder below the root.
  void MapDrive(char letter, std::filesystem::path folder);
  std::filesystem::path HostPath(std::string_view windows_path) const;
  void Lock(std::string_view windows_path, bool locked);

 private:
  bool IsLocked(std::string_view windows_path) const;

  // Files open for appending; shared with the streams, which may outlive this object.
  struct OpenFiles {
    std::mutex mutex;
    std::set<std::string> held;  // canonical lower-case Windows paths
  };

  std::shared_ptr<OpenFiles> open_ = std::make_shared<OpenFiles>();
  mutable std::mutex mutex_;
  mutable std::filesystem::path root_;      // empty until first used
  mutable std::filesystem::path own_root_;  // the temporary folder this object made, if any
  std::set<std::string> locked_;            // canonical lower-case Windows paths
  std::map<std::string, std::filesystem::path> drives_;  // "H" -> a host folder

  // Throws as Windows would for a file that is locked, or held open by a writer who does not
  // share it for removal.
  void RefuseWhileHeld(std::string_view path);
};

// ---- system services ----

class DeskSystem final : public SystemServices {
 public:
  using ProgramLauncher = std::function<bool(const std::string& arguments, int show_command)>;

  DeskSystem();

  std::string ComputerName() override;
  std::optional<std::string> Environment(std::string_view name) override;
  uint32_t StartProcess(std::string_view command_line, int show_command) override;
  int ShowMessageBox(const MessageBoxRequest& request) override;
  void SetMessageBoxHandler(MessageBoxHandler handler) override;
  // Reads dates in the desktop's configured locale order.
  bool IsDate(std::string_view text) override;
  std::chrono::nanoseconds ThreadCpuTime() override;
  // The host's local time and process: the in-process desktop is one process.
  LocalTime LocalNow() override;
  uint32_t ProcessId() override;
  // The host's own program name.
  std::string ExecutableName() override;

  void SetDateOrder(DateOrder order);
  void SetComputerName(std::string name);
  void SetEnvironment(std::string name, std::optional<std::string> value);
  void RegisterProgram(std::string executable_path, ProgramLauncher launcher);
  std::vector<std::string> StartedCommandLines() const;
  std::vector<MessageBoxRequest> MessageBoxes() const;

 private:
  mutable std::mutex mutex_;
  std::string computer_name_ = "DESKPC";
  std::map<std::string, std::pair<std::string, std::string>> environment_;  // lower name -> both
  std::vector<std::pair<std::string, ProgramLauncher>> programs_;
  std::vector<std::string> started_;
  std::vector<MessageBoxRequest> boxes_;
  MessageBoxHandler box_handler_;
  uint32_t next_process_id_ = 0x1000;
  DateOrder date_order_ = DateOrder::kDayMonthYear;
};

// ---- database ----

// No provider installed: Connect throws RuntimeFailure 3706, as ADO does.
class NoProviderDatabase final : public Database {
 public:
  std::unique_ptr<DbConnection> Connect(std::string_view connection_string) override;
};

}  // namespace orvabridge::platform::desk
