// The machine survey on real Win32: the process's bitness, both registry views through the
// WOW64 flags, PE headers of real programs, a folder's write access from the system's own check.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/text_conversion.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_survey.h"
#include "platform/win32/windows_include.h"

namespace orvabridge {
namespace {

using platform::RegistryRoot;
using platform::RegistryView;
using platform::win32::UniqueKey;

constexpr wchar_t kTestKey[] = L"Software\\Orvabridge Tests\\Survey";

std::string OwnProgram() {
  wchar_t path[MAX_PATH * 2] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
  return platform::win32::WideToUtf8(std::wstring_view(path, length));
}

// Writes a text value into one view only, as a program of that bitness would.
void WriteInView(REGSAM view, const wchar_t* name, const std::wstring& text) {
  UniqueKey key;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, 0, KEY_SET_VALUE | view,
                              nullptr, key.Receive(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(
      ::RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
      ERROR_SUCCESS);
}

class Win32SurveyTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
      ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Orvabridge Tests");
      UniqueKey key;
      if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_ALL_ACCESS | view,
                          key.Receive()) == ERROR_SUCCESS) {
        ::RegDeleteTreeW(key.Get(), L"Orvabridge Tests");
      }
    }
  }

  platform::win32::Win32Survey survey_;
};

TEST_F(Win32SurveyTest, TheProcessKnowsItsBitsAndEachViewHoldsItsOwnKeys) {
  EXPECT_EQ(survey_.ProcessBits(), static_cast<int>(sizeof(void*) * 8));
  if (survey_.SystemBits() != 64) GTEST_SKIP() << "a 32-bit Windows has one view";
  WriteInView(KEY_WOW64_32KEY, L"Bits", L"32");
  WriteInView(KEY_WOW64_64KEY, L"Bits", L"64 \x00FC");
  const std::string path = "Software\\Orvabridge Tests\\Survey";
  EXPECT_EQ(survey_.TextInView(RegistryRoot::kLocalMachine, path, "Bits", RegistryView::k32Bit),
            "32");
  EXPECT_EQ(survey_.TextInView(RegistryRoot::kLocalMachine, path, "Bits", RegistryView::k64Bit),
            "64 \xC3\xBC");
  EXPECT_EQ(survey_.TextInView(RegistryRoot::kLocalMachine, path, "None", RegistryView::k64Bit),
            std::nullopt);
  EXPECT_TRUE(survey_.KeyExistsInView(RegistryRoot::kLocalMachine, path, RegistryView::k32Bit));
  EXPECT_FALSE(
      survey_.KeyExistsInView(RegistryRoot::kLocalMachine, path + "\\No", RegistryView::k32Bit));
}

TEST_F(Win32SurveyTest, ProgramsFilesAndFoldersAsTheSystemSeesThem) {
  const std::string program = OwnProgram();
  EXPECT_TRUE(survey_.FileExists(program));
  EXPECT_EQ(survey_.ExecutableMachine(program),
            sizeof(void*) == 8 ? platform::kMachineX64 : platform::kMachineX86);
  const std::string folder = program.substr(0, program.find_last_of('\\'));
  EXPECT_FALSE(survey_.FileExists(folder));
  EXPECT_EQ(survey_.ExecutableMachine(folder + "\\no-such.dll"), std::nullopt);
  EXPECT_EQ(survey_.FolderAccessOf(folder), platform::FolderAccess::kWritable);
  EXPECT_EQ(survey_.FolderAccessOf(folder + "\\no-such-folder"), platform::FolderAccess::kMissing);
  EXPECT_EQ(survey_.FolderAccessOf(program), platform::FolderAccess::kMissing)
      << "a file is no folder";
}

}  // namespace
}  // namespace orvabridge
