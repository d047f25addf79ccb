// The in-process desktop answers the doctor's questions as a 64-bit Windows would: the 32-bit
// registry view where WOW64 keeps it, PE files by their header, folders by the host's access.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/desk/desk_survey.h"
#include "platform/desk/desktop.h"
#include "platform/desk/registry_view.h"

namespace orvabridge::platform::desk {
namespace {

constexpr auto kHklm = RegistryRoot::kLocalMachine;
constexpr auto kHkcu = RegistryRoot::kCurrentUser;

TEST(DeskRegistryView, TheThirtyTwoBitViewLiesWhereA64BitWindowsKeepsIt) {
  EXPECT_EQ(ThirtyTwoBitViewPath(kHklm, "Software\\Orvaclass"), "Software\\WOW6432Node\\Orvaclass");
  EXPECT_EQ(ThirtyTwoBitViewPath(kHklm, "SOFTWARE\\Vendor\\App\\"),
            "SOFTWARE\\WOW6432Node\\Vendor\\App");
  // Classes: the class-identity keys are redirected, ProgIDs and type libraries are shared.
  EXPECT_EQ(ThirtyTwoBitViewPath(kHklm, "Software\\Classes\\CLSID\\{X}\\InprocServer32"),
            "Software\\Classes\\WOW6432Node\\CLSID\\{X}\\InprocServer32");
  EXPECT_EQ(ThirtyTwoBitViewPath(kHklm, "Software\\Classes\\Interface\\{Y}"),
            "Software\\Classes\\WOW6432Node\\Interface\\{Y}");
  EXPECT_EQ(ThirtyTwoBitViewPath(kHklm, "Software\\Classes\\Orvabridge.Appl\\CLSID"),
            "Software\\Classes\\Orvabridge.Appl\\CLSID");
  EXPECT_EQ(ThirtyTwoBitViewPath(kHklm, "Software\\Classes\\TypeLib\\{Z}"),
            "Software\\Classes\\TypeLib\\{Z}");
  EXPECT_EQ(ThirtyTwoBitViewPath(kHkcu, "Software\\Classes\\CLSID\\{X}"),
            "Software\\Classes\\WOW6432Node\\CLSID\\{X}");
  // The rest of the user's branch is shared, and so is anything outside Software.
  EXPECT_EQ(ThirtyTwoBitViewPath(kHkcu, "Software\\Orvadent\\Orvanta"),
            "Software\\Orvadent\\Orvanta");
  EXPECT_EQ(ThirtyTwoBitViewPath(kHklm, "System\\CurrentControlSet"), "System\\CurrentControlSet");
  EXPECT_EQ(ThirtyTwoBitViewPath(kHklm, "Software\\WOW6432Node\\Orvaclass"),
            "Software\\WOW6432Node\\Orvaclass");
  EXPECT_EQ(ThirtyTwoBitViewPath(kHklm, "Software"), "Software");
}

class DeskSurveyTest : public ::testing::Test {
 protected:
  std::shared_ptr<Desktop> desktop_ = Desktop::Create();
  DeskSurvey survey_{desktop_};
};

TEST_F(DeskSurveyTest, KeysAndTextsAreReadInTheViewAsked) {
  desktop_->SetRegistryString(kHklm, "Software\\WOW6432Node\\Orvaclass", "Version", "3.1.7");
  desktop_->SetRegistryString(kHklm, "Software\\Orvaclass", "Version", "3.1.9");
  desktop_->SetRegistryString(kHklm, "Software\\Orvaclass", "VendorKey", "M\xFCller");  // ANSI
  EXPECT_EQ(survey_.TextInView(kHklm, "Software\\Orvaclass", "Version", RegistryView::k32Bit),
            "3.1.7");
  EXPECT_EQ(survey_.TextInView(kHklm, "Software\\Orvaclass", "Version", RegistryView::k64Bit),
            "3.1.9");
  EXPECT_EQ(survey_.TextInView(kHklm, "Software\\Orvaclass", "VendorKey", RegistryView::k64Bit),
            "M\xC3\xBCller");
  EXPECT_EQ(survey_.TextInView(kHklm, "Software\\Orvaclass", "VendorKey", RegistryView::k32Bit),
            std::nullopt);
  const uint32_t one = 1;
  desktop_->SetRegistryValue(kHklm, "Software\\Orvaclass", "Number", kRegDword,
                             std::as_bytes(std::span(&one, 1)));
  EXPECT_EQ(survey_.TextInView(kHklm, "Software\\Orvaclass", "Number", RegistryView::k64Bit),
            std::nullopt)
      << "a number is no text";
  EXPECT_TRUE(survey_.KeyExistsInView(kHklm, "Software\\Orvaclass", RegistryView::k32Bit));
  desktop_->DeleteRegistryKey(kHklm, "Software\\WOW6432Node\\Orvaclass");
  EXPECT_FALSE(survey_.KeyExistsInView(kHklm, "Software\\Orvaclass", RegistryView::k32Bit));
  EXPECT_TRUE(survey_.KeyExistsInView(kHklm, "Software\\Orvaclass", RegistryView::k64Bit));
}

TEST_F(DeskSurveyTest, FilesFoldersAndProgramsOfTheDesktop) {
  desktop_->Files().CreateFolder("C:\\Bin");
  const auto dll = desktop_->HostPath("C:\\Bin\\server.dll");
  {
    std::vector<char> head(0x100, '\0');
    head[0] = 'M';
    head[1] = 'Z';
    head[0x3C] = 0x40;
    head[0x40] = 'P';
    head[0x41] = 'E';
    head[0x44] = 0x4C;
    head[0x45] = 0x01;
    std::ofstream(dll, std::ios::binary)
        .write(head.data(), static_cast<std::streamsize>(head.size()));
  }
  std::ofstream(desktop_->HostPath("C:\\Bin\\notes.txt")) << "no program";
  EXPECT_TRUE(survey_.FileExists("C:\\BIN\\SERVER.DLL"));
  EXPECT_FALSE(survey_.FileExists("C:\\Bin")) << "a folder is no file";
  EXPECT_EQ(survey_.ExecutableMachine("C:\\Bin\\server.dll"), kMachineX86);
  EXPECT_EQ(survey_.ExecutableMachine("C:\\Bin\\notes.txt"), std::nullopt);
  EXPECT_EQ(survey_.ExecutableMachine("C:\\Bin\\missing.dll"), std::nullopt);
  EXPECT_EQ(survey_.FolderAccessOf("C:\\Bin"), FolderAccess::kWritable);
  EXPECT_EQ(survey_.FolderAccessOf("C:\\Bin\\"), FolderAccess::kWritable);
  EXPECT_EQ(survey_.FolderAccessOf("C:\\Missing"), FolderAccess::kMissing);
  EXPECT_EQ(survey_.FolderAccessOf("C:\\Bin\\notes.txt"), FolderAccess::kMissing);
  EXPECT_EQ(survey_.ProcessBits(), 64);
  EXPECT_EQ(survey_.SystemBits(), 64);
  EXPECT_EQ(survey_.WindowProcess(WindowHandle(0x7777)), 0u) << "no such window";
}

}  // namespace
}  // namespace orvabridge::platform::desk
