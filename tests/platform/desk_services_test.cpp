// The in-process desktop's files, system services, code page and database placeholder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/desk/desktop.h"
#include "platform/runtime_failure.h"

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

int32_t FailureNumber(const std::function<void()>& action) {
  try {
    action();
  } catch (const RuntimeFailure& failure) {
    return failure.number();
  }
  return 0;
}

class DeskServices : public ::testing::Test {
 protected:
  std::shared_ptr<Desktop> desktop_ = Desktop::Create();
};

TEST_F(DeskServices, ThreadCpuTimeNeverRunsBackwards) {
  auto& system = desktop_->System();
  const auto before = system.ThreadCpuTime();
  volatile uint64_t sink = 0;
  for (int i = 0; i < 200000; ++i) sink = sink + static_cast<uint64_t>(i);
  EXPECT_GE(system.ThreadCpuTime(), before);
}

TEST_F(DeskServices, WindowsPathsMapBelowTheFileRootMatchingExistingNamesInAnyCase) {
  const fs::path root = desktop_->FileRoot();
  EXPECT_EQ(desktop_->HostPath("C:\\out\\WS\\WS.TXT"), root / "C" / "out" / "WS" / "WS.TXT");
  EXPECT_EQ(desktop_->HostPath("d:/data/x.txt"), root / "D" / "data" / "x.txt");
  EXPECT_EQ(desktop_->HostPath("C:\\a\\.\\b\\..\\c.txt"), root / "C" / "a" / "c.txt");
  EXPECT_TRUE(desktop_->Files().FolderExists("C:\\"));
  EXPECT_TRUE(desktop_->Files().FolderExists("C:\\Temp"));  // the default TEMP exists
  EXPECT_FALSE(desktop_->Files().FolderExists("C:\\Nothing"));
  desktop_->Files().CreateFolder("C:\\Out");
  EXPECT_TRUE(desktop_->Files().FolderExists("c:\\OUT"));
  EXPECT_EQ(desktop_->HostPath("C:\\OUT\\file.txt"),
            desktop_->FileRoot() / "C" / "Out" / "file.txt");
}

TEST_F(DeskServices, CreateFolderMakesOneLevelAndOpenAppendNeverTruncates) {
  auto& files = desktop_->Files();
  files.CreateFolder("C:\\out");
  EXPECT_TRUE(files.FolderExists("C:\\out\\"));
  EXPECT_EQ(FailureNumber([&] { files.CreateFolder("C:\\missing\\deeper"); }),
            failure::kPathNotFound);
  EXPECT_EQ(FailureNumber([&] { files.CreateFolder("C:\\out"); }), failure::kPathFileAccessError);
  // Appending creates the file, then adds to it without truncating.
  files.OpenAppend("C:\\out\\log.txt")->Write(AsBytes("one\r\n"));
  {
    auto stream = files.OpenAppend("C:\\OUT\\LOG.TXT");
    stream->Write(AsBytes("two"));
    stream->Write(AsBytes("\r\n"));
  }
  EXPECT_EQ(ReadHostFile(desktop_->HostPath("C:\\out\\log.txt")), "one\r\ntwo\r\n");
}

TEST_F(DeskServices, OpenAppendFailuresCarryTheRunTimeNumbers) {
  auto& files = desktop_->Files();
  EXPECT_EQ(FailureNumber([&] { files.OpenAppend("C:\\missing\\log.txt"); }),
            failure::kPathNotFound);
  EXPECT_EQ(FailureNumber([&] { files.OpenAppend("C:\\Temp"); }), failure::kPermissionDenied);
  desktop_->LockFile("C:\\Temp\\held.txt", true);
  EXPECT_EQ(FailureNumber([&] { files.OpenAppend("c:\\temp\\HELD.txt"); }),
            failure::kPermissionDenied);
  desktop_->LockFile("C:\\Temp\\held.txt", false);
  EXPECT_NE(files.OpenAppend("C:\\Temp\\held.txt"), nullptr);

  // A file open for appending is readable by others, but not writable.
  auto stream = files.OpenAppend("C:\\Temp\\WS.TXT");
  stream->Write(AsBytes("line\r\n"));
  EXPECT_EQ(ReadHostFile(desktop_->HostPath("C:\\Temp\\WS.TXT")), "line\r\n");
  EXPECT_EQ(FailureNumber([&] { files.OpenAppend("c:\\temp\\ws.txt"); }),
            failure::kPermissionDenied);
  stream.reset();
  EXPECT_NE(files.OpenAppend("C:\\Temp\\WS.TXT"), nullptr);
}

TEST_F(DeskServices, FileRootCanBeMovedAndTheOwnRootGoesWithTheDesktop) {
  fs::path own_root;
  const fs::path other =
      fs::temp_directory_path() / ("desk-root-test-" + std::to_string(::getpid()));
  {
    auto desktop = Desktop::Create();
    own_root = desktop->FileRoot();
    EXPECT_TRUE(fs::is_directory(own_root));
    desktop->SetFileRoot(other);
    EXPECT_EQ(desktop->HostPath("C:\\x"), other / "C" / "x");
    EXPECT_TRUE(desktop->Files().FolderExists("C:\\"));
  }
  EXPECT_FALSE(fs::exists(own_root));
  EXPECT_TRUE(fs::exists(other));  // a root given by the caller stays
  fs::remove_all(other);
}

