#include "environment/startup_config.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/desk/desktop.h"

namespace orvabridge::environment {
namespace {

using platform::RegistryRoot;
using platform::desk::Desktop;

constexpr const char* kClassLibrary = R"(Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\Software\Orvaclass]
"VendorKey"="Acme"
"ApplicationKey"="Imaging"
"ExecutablePath"="C:\\Program Files\\Acme\\imaging.exe"
"Version"="3.1.1199"
)";

constexpr const char* kClassLibraryKey = "Software\\Orvaclass";
constexpr const char* kSettingsKey = "Software\\Acme\\Imaging\\Orvabridge";
constexpr const char* kPreferencesKey = "Software\\Acme\\Imaging\\Preferrences";

class StartupConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    desk_->SetComputerName("PC-7");
    desk_->SetEnvironment("clientname", std::nullopt);
    desk_->LoadRegText(kClassLibrary);
  }

  bool Load() {
    return LoadStartupConfiguration(*desk_, settings_,
                                    {computer_, workstation_, text_out_, installation_});
  }
  void SetText(const char* key, const std::string& name, const std::string& value) {
    desk_->SetRegistryString(RegistryRoot::kLocalMachine, key, name, value);
  }
  void SetExceptions(std::string_view list) {
    const auto* first = reinterpret_cast<const std::byte*>(list.data());
    desk_->SetRegistryValue(RegistryRoot::kLocalMachine, kSettingsKey, "TxtOutExceptions",
                            platform::kRegMultiSz,
                            std::vector<std::byte>(first, first + list.size()));
  }
  void MakeHostFolder(const std::string& windows_path) {
    std::filesystem::create_directories(desk_->HostPath(windows_path));
  }

  std::shared_ptr<Desktop> desk_ = Desktop::Create();
  Installation installation_;
  SettingsReader settings_{desk_->Reg(), desk_->AnsiCodePage(), installation_.settings_base_key};
  std::string computer_;
  std::string workstation_;
  std::string text_out_;
};

TEST_F(StartupConfigTest, ForeignProductPathIsEmptiedAndABadVersionPartCountsAsZero) {
  SetText(kClassLibraryKey, "ExecutablePath", "C:\\TESSARO\\Viewer.exe");
  SetText(kClassLibraryKey, "Version", "3.x.70000");  // not a sixteen-bit number
  Load();
  EXPECT_EQ(installation_.imaging_exe_path, "");
  EXPECT_EQ(installation_.installed_version, "3.0.0");

  SetText(kClassLibraryKey, "ExecutablePath", "D:\\apps\\TessX\\run.exe");  // in any letter case
  Load();
  EXPECT_EQ(installation_.imaging_exe_path, "");
}

TEST_F(StartupConfigTest, ClientNameIsTheWorkstationOnlyWhenSwitchedOnAndSafe) {
  struct Case {
    const char* switch_value;
    std::optional<std::string> client_name;
    const char* workstation;
  };
  const Case cases[] = {
      {" 1 ", "  TS-CLIENT ", "TS-CLIENT"},
      {"1", "   ", "PC-7"},
      {"yes", "TS-CLIENT", "PC-7"},
      // Names that would lead out of the text-out folder are not used.
      {"1", "..\\..\\Windows", "PC-7"},
      {"1", "a/b", "PC-7"},
      {"1", "C:evil", "PC-7"},
      {"1", "..", "PC-7"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.client_name.value_or("(undefined)"));
    SetText(kPreferencesKey, "WSNameFromClientname", c.switch_value);
    desk_->SetEnvironment("clientname", c.client_name);
    Load();
    EXPECT_EQ(computer_, "PC-7");
    EXPECT_EQ(workstation_, c.workstation);
  }
}

TEST_F(StartupConfigTest, TextOutFolderGetsItsBackslashAndAWorkstationFolderOrOneBox) {
  MakeHostFolder("C:\\out");
  SetText(kSettingsKey, "OrvabridgeTXTOUT", "  C:\\out ");
  EXPECT_TRUE(Load());
  EXPECT_EQ(text_out_, "C:\\out\\");
  EXPECT_TRUE(std::filesystem::is_directory(desk_->HostPath("C:\\out\\PC-7")));
  EXPECT_TRUE(desk_->MessageBoxes().empty());
}

TEST_F(StartupConfigTest, ExceptionsMatchEntriesEndingInTheNameInAnyCase) {
  MakeHostFolder("C:\\out");
  SetText(kSettingsKey, "OrvabridgeTXTOUT", "C:\\out\\");
  const std::pair<std::string_view, bool> cases[] = {
      {std::string_view("ws-1\0pc-7\0\0", 11), false},
      {std::string_view("XPC-7\0\0", 7), false},
      {std::string_view("PC-77\0\0", 7), true},  // last: it makes the workstation folder
  };
  for (const auto& [list, text_out] : cases) {
    SCOPED_TRACE(list);
    SetExceptions(list);
    EXPECT_EQ(Load(), text_out);
    EXPECT_EQ(text_out_, text_out ? "C:\\out\\" : "");
    EXPECT_EQ(std::filesystem::exists(desk_->HostPath("C:\\out\\PC-7")), text_out);
  }

  // A missing parent folder shows one box and text-out mode stays on.
  SetText(kSettingsKey, "OrvabridgeTXTOUT", "C:\\missing\\out");
  EXPECT_TRUE(Load());
  EXPECT_EQ(text_out_, "C:\\missing\\out\\");

  const auto boxes = desk_->MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text.rfind("Orvabridge.GetComputerOrClientName ERROR: 76\r\n", 0), 0u)
      << boxes[0].text;
}

}  // namespace
}  // namespace orvabridge::environment
