#include "read_only_platform.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "environment/flight_recorder.h"
#include "environment/trace_log.h"
#include "platform/runtime_failure.h"

namespace orvabridge::orvactl {
namespace {

using Journal = ReadOnlyPlatform::Journal;

// Environment names compare without regard to ASCII letter case, as on Windows.
bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string RootName(platform::RegistryRoot root) {
  return root == platform::RegistryRoot::kCurrentUser ? "HKEY_CURRENT_USER\\"
                                                      : "HKEY_LOCAL_MACHINE\\";
}

class ReadOnlyKey final : public platform::RegistryKey {
 public:
  ReadOnlyKey(std::unique_ptr<platform::RegistryKey> key, std::string path,
              std::shared_ptr<Journal> journal)
      : key_(std::move(key)), path_(std::move(path)), journal_(std::move(journal)) {}

  platform::RegStatus QueryValue(std::string_view name, uint32_t& type, std::byte* data,
                                 uint32_t& length) override {
    return key_->QueryValue(name, type, data, length);
  }
  platform::RegStatus SetValue(std::string_view name, uint32_t,
                               std::span<const std::byte>) override {
    journal_->Refuse("set value \"" + std::string(name) + "\" of " + path_);
    return platform::RegStatus::kAccessDenied;
  }

 private:
  std::unique_ptr<platform::RegistryKey> key_;
  std::string path_;
  std::shared_ptr<Journal> journal_;
};

class ReadOnlyRegistry final : public platform::Registry {
 public:
  ReadOnlyRegistry(platform::Registry& registry, std::shared_ptr<Journal> journal)
      : registry_(registry), journal_(std::move(journal)) {}

  std::unique_ptr<platform::RegistryKey> OpenKey(platform::RegistryRoot root, std::string_view path,
                                                 uint32_t) override {
    auto key = registry_.OpenKey(root, path, platform::kKeyRead);
    if (!key) return nullptr;
    return std::make_unique<ReadOnlyKey>(std::move(key), RootName(root) + std::string(path),
                                         journal_);
  }
  // An existing key opens for reading; a missing one is not made.
  std::unique_ptr<platform::RegistryKey> CreateKey(platform::RegistryRoot root,
                                                   std::string_view path, std::string_view,
                                                   uint32_t access) override {
    auto key = OpenKey(root, path, access);
    if (!key) journal_->Refuse("create key " + RootName(root) + std::string(path));
    return key;
  }

 private:
  platform::Registry& registry_;
  std::shared_ptr<Journal> journal_;
};

class ReadOnlyFiles final : public platform::FileSystem {
 public:
  ReadOnlyFiles(platform::FileSystem& files, std::shared_ptr<Journal> journal)
      : files_(files), journal_(std::move(journal)) {}

  bool FolderExists(std::string_view path) override { return files_.FolderExists(path); }
  // Passed over without a failure: the library's caller goes on as if the folder were there,
  // and the doctor checks the folder itself.
  void CreateFolder(std::string_view path) override {
    journal_->Refuse("create folder " + std::string(path));
  }
  std::unique_ptr<platform::AppendStream> OpenAppend(std::string_view path, bool) override {
    journal_->Refuse("write file " + std::string(path));
    throw RuntimeFailure(failure::kPermissionDenied, "Permission denied");
  }
  std::optional<uint64_t> FileSize(std::string_view path) override { return files_.FileSize(path); }
  void RenameFile(std::string_view from, std::string_view to) override {
    journal_->Refuse("rename file " + std::string(from) + " to " + std::string(to));
    throw RuntimeFailure(failure::kPermissionDenied, "Permission denied");
  }

 private:
  platform::FileSystem& files_;
  std::shared_ptr<Journal> journal_;
};

class ReadOnlySystem final : public platform::SystemServices {
 public:
  ReadOnlySystem(platform::SystemServices& system, std::shared_ptr<Journal> journal)
      : system_(system), journal_(std::move(journal)) {}

  std::string ComputerName() override { return system_.ComputerName(); }
  // The library's own calls under the doctor leave no trace and no incident file: the variables
  // that switch them read as off, which wins over the settings.
  std::optional<std::string> Environment(std::string_view name) override {
    if (SameName(name, environment::kTraceVariable)) return std::string();
    if (SameName(name, environment::kFlightRecorderVariable)) return std::string("0");
    return system_.Environment(name);
  }
  uint32_t StartProcess(std::string_view command_line, int) override {
    journal_->Refuse("start " + std::string(command_line));
    throw RuntimeFailure(failure::kPermissionDenied, "Permission denied");
  }
  int ShowMessageBox(const platform::MessageBoxRequest& request) override {
    std::lock_guard lock(journal_->mutex);
    journal_->boxes.push_back(request);
    return platform::kIdOk;
  }
  // The boxes are collected whoever asks.
  void SetMessageBoxHandler(platform::MessageBoxHandler) override {}
  bool IsDate(std::string_view text) override { return system_.IsDate(text); }
  std::chrono::nanoseconds ThreadCpuTime() override { return system_.ThreadCpuTime(); }
  platform::LocalTime LocalNow() override { return system_.LocalNow(); }
  uint32_t ProcessId() override { return system_.ProcessId(); }
  std::string ExecutableName() override { return system_.ExecutableName(); }

 private:
  platform::SystemServices& system_;
  std::shared_ptr<Journal> journal_;
};

}  // namespace

void ReadOnlyPlatform::Journal::Refuse(std::string change) {
  std::lock_guard lock(mutex);
  refused.push_back(std::move(change));
}

ReadOnlyPlatform::ReadOnlyPlatform(std::shared_ptr<platform::Platform> machine)
    : machine_(std::move(machine)),
      journal_(std::make_shared<Journal>()),
      registry_(std::make_unique<ReadOnlyRegistry>(machine_->Reg(), journal_)),
      files_(std::make_unique<ReadOnlyFiles>(machine_->Files(), journal_)),
      system_(std::make_unique<ReadOnlySystem>(machine_->System(), journal_)) {}

ReadOnlyPlatform::~ReadOnlyPlatform() = default;

platform::WindowSystem& ReadOnlyPlatform::Windows() { return machine_->Windows(); }
platform::Registry& ReadOnlyPlatform::Reg() { return *registry_; }
platform::FileSystem& ReadOnlyPlatform::Files() { return *files_; }
platform::SystemServices& ReadOnlyPlatform::System() { return *system_; }
platform::CodePage& ReadOnlyPlatform::AnsiCodePage() { return machine_->AnsiCodePage(); }
platform::Database& ReadOnlyPlatform::Databases() { return machine_->Databases(); }

std::vector<std::string> ReadOnlyPlatform::RefusedChanges() const {
  std::lock_guard lock(journal_->mutex);
  return journal_->refused;
}

std::vector<platform::MessageBoxRequest> ReadOnlyPlatform::TakeMessageBoxes() {
  std::lock_guard lock(journal_->mutex);
  return std::exchange(journal_->boxes, {});
}

}  // namespace orvabridge::orvactl
