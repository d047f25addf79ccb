#include "environment/settings.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/desk/desktop.h"

namespace orvabridge::environment {
namespace {

using platform::RegistryRoot;
using platform::desk::Desktop;

constexpr const char* kBaseKey = "Software\\Acme\\Imaging";

constexpr const char* kFixture = R"(Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\Software\Acme\Imaging\Preferrences]
"WSNameFromClientname"="1"

[HKEY_LOCAL_MACHINE\Software\Acme\Imaging\Orvabridge]
"OrvabridgeTXTOUT"="C:\\out"
"Upper"="NULL"

[HKEY_LOCAL_MACHINE\Software\Acme\Imaging\DefaultUserSettings\Viewer]
"Zoom"="150"
"Mixed"="NuLl"
"Contrast"="5"

[HKEY_LOCAL_MACHINE\Software\Acme\Imaging\DefaultUserSettings]
"Top"="default-top"

[HKEY_CURRENT_USER\Software\Acme\Imaging\Viewer]
"Contrast"="7"

[HKEY_LOCAL_MACHINE\Software\Other]
"Name"="elsewhere"
)";

std::vector<std::byte> AsBytes(std::string_view text) {
  const auto* first = reinterpret_cast<const std::byte*>(text.data());
  return std::vector<std::byte>(first, first + text.size());
}

// Passes every call to the desktop's registry and notes what was asked for.
class RecordingRegistry : public platform::Registry {
 public:
  struct Call {
    std::string what, path;
  };

  explicit RecordingRegistry(platform::Registry& inner) : inner_(inner) {}

  std::unique_ptr<platform::RegistryKey> OpenKey(RegistryRoot root, std::string_view path,
                                                 uint32_t access) override {
    calls.push_back({"open", std::string(path)});
    return inner_.OpenKey(root, path, access);
  }
  std::unique_ptr<platform::RegistryKey> CreateKey(RegistryRoot root, std::string_view path,
                                                   std::string_view class_name,
                                                   uint32_t access) override {
    calls.push_back({"create", std::string(path)});
    return inner_.CreateKey(root, path, class_name, access);
  }

  std::vector<Call> calls;

 private:
  platform::Registry& inner_;
};

class ReadSettingTest : public ::testing::Test {
 protected:
  void SetUp() override { desk_->LoadRegText(kFixture); }

  std::string Read(std::string section, const std::string& name, bool per_user = false,
                   bool absolute = false) {
    SettingsReader reader(registry_, desk_->AnsiCodePage(), base_key_);
    return reader.ReadSetting(std::move(section), name, per_user, absolute);
  }
  void SetValue(RegistryRoot root, const std::string& key, const std::string& name, uint32_t type,
                std::string_view bytes) {
    desk_->SetRegistryValue(root, key, name, type, AsBytes(bytes));
  }
  std::vector<std::string> OpenedPaths() const {
    std::vector<std::string> paths;
    for (const auto& call : registry_.calls) {
      if (call.what == "open") paths.push_back(call.path);
    }
    return paths;
  }

