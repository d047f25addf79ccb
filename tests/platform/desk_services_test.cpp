// The in-process desktop's files, system services, code page and database placeholder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/desk/desktop.h"
#include "platform/runtime_failure.h"
#include "support/failure_number.h"

namespace orvabridge::platform::desk {
namespace {

namespace fs = std::filesystem;

std::string ReadHostFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::span<const std::byte> AsBytes(std::string_view text) {
  return std::as_bytes(std::span<const char>(text.data(), text.size()));
}

using testing::FailureNumber;

class DeskServices : public ::testing::Test {
 protected:
  std::shared_ptr<Desktop> desktop_ = Desktop::Create();
};

TEST_F(DeskServices, WindowsPathsMapBelowTheFileRootMatchingExistingNamesInAnyCase) {
  const fs::path root = desktop_->FileRoot();
  EXPECT_EQ(desktop_->HostPath("d:/data/x.txt"), root / "D" / "data" / "x.txt");
  EXPECT_EQ(desktop_->HostPath("C:\\a\\.\\b\\..\\c.txt"), root / "C" / "a" / "c.txt");
  EXPECT_TRUE(desktop_->Files().FolderExists("C:\\Temp"));  // the default TEMP exists
  EXPECT_FALSE(desktop_->Files().FolderExists("C:\\Nothing"));
  desktop_->Files().CreateFolder("C:\\Out");
  EXPECT_TRUE(desktop_->Files().FolderExists("c:\\OUT\\"));
  EXPECT_EQ(desktop_->HostPath("C:\\OUT\\file.txt"), root / "C" / "Out" / "file.txt");
}

TEST_F(DeskServices, OpenAppendNeverTruncatesAndItsFailuresCarryTheRunTimeNumbers) {
  auto& files = desktop_->Files();
  EXPECT_EQ(FailureNumber([&] { files.OpenAppend("C:\\missing\\log.txt"); }),
            failure::kPathNotFound);
  EXPECT_EQ(FailureNumber([&] { files.OpenAppend("C:\\Temp"); }), failure::kPermissionDenied);
  files.OpenAppend("C:\\Temp\\WS.TXT")->Write(AsBytes("one\r\n"));
  // A file open for appending is readable by others, but not writable.
  auto stream = files.OpenAppend("c:\\temp\\ws.txt");
  stream->Write(AsBytes("two\r\n"));
  EXPECT_EQ(ReadHostFile(desktop_->HostPath("C:\\Temp\\WS.TXT")), "one\r\ntwo\r\n");
  EXPECT_EQ(FailureNumber([&] { files.OpenAppend("C:\\Temp\\WS.TXT"); }),
            failure::kPermissionDenied);
  stream.reset();
  EXPECT_NE(files.OpenAppend("C:\\Temp\\WS.TXT"), nullptr);
}

// Desk-only: a locked folder stands for one this user may not read, and a share below \\ that
// has no folder below the root's UNC folder for one that cannot be reached.
TEST_F(DeskServices, AFolderCanBeDeniedAndAShareUnreachable) {
  auto& files = desktop_->Files();
  desktop_->LockFile("C:\\Temp", true);
  EXPECT_EQ(files.CheckFolder("c:\\temp\\").state, FolderState::kDenied);
  EXPECT_EQ(FailureNumber([&] { files.FilesInFolder("C:\\Temp"); }), failure::kPermissionDenied);
  desktop_->LockFile("C:\\Temp", false);
  EXPECT_EQ(files.CheckFolder("C:\\Temp").state, FolderState::kReadable);

  EXPECT_EQ(files.CheckFolder("\\\\server\\txtout").state, FolderState::kUnreachable);
  EXPECT_EQ(files.CheckFolder("\\\\server").state, FolderState::kUnreachable);
  fs::create_directories(desktop_->HostPath("\\\\server\\txtout"));
  EXPECT_EQ(files.CheckFolder("\\\\SERVER\\TxtOut").state, FolderState::kReadable);
  EXPECT_EQ(files.CheckFolder("\\\\server\\txtout\\WS07").state, FolderState::kMissing);
}

TEST_F(DeskServices, DateOrderAndEnvironmentAreTheDesktopsOwn) {
  auto& system = desktop_->System();
  EXPECT_TRUE(system.IsDate("31/12/2024"));
  EXPECT_FALSE(system.IsDate("12/31/2024"));
  desktop_->SetDateOrder(DateOrder::kMonthDayYear);
  EXPECT_TRUE(system.IsDate("12/31/2024"));
  EXPECT_FALSE(system.IsDate("31/12/2024"));
  EXPECT_EQ(system.Environment("temp"), "C:\\Temp");
  EXPECT_EQ(system.Environment("PATH"), std::nullopt);  // not the process's environment
  desktop_->SetEnvironment("CLIENTNAME", "THINCLIENT");
  EXPECT_EQ(system.Environment("clientname"), "THINCLIENT");
  desktop_->SetEnvironment("clientname", std::nullopt);
  EXPECT_EQ(system.Environment("CLIENTNAME"), std::nullopt);
}

TEST_F(DeskServices, StartProcessRunsTheLongestRegisteredPathWithTheArguments) {
  std::vector<std::string> calls;
  auto launcher = [&calls](std::string which) {
    return [&calls, which](const std::string& args, int show) {
      calls.push_back(which + "|" + args + "|" + std::to_string(show));
      return true;
    };
  };
  desktop_->RegisterProgram("C:\\Program", launcher("short"));
  desktop_->RegisterProgram("C:\\Program Files\\Orvanta\\Orvanta.exe", launcher("long"));
  auto& system = desktop_->System();
  const uint32_t first =
      system.StartProcess("c:\\program files\\orvanta\\ORVANTA.EXE /NOFP /NOLOGIN", 7);
  EXPECT_NE(first, 0u);
  EXPECT_NE(system.StartProcess("C:\\Program /a", 1), first);
  EXPECT_EQ(calls, (std::vector<std::string>{"long|/NOFP /NOLOGIN|7", "short|/a|1"}));
}

TEST_F(DeskServices, StartProcessFailures) {
  desktop_->RegisterProgram("C:\\Broken.exe", [](const std::string&, int) { return false; });
  EXPECT_EQ(desktop_->System().StartProcess("C:\\Broken.exe /NOFP", kSwNormal), 0u);
  EXPECT_EQ(FailureNumber([&] { desktop_->System().StartProcess("C:\\Unknown.exe /NOFP", 1); }),
            failure::kFileNotFound);
  EXPECT_EQ(FailureNumber([&] { desktop_->System().StartProcess("C:\\Broken.exe.bak", 1); }),
            failure::kFileNotFound);
  EXPECT_EQ(desktop_->StartedCommandLines().size(), 3u);
}

TEST_F(DeskServices, CodePageRoundTripsWindows1252AndReplacesWhatItCannotConvert) {
  auto& cp = desktop_->AnsiCodePage();
  EXPECT_EQ(cp.ToAnsi("Z\xC3\xBCrich \xE2\x82\xAC 5"), "Z\xFCrich \x80 5");
  EXPECT_EQ(cp.FromAnsi("Z\xFCrich \x80 5"), "Z\xC3\xBCrich \xE2\x82\xAC 5");
  // Windows maps the five holes of 1252 to the C1 controls, both ways.
  EXPECT_EQ(cp.FromAnsi("\x81"), "\xC2\x81");
  EXPECT_EQ(cp.ToAnsi("\xC2\x81"), "\x81");
  EXPECT_EQ(cp.ToAnsi("x\xE6\x97\xA5"), "x?");  // not in 1252
  EXPECT_EQ(cp.ToAnsi("a\xE2\x82"), "a?");      // cut-off sequence
  EXPECT_EQ(cp.ToAnsi("\xED\xA0\x80"), "???");  // encoded surrogate
}

TEST_F(DeskServices, LostCharactersAreCountedEachTimeAndNamedOnceInOrder) {
  auto& cp = desktop_->AnsiCodePage();
  EXPECT_EQ(cp.Name(), "1252");
  EXPECT_FALSE(platform::FindLostCharacters(cp, "Zoë Ørsted € \xC2\x81").any());
  const auto lost = platform::FindLostCharacters(cp, "Łukasz 山田山 ?");
  EXPECT_EQ(lost.count, 4u);
  EXPECT_EQ(lost.distinct, "Ł山田") << "a ? that was there is no loss";
  // A byte that is no UTF-8 cannot arrive as it was either.
  EXPECT_EQ(platform::FindLostCharacters(cp, "a\xE2\x82").distinct, "\xEF\xBF\xBD");
  desktop_->SetCodePage("WINDOWS-1251");
  EXPECT_EQ(cp.Name(), "1251");
  EXPECT_EQ(platform::FindLostCharacters(cp, "Жук Łukasz").distinct, "Ł");
}

TEST_F(DeskServices, CodePageCanBeChangedButNotToAnUnknownOne) {
  desktop_->SetCodePage("WINDOWS-1251");
  EXPECT_EQ(desktop_->AnsiCodePage().ToAnsi("\xD0\x96"), "\xC6");  // Cyrillic Zhe
  EXPECT_THROW(desktop_->SetCodePage("NO-SUCH-CODE-PAGE"), std::invalid_argument);
  EXPECT_EQ(desktop_->AnsiCodePage().FromAnsi("\xC6"), "\xD0\x96");  // unchanged by the failure
}

// CP1255 and CP1258 hold a letter back until they know whether a combining mark follows it.
TEST_F(DeskServices, CodePagesThatComposeLettersLoseNoneOfThem) {
  auto& cp = desktop_->AnsiCodePage();
  desktop_->SetCodePage("CP1258");
  EXPECT_EQ(cp.FromAnsi("Anna"), "Anna");
  EXPECT_EQ(cp.FromAnsi("a\xEC"), "\xC3\xA1");  // a and a combining acute make one letter
  EXPECT_EQ(cp.FromAnsi("A\x81n"), "A?n");      // the letter before a byte without character
  desktop_->SetCodePage("CP1255");
  EXPECT_EQ(cp.FromAnsi("\xF9\xEC\xE5\xED"), "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D");  // Shalom
  EXPECT_EQ(cp.FromAnsi("\xE0\xFF\xE1"), "\xD7\x90?\xD7\x91");
}

TEST_F(DeskServices, Utf8CodePageTakesCharactersUpToU10FFFFAndNothingBeyond) {
  desktop_->SetCodePage("UTF-8");
  auto& cp = desktop_->AnsiCodePage();
  EXPECT_EQ(cp.FromAnsi("Z\xC3\xBCrich \xF4\x8F\xBF\xBF"), "Z\xC3\xBCrich \xF4\x8F\xBF\xBF");
  // Every byte that starts no character becomes '?', whatever the form.
  EXPECT_EQ(cp.FromAnsi("\xF4\x90\x80\x80"), "????");
  EXPECT_EQ(cp.FromAnsi("a\xF5\x80\x80\x80z"), "a????z");
  EXPECT_EQ(cp.FromAnsi("\xF8\x88\x80\x80\x80"), "?????");
  EXPECT_EQ(cp.FromAnsi("\xFD\xBF\xBF\xBF\xBF\xBF"), "??????");
  EXPECT_EQ(cp.FromAnsi("\xC0\x80 \xED\xA0\x80 \xE2\x82"), "?? ??? ??");
}

TEST_F(DeskServices, WithoutADatabaseProviderConnectFailsWith3706) {
  desktop_->SetDatabase(nullptr);
  try {
    desktop_->Databases().Connect("DSN=Orvanta");
    ADD_FAILURE() << "Connect should throw";
  } catch (const RuntimeFailure& failure) {
    EXPECT_EQ(failure.number(), 3706);
    EXPECT_EQ(failure.description(), "Provider cannot be found. It may not be properly installed.");
  }
}

TEST_F(DeskServices, DefaultPlatformIsTheProcessDesktop) {
  EXPECT_EQ(DefaultPlatform(), std::static_pointer_cast<Platform>(ProcessDesktop()));
  EXPECT_EQ(ProcessDesktop(), ProcessDesktop());
}

}  // namespace
}  // namespace orvabridge::platform::desk
