#include "platform/desk/desk_survey.h"

#include <unistd.h>

#include <fstream>
#include <system_error>
#include <vector>

#include "platform/desk/registry_view.h"
#include "platform/pe_header.h"

namespace orvabridge::platform::desk {
namespace {

constexpr uint32_t kRegExpandSz = 2;

}  // namespace

DeskSurvey::DeskSurvey(std::shared_ptr<Desktop> desktop) : desktop_(std::move(desktop)) {}

int DeskSurvey::ProcessBits() { return 64; }
int DeskSurvey::SystemBits() { return 64; }

bool DeskSurvey::KeyExistsInView(RegistryRoot root, std::string_view path, RegistryView view) {
  const std::string in_view =
      view == RegistryView::k32Bit ? ThirtyTwoBitViewPath(root, path) : std::string(path);
  return desktop_->RegistryKeyExists(root, in_view);
}

std::optional<std::string> DeskSurvey::TextInView(RegistryRoot root, std::string_view path,
                                                  std::string_view name, RegistryView view) {
  const std::string in_view =
      view == RegistryView::k32Bit ? ThirtyTwoBitViewPath(root, path) : std::string(path);
  uint32_t type = 0;
  const auto data = desktop_->RegistryValue(root, in_view, name, &type);
  if (!data || (type != kRegSz && type != kRegExpandSz)) return std::nullopt;
  std::string ansi(reinterpret_cast<const char*>(data->data()), data->size());
  if (const size_t zero = ansi.find('\0'); zero != std::string::npos) ansi.resize(zero);
  return desktop_->AnsiCodePage().FromAnsi(ansi);
}

bool DeskSurvey::FileExists(std::string_view path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(desktop_->HostPath(path), ec);
}

std::optional<uint16_t> DeskSurvey::ExecutableMachine(std::string_view path) {
  std::ifstream in(desktop_->HostPath(path), std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<char> head(kPeHeadBytes);
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<size_t>(in.gcount()));
  return PeMachine(std::as_bytes(std::span<const char>(head)));
}

FolderAccess DeskSurvey::FolderAccessOf(std::string_view path) {
  const std::filesystem::path host = desktop_->HostPath(path);
  std::error_code ec;
  if (!std::filesystem::is_directory(host, ec)) return FolderAccess::kMissing;
  // The host's own answer for this process: adding an entry needs write and search rights.
  return ::access(host.c_str(), W_OK | X_OK) == 0 ? FolderAccess::kWritable
                                                  : FolderAccess::kReadOnly;
}

uint32_t DeskSurvey::WindowProcess(WindowHandle window) {
  if (!desktop_->Windows().IsWindow(window)) return 0;
  return static_cast<uint32_t>(::getpid());
}

}  // namespace orvabridge::platform::desk
