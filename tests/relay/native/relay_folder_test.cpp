// A text-out folder that cannot be read: a run with --once ends at once naming the folder and the
// reason; a relay that runs on says so, waits for the share to come up and says when it did. And
// what the command line refuses: mistyped options, --wait without --once, and every command of a
// native build, which has no machine to work on.
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "relay/native/relay_fixture.h"
#include "relay_cli.h"

namespace orvabridge::relay {
namespace {

struct Unreadable {
  const char* name;
  const char* folder;   // --folder
  const char* prepare;  // what to make of it: "", "file", "locked", "locked-own"
  const char* logged;   // the line the log must hold
};
void PrintTo(const Unreadable& given, std::ostream* out) { *out << given.name; }

class RelayUnreadableFolder : public RelayNative,
                              public ::testing::WithParamInterface<Unreadable> {};

TEST_P(RelayUnreadableFolder, EndsARunOnceNamingTheFolderAndWhy) {
  const Unreadable& given = GetParam();
  const std::string prepare = given.prepare;
  if (prepare == "file") WriteLive("");  // C:\txtout\<workstation>\<workstation>.TXT
  if (prepare == "locked") desktop_->LockFile(kFolder, true);
  if (prepare == "locked-own") {
    platform_->Files().CreateFolder(directory_);
    desktop_->LockFile(directory_, true);
  }
  RelayOptions options = Options();
  options.folder = given.folder;
  if (prepare == "file") options.folder = directory_ + workstation_ + ".TXT";
  EXPECT_EQ(Replay(options), RelayEnd::kCannotWork);
  std::string logged = given.logged;
  if (const size_t at = logged.find("<own>"); at != std::string::npos) {
    logged.replace(at, 5, directory_);
  }
  EXPECT_NE(Log().find(logged), std::string::npos) << Log();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RelayUnreadableFolder,
    ::testing::Values(
        Unreadable{"Missing", "C:\\nonexistent", "",
                   "cannot read the text-out folder C:\\nonexistent: it does not exist"},
        Unreadable{"ShareNotThere", "\\\\server\\txtout", "",
                   "cannot read the text-out folder \\\\server\\txtout: its server or share "
                   "cannot be reached"},
        Unreadable{"AFile", "", "file", ".TXT: it is a file, not a folder"},
        Unreadable{"Denied", kFolder, "locked",
                   "cannot read the text-out folder C:\\txtout: access is denied"},
        Unreadable{"OwnFolderDenied", kFolder, "locked-own",
                   "cannot read the folder <own>: access is denied"}),
    [](const auto& test) { return std::string(test.param.name); });

// The workstation's own folder is made by the library with its first call: its absence is no
// trouble, only nothing to do.
TEST_F(RelayNative, NoFolderOfTheWorkstationYetIsNothingToDo) {
  EXPECT_EQ(Replay(), RelayEnd::kDone);
  EXPECT_NE(Log().find("no calls yet: " + directory_ + " does not exist yet"), std::string::npos)
      << Log();
  EXPECT_EQ(replayed_ + set_aside_, 0u);
}

// A share that comes up after the relay started: it is said at the start and again while it
// lasts (here at every look), once more when it can be read, and then its lines are replayed.
TEST_F(RelayNative, ARelayThatRunsOnWaitsForAShareThatComesUpLater) {
  workbench_->StartApplication(true);
  const std::string share = "\\\\server\\txtout";
  const std::string missing = "cannot read the text-out folder " + share;
  RelayOptions options = Options();
  options.once = false;
  options.folder = share;
  options.folder_reminder = 0ms;
  std::thread share_comes_up([&] {
    if (WaitForLog(missing, 2)) {
      std::filesystem::create_directories(desktop_->HostPath(share + "\\" + workstation_));
      std::ofstream(desktop_->HostPath(share + "\\" + workstation_ + "\\" + workstation_ + ".TXT"),
                    std::ios::binary)
          << "ShowPatientEx ; 1001 ; 0\r\n";
      WaitForLog("finished ");
    }
    platform::RequestStop();
  });
  EXPECT_EQ(Replay(options), RelayEnd::kDone);
  share_comes_up.join();
  const std::string log = Log();
  EXPECT_NE(log.find(missing + ": its server or share cannot be reached; looking again every 10 "
                               "ms, and saying so every 0 ms while it lasts"),
            std::string::npos)
      << log;
  EXPECT_EQ(Count(log, "can read the text-out folder " + share + " now"), 1u) << log;
  // Nothing more about it once it can be read.
  EXPECT_LT(log.rfind(missing), log.find("can read the text-out folder")) << log;
  EXPECT_EQ(Received(command::kShowPatient), 1u);
  EXPECT_EQ(Application()->CurrentPatientId(), "1001");
}

class RelayCommandLine : public RelayNative {
 protected:
  // orva-relay on this test's desktop; what it wrote to both streams goes to `said`.
  int Run(std::vector<std::string> args, std::string* said = nullptr) {
    std::ostringstream out, err;
    const int status = RunRelay(args, out, err, [this] { return platform_; });
    if (said) *said = out.str() + err.str();
    return status;
  }
};

TEST_F(RelayCommandLine, SuggestsTheOptionMeantAndRefusesWaitWithoutOnce) {
  std::string said;
  EXPECT_EQ(Run({"--onec"}, &said), relay_exit::kUsage);
  EXPECT_NE(said.find("unknown option --onec; did you mean --once?"), std::string::npos) << said;
  EXPECT_EQ(Run({"--folder", kFolder, "--wrkstation", "WS1"}, &said), relay_exit::kUsage);
  EXPECT_NE(said.find("did you mean --workstation?"), std::string::npos) << said;
  EXPECT_EQ(Run({"--frobnicate"}, &said), relay_exit::kUsage);
  EXPECT_EQ(said.find("did you mean"), std::string::npos) << said;

  // A relay that runs on waits as long as it runs: --wait would do nothing.
  EXPECT_EQ(Run({"--folder", kFolder, "--wait", "60"}, &said), relay_exit::kUsage);
  EXPECT_NE(said.find("--wait applies only with --once"), std::string::npos) << said;
  EXPECT_EQ(Run({"--once", "--wait", "0", "--folder", kFolder, "--workstation", workstation_}),
            relay_exit::kDone);
}

TEST_F(RelayCommandLine, AMissingFolderFailsARunOnceOnStandardErrorAndInTheLog) {
  const std::string log_file = std::string(kFolder) + "\\relay.log";
  std::string said;
  EXPECT_EQ(
      Run({"--once", "--folder", "C:\\nonexistent", "--workstation", "WS07", "--log", log_file},
          &said),
      relay_exit::kCannotWork);
  const std::string reason = "cannot read the text-out folder C:\\nonexistent: it does not exist";
  EXPECT_NE(said.find(reason), std::string::npos) << said;
  EXPECT_NE(said.find("ended, unable to work: 0 replayed, 0 set aside"), std::string::npos) << said;
  std::ifstream in(desktop_->HostPath(log_file), std::ios::binary);
  const std::string logged((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(logged.find(reason), std::string::npos) << logged;
}

// The program of a native build: its platform would be an in-process desktop of its own, so it
// claims nothing: no replay, no log file, no autostart entry. Only help, version and a wrong
// command line are answered.
TEST(RelayNativeProgram, RefusesEveryCommandThatWouldActWithOneLine) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--once", "--folder", "/tmp", "--workstation", "WS07"},
        std::vector<std::string>{"--folder", "C:\\txtout", "--log", "/tmp/orva-relay.log"},
        std::vector<std::string>{"--install", "--folder", "C:\\txtout"},
        std::vector<std::string>{"--uninstall"}}) {
    std::ostringstream out, err;
    EXPECT_EQ(RunRelay(args, out, err, MachinePlatform()), relay_exit::kCannotWork) << args[0];
    EXPECT_EQ(out.str(), "");
    const std::string said = err.str();
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;  // one line
    EXPECT_NE(said.find("runs only on the in-process desktop"), std::string::npos) << said;
  }
  std::ostringstream out, err;
  EXPECT_EQ(RunRelay({"--help"}, out, err, MachinePlatform()), relay_exit::kDone);
  EXPECT_NE(out.str().find("usage: orva-relay"), std::string::npos);
  EXPECT_EQ(RunRelay({"--onec"}, out, err, MachinePlatform()), relay_exit::kUsage);
}

}  // namespace
}  // namespace orvabridge::relay
