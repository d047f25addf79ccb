// A relay killed while a line's call may have gone out, started again: an AddPatientEx in flight
// is looked up before it is sent again, so that the practice does not get the same patient
// twice; the other members are sent again; journals of the first version are still honoured.
#include <fstream>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "relay/native/relay_fixture.h"
#include "sim/faults.h"

namespace orvabridge::relay {
namespace {

// Keeps the relay's journal as it stands on the disk at the moment the application receives an
// AddPatientEx: the relay waits in its send meanwhile, so this is what a kill then would leave.
class JournalAtEachAdd final : public sim::TrafficObserver {
 public:
  explicit JournalAtEachAdd(std::filesystem::path journal) : journal_(std::move(journal)) {}

  void AttachReceived(platform::WindowHandle) override {}
  void RequestReceived(platform::WindowHandle, uint32_t code, std::span<const std::byte>) override {
    if (code != command::kAddPatientExtended) return;
    std::ifstream in(journal_, std::ios::binary);
    std::lock_guard lock(mutex_);
    seen_.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  void ReplySent(platform::WindowHandle, const sim::Reply&, platform::SendStatus) override {}

  std::vector<std::string> Seen() {
    std::lock_guard lock(mutex_);
    return seen_;
  }

 private:
  std::filesystem::path journal_;
  std::mutex mutex_;
  std::vector<std::string> seen_;
};

class RelayRecovery : public RelayNative {
 protected:
  // The state of a relay killed after it marked `line` (from 1) of a freshly claimed file in
  // flight and before it knew whether the call went out.
  std::string ClaimWithLineInFlight(size_t line) {
    Inbox inbox = MakeInbox();
    const std::optional<std::string> claimed = inbox.Claim();
    EXPECT_TRUE(claimed.has_value());
    inbox.RecordJournal({claimed.value_or(""), line - 1, /*in_flight=*/true});
    return claimed.value_or("");
  }