  std::shared_ptr<Desktop> desk_ = Desktop::Create();
  RecordingRegistry registry_{desk_->Reg()};
  std::string base_key_ = kBaseKey;
};

TEST_F(ReadSettingTest, EmptyValueNameReadsNothing) {
  EXPECT_EQ(Read("Orvabridge", ""), "");
  EXPECT_EQ(Read("Viewer", "", true), "");
  EXPECT_TRUE(registry_.calls.empty());
}

TEST_F(ReadSettingTest, SectionLosesOneLeadingAndOneTrailingBackslashOnly) {
  EXPECT_EQ(Read("\\Orvabridge\\", "OrvabridgeTXTOUT"), "C:\\out");
  Read("\\\\Orvabridge", "OrvabridgeTXTOUT");
  Read("", "Anything");
  EXPECT_EQ(OpenedPaths(), (std::vector<std::string>{"Software\\Acme\\Imaging\\Orvabridge",
                                                     "Software\\Acme\\Imaging\\\\Orvabridge",
                                                     "Software\\Acme\\Imaging\\"}));
}

TEST_F(ReadSettingTest, AbsolutePathOpensTheNormalisedSectionWithoutTheBaseKey) {
  EXPECT_EQ(Read("\\Software\\Other\\", "Name", false, true), "elsewhere");
  SettingsReader reader(registry_, desk_->AnsiCodePage(), base_key_);
  EXPECT_EQ(reader.ReadMachineSetting("Other", "Name"), "elsewhere");
  EXPECT_EQ(OpenedPaths(), (std::vector<std::string>{"Software\\Other\\", "Software\\Other\\"}));
}

TEST_F(ReadSettingTest, PerUserDefaultIsReturnedAndCopiedToTheUserBranch) {
  EXPECT_EQ(Read("Viewer", "Zoom", true), "150");

  uint32_t type = 0;
  const auto copied = desk_->RegistryValue(RegistryRoot::kCurrentUser,
                                           "Software\\Acme\\Imaging\\Viewer", "Zoom", &type);
  ASSERT_TRUE(copied.has_value());
  EXPECT_EQ(type, platform::kRegSz);
  EXPECT_EQ(*copied, AsBytes(std::string_view("150\0", 4)));

  // The user's copy now wins over a changed default.
  desk_->SetRegistryString(RegistryRoot::kLocalMachine,
                           "Software\\Acme\\Imaging\\DefaultUserSettings\\Viewer", "Zoom", "200");
  EXPECT_EQ(Read("Viewer", "Zoom", true), "150");
}

TEST_F(ReadSettingTest, PerUserValueWinsOverTheDefaultAndNothingIsWritten) {
  EXPECT_EQ(Read("Viewer", "Contrast", true), "7");
  for (const auto& call : registry_.calls) EXPECT_NE(call.what, "create");
  EXPECT_EQ(OpenedPaths(), std::vector<std::string>{"Software\\Acme\\Imaging\\Viewer"});
}

TEST_F(ReadSettingTest, PerUserWithEmptySectionUsesTheBaseAndTheDefaultsRoot) {
  EXPECT_EQ(Read("", "Top", true), "default-top");
  EXPECT_EQ(OpenedPaths(),
            (std::vector<std::string>{"Software\\Acme\\Imaging",
                                      "Software\\Acme\\Imaging\\DefaultUserSettings"}));
  EXPECT_TRUE(desk_->RegistryValue(RegistryRoot::kCurrentUser, kBaseKey, "Top").has_value());
}

TEST_F(ReadSettingTest, PerUserReadsAtMostOneHundredBytesMachineWideAnyLength) {
  const std::string key = "Software\\Acme\\Imaging\\Long";
  for (const auto root : {RegistryRoot::kCurrentUser, RegistryRoot::kLocalMachine}) {
    desk_->SetRegistryString(root, key, "Fits", std::string(99, 'f'));  // 100 with terminator
    desk_->SetRegistryString(root, key, "Long", std::string(300, 'L'));
  }
  EXPECT_EQ(Read("Long", "Fits", true), std::string(99, 'f'));
  EXPECT_EQ(Read("Long", "Long", true), "");
  EXPECT_EQ(Read("Long", "Long"), std::string(300, 'L'));
}

TEST_F(ReadSettingTest, OddValuesReadEmptyOrSafely) {
  EXPECT_EQ(Read("Orvabridge", "Upper"), "");  // "NULL" in any letter case, in both modes
  EXPECT_EQ(Read("Viewer", "Mixed", true), "");

  const std::string key = "Software\\Acme\\Imaging\\Orvabridge";
  SetValue(RegistryRoot::kLocalMachine, key, "TxtOutExceptions", platform::kRegMultiSz,
           std::string_view("WS1\0WS2\0\0", 9));
  EXPECT_EQ(Read("Orvabridge", "TxtOutExceptions"), std::string("WS1\0WS2\0", 8));
  SetValue(RegistryRoot::kCurrentUser, "Software\\Acme\\Imaging\\Viewer", "List",
           platform::kRegMultiSz, std::string_view("A\0\0", 3));
  EXPECT_EQ(Read("Viewer", "List", true), "");  // multi-strings are machine-wide only

  SetValue(RegistryRoot::kLocalMachine, key, "Number", platform::kRegDword,
           std::string_view("\x01\x00\x00\x00", 4));
  EXPECT_EQ(Read("Orvabridge", "Number"), "");

  // Data without terminator or without any bytes.
  SetValue(RegistryRoot::kLocalMachine, key, "Blank", platform::kRegSz, std::string_view());
  SetValue(RegistryRoot::kLocalMachine, key, "Bare", platform::kRegSz, "abc");
  EXPECT_EQ(Read("Orvabridge", "Blank"), "");
  EXPECT_EQ(Read("Orvabridge", "Bare"), "abc");
}

TEST_F(ReadSettingTest, AnsiTextIsConvertedAndADefaultCopiedWithItsAnsiBytes) {
  SetValue(RegistryRoot::kLocalMachine, "Software\\Acme\\Imaging\\DefaultUserSettings\\Viewer",
           "Place", platform::kRegSz, std::string_view("Caf\xE9\0", 5));
  EXPECT_EQ(Read("Viewer", "Place", true), "Caf\xC3\xA9");
  EXPECT_EQ(
      desk_->RegistryValue(RegistryRoot::kCurrentUser, "Software\\Acme\\Imaging\\Viewer", "Place"),
      AsBytes(std::string_view("Caf\xE9\0", 5)));
}

}  // namespace
}  // namespace orvabridge::environment
