#include "platform/desk/desktop.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

#include "platform/desk/desk_services.h"
#include "platform/desk/desk_windows.h"
#include "platform/desk/reg_text.h"
#include "platform/odbc/odbc_database.h"

namespace orvabridge::platform {

std::shared_ptr<Platform> DefaultPlatform() { return desk::ProcessDesktop(); }

namespace desk {

std::shared_ptr<Desktop> Desktop::Create() { return std::make_shared<Desktop>(Token{}); }

Desktop::Desktop(Token)
    : code_page_(std::make_shared<DeskCodePage>()),
      windows_(DeskWindows::Create()),
      registry_(std::make_unique<DeskRegistry>()),
      files_(std::make_unique<DeskFiles>()),
      system_(std::make_unique<DeskSystem>()),
      database_(std::make_unique<odbc::OdbcDatabase>()) {}

Desktop::~Desktop() = default;

WindowSystem& Desktop::Windows() { return *windows_; }
Registry& Desktop::Reg() { return *registry_; }
FileSystem& Desktop::Files() { return *files_; }
SystemServices& Desktop::System() { return *system_; }
CodePage& Desktop::AnsiCodePage() { return *code_page_; }
Database& Desktop::Databases() { return *database_; }

void Desktop::LoadRegText(std::string_view regedit_text) {
  registry_->LoadText(regedit_text, *code_page_);
}

void Desktop::LoadRegFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::invalid_argument("cannot read .reg file " + file.string());
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    bytes = Utf16LeToUtf8(std::string_view(bytes).substr(2));
  }
  LoadRegText(bytes);
}

void Desktop::SetRegistryValue(RegistryRoot root, std::string_view key_path, std::string_view name,
                               uint32_t type, std::span<const std::byte> data) {
  registry_->Set(root, key_path, name, type, data);
}

void Desktop::SetRegistryString(RegistryRoot root, std::string_view key_path, std::string_view name,
                                std::string_view ansi_text) {
  std::vector<std::byte> data(ansi_text.size() + 1, std::byte{0});
  for (size_t i = 0; i < ansi_text.size(); ++i) data[i] = static_cast<std::byte>(ansi_text[i]);
  registry_->Set(root, key_path, name, kRegSz, data);
}

std::optional<std::vector<std::byte>> Desktop::RegistryValue(RegistryRoot root,
                                                             std::string_view key_path,
                                                             std::string_view name,
                                                             uint32_t* type) const {
  return registry_->Get(root, key_path, name, type);
}

bool Desktop::RegistryKeyExists(RegistryRoot root, std::string_view key_path) const {
  return registry_->KeyExists(root, key_path);
}

void Desktop::DeleteRegistryKey(RegistryRoot root, std::string_view key_path) {
  registry_->DeleteKey(root, key_path);
}

void Desktop::DenyRegistryKey(RegistryRoot root, std::string_view key_path, bool denied) {
  registry_->Deny(root, key_path, denied);
}

void Desktop::SetComputerName(std::string name) { system_->SetComputerName(std::move(name)); }
void Desktop::SetDateOrder(DateOrder order) { system_->SetDateOrder(order); }

void Desktop::SetEnvironment(std::string name, std::optional<std::string> value) {
  system_->SetEnvironment(std::move(name), std::move(value));
}

void Desktop::SetFileRoot(std::filesystem::path root) { files_->SetRoot(std::move(root)); }
std::filesystem::path Desktop::FileRoot() const { return files_->Root(); }

void Desktop::MapDrive(char letter, std::filesystem::path folder) {
  files_->MapDrive(letter, std::move(folder));
}
std::filesystem::path Desktop::HostPath(std::string_view windows_path) const {
  return files_->HostPath(windows_path);
}

void Desktop::LockFile(std::string_view windows_path, bool locked) {
  files_->Lock(windows_path, locked);
}

void Desktop::RegisterProgram(std::string executable_path, ProgramLauncher launcher) {
  system_->RegisterProgram(std::move(executable_path), std::move(launcher));
}

std::vector<std::string> Desktop::StartedCommandLines() const {
  return system_->StartedCommandLines();
}

std::vector<MessageBoxRequest> Desktop::MessageBoxes() const { return system_->MessageBoxes(); }

void Desktop::SetCodePage(std::string iconv_name) { code_page_->SetName(std::move(iconv_name)); }

void Desktop::SetDatabase(std::unique_ptr<Database> database) {
  database_ = database ? std::move(database) : std::make_unique<NoProviderDatabase>();
}

int Desktop::FrameChanges(WindowHandle window) const { return windows_->FrameChanges(window); }

std::vector<WindowHandle> Desktop::ForegroundChanges() const {
  return windows_->ForegroundChanges();
}

void Desktop::ForceForeground(WindowHandle window) { windows_->ForceForeground(window); }

bool Desktop::SetOwner(WindowHandle window, WindowHandle owner) {
  return windows_->SetOwner(window, owner);
}

bool Desktop::InputAttached(ThreadId a, ThreadId b) const { return windows_->InputAttached(a, b); }

void Desktop::SetHungAfter(Clock::duration quiet) { windows_->SetHungAfter(quiet); }
uint32_t Desktop::NewProcess() { return windows_->NewProcess(); }
void Desktop::SetThreadProcess(ThreadId thread, uint32_t process) {
  windows_->SetThreadProcess(thread, process);
}

std::shared_ptr<Desktop> ProcessDesktop() {
  static const std::shared_ptr<Desktop> desktop = Desktop::Create();
  return desktop;
}

}  // namespace desk
}  // namespace orvabridge::platform