  RelayOptions KilledAfterCallOf(size_t line) const {
    RelayOptions options = Options();
    options.after_call = [line](size_t number) {
      if (number == line) throw Killed{};
    };
    return options;
  }
};

TEST_F(RelayRecovery, AnAddPatientExThatWentOutIsReconciledAndOtherMembersAreSentAgain) {
  AsHost([](Appl& appl) {
    AddPatient(appl, "7201", "First");
    AddPatient(appl, "7202", "Second");
    std::string id = "7202";
    int32_t options = 0;
    EXPECT_EQ(appl.ShowPatientEx(id, options), 1);
  });
  workbench_->StartApplication(true);
  const auto journal = std::make_shared<JournalAtEachAdd>(
      desktop_->HostPath(directory_ + workstation_ + ".relay-journal"));
  Application()->SetObserver(journal);

  // Killed after the second AddPatientEx went out, before the journal knew.
  EXPECT_THROW(Replay(KilledAfterCallOf(2)), Killed);
  EXPECT_EQ(Received(command::kAddPatientExtended), 2u);
  const std::vector<std::string> seen = journal->Seen();
  ASSERT_EQ(seen.size(), 2u);
  // Each call found its line marked in flight on the disk already.
  EXPECT_NE(seen[0].find("done=0\r\nin-flight=1\r\n"), std::string::npos) << seen[0];
  EXPECT_NE(seen[1].find("done=1\r\nin-flight=2\r\n"), std::string::npos) << seen[1];

  // Started again and killed after the ShowPatientEx went out.
  link::ResetThisThread();
  EXPECT_THROW(Replay(KilledAfterCallOf(3)), Killed);
  EXPECT_EQ(Received(command::kAddPatientExtended), 2u) << Log();  // not a third time
  EXPECT_EQ(Received(command::kFindPatient), 1u);
  EXPECT_EQ(Received(command::kShowPatient), 1u);
  EXPECT_NE(Log().find("line 2: AddPatientEx of patient 7202 was in flight when the relay before "
                       "this one ended; the patient is there: reconciled as done"),
            std::string::npos)
      << Log();

  link::ResetThisThread();
  EXPECT_EQ(Replay(), RelayEnd::kDone) << Log();
  // A repeated ShowPatientEx shows the same patient again: it is simply sent.
  EXPECT_EQ(Received(command::kShowPatient), 2u);
  EXPECT_EQ(Received(command::kFindPatient), 1u);
  EXPECT_NE(Log().find("line 3: ShowPatientEx was in flight when the relay before this one "
                       "ended; sent again"),
            std::string::npos)
      << Log();
  EXPECT_EQ(Application()->CurrentPatientId(), "7202");
  EXPECT_TRUE(FolderContent().empty());
}

// The look-up decides only when the application answers it: the patient not there, and a look-up
// that cannot tell, both send the line again; exactly once.
struct Undecided {
  const char* name;
  bool wrong_answer;  // FindPatient is answered with another command's reply
  const char* logged;
};
void PrintTo(const Undecided& given, std::ostream* out) { *out << given.name; }

class RelayRecoveryLookUp : public RelayRecovery,
                            public ::testing::WithParamInterface<Undecided> {};

TEST_P(RelayRecoveryLookUp, SendsTheAddPatientExInFlightAgain) {
  AsHost([](Appl& appl) { AddPatient(appl, "7211", "Maybe"); });
  workbench_->StartApplication(true);
  ClaimWithLineInFlight(1);
  if (GetParam().wrong_answer) {
    sim::FaultSwitches faults;
    faults.reply_code = command::kCurrentPatient;
    faults.only_for_command = command::kFindPatient;
    Application()->SetFaults(faults);
  }

  EXPECT_EQ(Replay(), RelayEnd::kDone) << Log();
  EXPECT_EQ(Received(command::kFindPatient), 1u);
  EXPECT_EQ(Received(command::kAddPatientExtended), 1u);
  EXPECT_TRUE(Application()->Patient("7211"));
  EXPECT_NE(Log().find("line 1: AddPatientEx of patient 7211 was in flight when the relay before "
                       "this one ended; " +
                       std::string(GetParam().logged)),
            std::string::npos)
      << Log();
  EXPECT_EQ(replayed_, 1u);
  EXPECT_TRUE(FolderContent().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RelayRecoveryLookUp,
    ::testing::Values(Undecided{"PatientNotThere", false, "the patient is not there: sent again"},
                      Undecided{"NoRightAnswer", true,
                                "the look-up could not decide (FindPatient: result -7"}),
    [](const auto& test) { return std::string(test.param.name); });

// No application to ask: the line waits, still in flight, and is neither sent nor forgotten; once
// the application answers, the look-up finds the patient that the killed relay added.
TEST_F(RelayRecovery, AnAddPatientExInFlightWaitsForTheApplicationToLookItUp) {
  AsHost([](Appl& appl) { AddPatient(appl, "7221", "Waiting"); });
  ClaimWithLineInFlight(1);
  EXPECT_EQ(Replay(), RelayEnd::kWaiting) << Log();
  EXPECT_NE(Log().find("line 1: the look-up of patient 7221 found no imaging application"),
            std::string::npos)
      << Log();

  workbench_->StartApplication(true);
  Application()->AddPatient({.id = "7221", .last_name = "Waiting"});
  link::ResetThisThread();
  EXPECT_EQ(Replay(), RelayEnd::kDone) << Log();
  EXPECT_EQ(Received(command::kAddPatientExtended), 0u);
  EXPECT_NE(Log().find("reconciled as done"), std::string::npos) << Log();
  EXPECT_EQ(replayed_, 1u);
}

// A journal left by the first version of the relay has no in-flight record: the relay goes on
// after the lines it names, without a look-up. A record that this program did not write stops it.
TEST_F(RelayRecovery, JournalsOfTheFirstVersionAreHonouredAndAnInconsistentOneIsRefused) {
  AsHost([](Appl& appl) {
    AddPatient(appl, "7231", "Old");
    AddPatient(appl, "7232", "Old");
  });
  workbench_->StartApplication(true);
  const std::optional<std::string> claimed = MakeInbox().Claim();
  ASSERT_TRUE(claimed);
  const std::string journal = directory_ + workstation_ + ".relay-journal";

  platform_->Files().WriteFileDurably(
      journal, "Orvabridge relay journal 1\r\nfile=" + *claimed + "\r\ndone=1\r\nin-flight=3\r\n");
  EXPECT_EQ(Replay(), RelayEnd::kCannotWork);
  EXPECT_NE(Log().find("is damaged"), std::string::npos) << Log();
  EXPECT_EQ(Received(command::kAddPatientExtended), 0u);

  platform_->Files().WriteFileDurably(
      journal, "Orvabridge relay journal 1\r\nfile=" + *claimed + "\r\ndone=1\r\n");
  link::ResetThisThread();
  EXPECT_EQ(Replay(), RelayEnd::kDone) << Log();
  EXPECT_EQ(Received(command::kAddPatientExtended), 1u);  // line 2 only
  EXPECT_EQ(Received(command::kFindPatient), 0u);
  EXPECT_TRUE(Application()->Patient("7232"));
  EXPECT_FALSE(Application()->Patient("7231"));  // line 1 counted as done by the old journal
}

}  // namespace
}  // namespace orvabridge::relay