TEST_F(DeskServices, ComputerNameDateOrderAndEnvironmentAreTheDesktopsOwn) {
  auto& system = desktop_->System();
  EXPECT_TRUE(system.IsDate("31/12/2024"));
  EXPECT_FALSE(system.IsDate("12/31/2024"));
  desktop_->SetDateOrder(DateOrder::kMonthDayYear);
  EXPECT_TRUE(system.IsDate("12/31/2024"));
  EXPECT_FALSE(system.IsDate("31/12/2024"));
  EXPECT_EQ(system.ComputerName(), "DESKPC");
  desktop_->SetComputerName("WS17");
  EXPECT_EQ(system.ComputerName(), "WS17");
  EXPECT_EQ(system.Environment("TEMP"), "C:\\Temp");
  EXPECT_EQ(system.Environment("temp"), "C:\\Temp");
  EXPECT_EQ(system.Environment("clientname"), std::nullopt);
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
  const std::vector<std::string> lines{"c:\\program files\\orvanta\\ORVANTA.EXE /NOFP /NOLOGIN",
                                       "\"C:\\Program Files\\Orvanta\\Orvanta.exe\" /X",
                                       "C:\\Program /a"};
  const uint32_t first = system.StartProcess(lines[0], kSwShowMinNoActive);
  const uint32_t second = system.StartProcess(lines[1], kSwNormal);
  EXPECT_NE(first, 0u);
  EXPECT_NE(second, 0u);
  EXPECT_NE(second, first);
  EXPECT_NE(system.StartProcess(lines[2], kSwNormal), 0u);
  const std::string normal = std::to_string(kSwNormal);
  EXPECT_EQ(calls,
            (std::vector<std::string>{"long|/NOFP /NOLOGIN|" + std::to_string(kSwShowMinNoActive),
                                      "long|/X|" + normal, "short|/a|" + normal}));
  EXPECT_EQ(desktop_->StartedCommandLines(), lines);
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

TEST_F(DeskServices, MessageBoxesAreRecordedAndMayBeRedirected) {
  auto& system = desktop_->System();
  EXPECT_EQ(system.ShowMessageBox({"first", "Orvabridge", kMbOk}), kIdOk);
  system.SetMessageBoxHandler(
      [](const MessageBoxRequest& request) { return request.text == "second" ? 7 : 0; });
  EXPECT_EQ(system.ShowMessageBox({"second", "", kMbIconInformation}), 7);
  const auto boxes = desktop_->MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "first");
  EXPECT_EQ(boxes[1].style, kMbIconInformation);
}

TEST_F(DeskServices, CodePageRoundTripsWindows1252AndReplacesWhatItCannotConvert) {
  auto& cp = desktop_->AnsiCodePage();
  EXPECT_EQ(cp.ToAnsi("Z\xC3\xBCrich \xE2\x82\xAC 5"), "Z\xFCrich \x80 5");
  EXPECT_EQ(cp.FromAnsi("Z\xFCrich \x80 5"), "Z\xC3\xBCrich \xE2\x82\xAC 5");
  EXPECT_EQ(cp.ToAnsi(std::string("a\0b", 3)), std::string("a\0b", 3));
  // Windows maps the five holes of 1252 to the C1 controls, both ways.
  EXPECT_EQ(cp.FromAnsi("\x81"), "\xC2\x81");
  EXPECT_EQ(cp.ToAnsi("\xC2\x81"), "\x81");
  EXPECT_EQ(cp.ToAnsi("x\xE6\x97\xA5\xE6\x9C\xAC"), "x??");  // not in 1252
  EXPECT_EQ(cp.ToAnsi("a\xFF"
                      "b"),
            "a?b");                             // invalid UTF-8 byte
  EXPECT_EQ(cp.ToAnsi("a\xE2\x82"), "a?");      // cut-off sequence
  EXPECT_EQ(cp.ToAnsi("\xED\xA0\x80"), "???");  // encoded surrogate
}

TEST_F(DeskServices, CodePageCanBeChanged) {
  desktop_->SetCodePage("WINDOWS-1251");
  EXPECT_EQ(desktop_->AnsiCodePage().ToAnsi("\xD0\x96"), "\xC6");  // Cyrillic Zhe
  EXPECT_EQ(desktop_->AnsiCodePage().ToAnsi("\xC3\xBC"), "?");
  EXPECT_THROW(desktop_->SetCodePage("NO-SUCH-CODE-PAGE"), std::invalid_argument);
  EXPECT_EQ(desktop_->AnsiCodePage().FromAnsi("\xC6"), "\xD0\x96");  // unchanged by the failure
}

TEST_F(DeskServices, DatabaseCanBeReplacedOrLeftWithoutProvider) {
  struct FakeDatabase : Database {
    std::unique_ptr<DbConnection> Connect(std::string_view) override { return nullptr; }
  };
  auto fake = std::make_unique<FakeDatabase>();
  Database* raw = fake.get();
  desktop_->SetDatabase(std::move(fake));
  EXPECT_EQ(&desktop_->Databases(), raw);

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
