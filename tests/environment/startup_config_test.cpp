#include "environment/startup_config.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "environment/desk_files.h"
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

constexpr const char* kSettingsKey = "Software\\Acme\\Imaging\\Orvabridge";
constexpr const char* kPreferencesKey = "Software\\Acme\\Imaging\\Preferrences";

class StartupConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    desk_->SetComputerName("PC-7");
    desk_->SetEnvironment("clientname", std::nullopt);
  }

  bool Load() {
    return LoadStartupConfiguration(*desk_, settings_,
                                    {computer_, workstation_, text_out_, installation_});
  }
  void SetClassLibraryValue(const std::string& name, const std::string& value) {
    desk_->SetRegistryString(RegistryRoot::kLocalMachine, "Software\\Orvaclass", name, value);
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

// --- installation values ---------------------------------------------------------------------

TEST_F(StartupConfigTest, InstallationValuesComeFromTheClassLibrary) {
  desk_->LoadRegText(kClassLibrary);
  EXPECT_FALSE(Load());
  EXPECT_EQ(installation_.vendor_key, "Acme");
  EXPECT_EQ(installation_.application_key, "Imaging");
  EXPECT_EQ(installation_.imaging_exe_path, "C:\\Program Files\\Acme\\imaging.exe");
  EXPECT_EQ(installation_.installed_version, "3.1.1199");
  EXPECT_EQ(installation_.settings_base_key, "Software\\Acme\\Imaging");
  EXPECT_FALSE(installation_.class_library_missing);
  EXPECT_EQ(computer_, "PC-7");
  EXPECT_EQ(workstation_, "PC-7");
  EXPECT_EQ(text_out_, "");
  EXPECT_TRUE(desk_->MessageBoxes().empty());
}

TEST_F(StartupConfigTest, MissingClassLibraryChangesNothingElseAndShowsNoBox) {
  computer_ = "before";
  EXPECT_FALSE(Load());
  EXPECT_TRUE(installation_.class_library_missing);
  EXPECT_EQ(computer_, "before");
  EXPECT_EQ(workstation_, "");
  EXPECT_EQ(text_out_, "");
  EXPECT_EQ(installation_.settings_base_key, "");
  EXPECT_TRUE(desk_->MessageBoxes().empty());
}

TEST_F(StartupConfigTest, ForeignProductPathIsEmptiedWhateverItsLetterCase) {
  desk_->LoadRegText(kClassLibrary);
  SetClassLibraryValue("ExecutablePath", "C:\\TESSARO\\Viewer.exe");
  Load();
  EXPECT_EQ(installation_.imaging_exe_path, "");

  SetClassLibraryValue("ExecutablePath", "D:\\apps\\TessX\\run.exe");
  Load();
  EXPECT_EQ(installation_.imaging_exe_path, "");
}

TEST_F(StartupConfigTest, VersionPartThatIsNoSixteenBitNumberCountsAsZero) {
  desk_->LoadRegText(kClassLibrary);
  SetClassLibraryValue("Version", "3.x.70000");
  Load();
  EXPECT_EQ(installation_.installed_version, "3.0.0");
}

// --- workstation name ----------------------------------------------------------------------

TEST_F(StartupConfigTest, ClientNameIsTheWorkstationWhenSwitchedOnWithSpaces) {
  desk_->LoadRegText(kClassLibrary);
  SetText(kPreferencesKey, "WSNameFromClientname", " 1 ");
  desk_->SetEnvironment("clientname", "  TS-CLIENT ");
  Load();
  EXPECT_EQ(computer_, "PC-7");
  EXPECT_EQ(workstation_, "TS-CLIENT");
}

TEST_F(StartupConfigTest, ComputerNameIsTheWorkstationWithoutClientNameOrSwitch) {
  desk_->LoadRegText(kClassLibrary);
  SetText(kPreferencesKey, "WSNameFromClientname", "1");
  Load();
  EXPECT_EQ(workstation_, "PC-7");  // "clientname" not defined

  desk_->SetEnvironment("clientname", "   ");
  Load();
  EXPECT_EQ(workstation_, "PC-7");

  SetText(kPreferencesKey, "WSNameFromClientname", "yes");
  desk_->SetEnvironment("clientname", "TS-CLIENT");
  Load();
  EXPECT_EQ(workstation_, "PC-7");
}

TEST_F(StartupConfigTest, ClientNameThatWouldLeaveTheTextOutFolderIsNotUsed) {
  desk_->LoadRegText(kClassLibrary);
  SetText(kPreferencesKey, "WSNameFromClientname", "1");
  for (const char* name : {"..\\..\\Windows", "a/b", "C:evil", ".."}) {
    desk_->SetEnvironment("clientname", name);
    Load();
    EXPECT_EQ(workstation_, "PC-7") << name;
  }
}

// --- text-out mode -------------------------------------------------------------------------

TEST_F(StartupConfigTest, TextOutFolderGetsItsBackslashAndAWorkstationFolder) {
  desk_->LoadRegText(kClassLibrary);
  MakeHostFolder("C:\\out");
  SetText(kSettingsKey, "OrvabridgeTXTOUT", "  C:\\out ");
  EXPECT_TRUE(Load());
  EXPECT_EQ(text_out_, "C:\\out\\");
  EXPECT_TRUE(std::filesystem::is_directory(desk_->HostPath("C:\\out\\PC-7")));
  EXPECT_TRUE(desk_->MessageBoxes().empty());
}

TEST_F(StartupConfigTest, WorkstationListedInExceptionsInAnotherCaseKeepsTextOutOff) {
  desk_->LoadRegText(kClassLibrary);
  MakeHostFolder("C:\\out");
  SetText(kSettingsKey, "OrvabridgeTXTOUT", "C:\\out\\");
  SetExceptions(std::string_view("ws-1\0pc-7\0\0", 11));
  EXPECT_FALSE(Load());
  EXPECT_EQ(text_out_, "");
  EXPECT_FALSE(std::filesystem::exists(desk_->HostPath("C:\\out\\PC-7")));
}

TEST_F(StartupConfigTest, ExceptionMatchesEntriesEndingInTheNameButNotStartingWithIt) {
  desk_->LoadRegText(kClassLibrary);
  MakeHostFolder("C:\\out");
  SetText(kSettingsKey, "OrvabridgeTXTOUT", "C:\\out\\");
  SetExceptions(std::string_view("XPC-7\0\0", 7));
  EXPECT_FALSE(Load());
  SetExceptions(std::string_view("PC-77\0\0", 7));
  EXPECT_TRUE(Load());
}

TEST_F(StartupConfigTest, MissingParentFolderShowsOneBoxAndTextOutStaysOn) {
  desk_->LoadRegText(kClassLibrary);
  SetText(kSettingsKey, "OrvabridgeTXTOUT", "C:\\missing\\out");
  EXPECT_TRUE(Load());
  EXPECT_EQ(text_out_, "C:\\missing\\out\\");

  const auto boxes = desk_->MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text.rfind("Orvabridge.GetComputerOrClientName ERROR: 76\r\n", 0), 0u)
      << boxes[0].text;
  EXPECT_EQ(boxes[0].style, platform::kMbIconInformation);
}

}  // namespace
}  // namespace orvabridge::environment
