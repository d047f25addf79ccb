#include "environment/class_library.h"

#include <charconv>
#include <optional>
#include <vector>

#include "environment/registry_text.h"
#include "platform/runtime_failure.h"

namespace orvabridge::environment {
namespace {

constexpr uint32_t kMinimumCapacity = 260;

// A part of "major.minor.revision" that is not a whole 16-bit number counts as 0.
int16_t VersionPart(std::string_view part) {
  int16_t value = 0;
  const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
  if (error != std::errc() || end != part.data() + part.size()) return 0;
  return value;
}

std::vector<std::string_view> SplitOnDots(std::string_view text) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (true) {
    const size_t dot = text.find('.', start);
    if (dot == std::string_view::npos) {
      parts.push_back(text.substr(start));
      return parts;
    }
    parts.push_back(text.substr(start, dot - start));
    start = dot + 1;
  }
}

// The class library's stand-in: everything it knows is in the values of one registry key.
class RegistryClassLibrary : public ClassLibrary {
 public:
  RegistryClassLibrary(std::unique_ptr<platform::RegistryKey> key, platform::CodePage& code_page,
                       platform::Database& database)
      : key_(std::move(key)), code_page_(code_page), database_(database) {}

  void GetInstallationInfo(InstallationInfo& info) override {
    info.vendor_key = Text("VendorKey");
    info.application_key = Text("ApplicationKey");
    info.executable_path = Text("ExecutablePath");
    const std::string version = Text("Version");
    const std::vector<std::string_view> parts = SplitOnDots(version);
    info.major = parts.size() > 0 ? VersionPart(parts[0]) : 0;
    info.minor = parts.size() > 1 ? VersionPart(parts[1]) : 0;
    info.revision = parts.size() > 2 ? VersionPart(parts[2]) : 0;
    info.result = true;
  }

  std::unique_ptr<platform::DbConnection> GetDatabaseConnection(std::string_view,
                                                                std::string_view) override {
    const std::string connection_string = Text("ConnectionString");
    if (connection_string.empty()) return nullptr;
    return database_.Connect(connection_string);
  }

 private:
  std::string Text(std::string_view name) {
    const std::optional<std::string> ansi =
        QueryAnsiTextAnySize(*key_, name, kMinimumCapacity, {platform::kRegSz});
    return ansi ? AnsiToUtf8(code_page_, *ansi) : std::string();
  }

  std::unique_ptr<platform::RegistryKey> key_;
  platform::CodePage& code_page_;
  platform::Database& database_;
};

}  // namespace

std::unique_ptr<ClassLibrary> CreateClassLibrary(platform::Registry& registry,
                                                 platform::CodePage& code_page,
                                                 platform::Database& database) {
  auto key =
      registry.OpenKey(platform::RegistryRoot::kLocalMachine, kClassLibraryKey, platform::kKeyRead);
  if (!key) {
    throw RuntimeFailure(failure::kCannotCreateObject, "ActiveX component can't create object");
  }
  return std::make_unique<RegistryClassLibrary>(std::move(key), code_page, database);
}

}  // namespace orvabridge::environment
