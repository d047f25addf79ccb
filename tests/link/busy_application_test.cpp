// An imaging application that is busy inside a request (a long query on its window thread) and
// other programs that do not answer: no call waits beyond its own time-out, and a reply that comes
// after its request gave up never ends the wait of a later one. The application is the simulator
// on a thread of its own, so a request really blocks until it is handled.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "channel/records.h"
#include "link/appl_core.h"
#include "sim/demo_seed.h"
#include "sim/simulator.h"
#include "support/link_fixture.h"

namespace orvabridge::testing {
namespace {

using namespace std::chrono_literals;
namespace demo = sim::demo;
namespace command = channel::command;

// Long against the time-outs scaled by 0.001 below (20 s become 20 ms), short enough for a
// test.
constexpr auto kLongQuery = 600ms;

class BusyApplicationTest : public LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    simulator_ = std::make_unique<sim::Simulator>(platform_);
    sim::SeedDemoData(*simulator_);
    sim::LogInAtStart(*simulator_, demo::kUser);
    simulator_->Start();
  }
  void TearDown() override {
    simulator_->Stop();  // after a long query has ended
    simulator_.reset();
    LinkTest::TearDown();
  }

  // An object attached to the simulator, with time-outs scaled by `scale`.
  std::unique_ptr<Appl> Attached(double scale) {
    auto appl = MakeAppl(scale);
    std::string name, version;
    EXPECT_EQ(appl->InitApplication(name, version), 1);
    return appl;
  }

  // The application works this long on every request with `code` before it answers.
  void BusyOn(uint32_t code, std::chrono::milliseconds query) {
    sim::FaultSwitches faults;
    faults.busy = query;
    faults.only_for_command = code;
    simulator_->SetFaults(faults);
  }

  int Requests(uint32_t code) const {
    int count = 0;
    for (const auto& request : simulator_->Requests()) count += request.code == code;
    return count;
  }

  std::unique_ptr<sim::Simulator> simulator_;
};

TEST_F(BusyApplicationTest, ARequestTheApplicationIsBusyWithEndsAtItsOwnTimeOut) {
  auto appl = Attached(0.001);  // a 20-second wait takes 20 ms
  BusyOn(command::kFindPatient, kLongQuery);

  std::string id = demo::kSecondPatient, first = "unchanged", last = "unchanged";
  EXPECT_EQ(appl->FindPatient(id, first, last), result::kTimeout)
      << "the send gives up at the request's time-out instead of waiting for the application";
  EXPECT_EQ(first, "unchanged");
  EXPECT_EQ(last, "unchanged");
}

// GetCurrentPatient has no session check that could take a late reply out of the way first.
TEST_F(BusyApplicationTest, ALateReplyToARequestThatGaveUpNeverAnswersTheNextOne) {
  // The first request gives up after 0.8 s (of its 10) while the application works on it for
  // 1 s; the next request, made at once, may wait 0.8 s for the application to catch up.
  auto appl = Attached(0.08);
  BusyOn(command::kCurrentPatient, 1s);
  std::string id, first, last, birthdate, sex, address, tel_one, tel_two, mobile, email, notes;
  auto current = [&] {
    return appl->GetCurrentPatient(id, first, last, birthdate, sex, address, tel_one, tel_two,
                                   mobile, email, notes);
  };
  ASSERT_EQ(current(), result::kTimeout);  // answered with Ines Holm, once the query is done
  // From now on the application answers after the request's send has returned, so that an old
  // answer that arrived during the send would be the first the wait sees.
  sim::FaultSwitches later;
  later.timing = sim::ReplyTiming::kFromPump;
  simulator_->SetFaults(later);
  simulator_->SetCurrentPatient(demo::kSecondPatient);

  // The answer to the first request comes while the next request waits for the application to
  // catch up, and is not taken as that request's answer.
  ASSERT_EQ(current(), 1);
  EXPECT_EQ(id, demo::kSecondPatient);
  EXPECT_EQ(first, demo::kSecondFirstName);
  EXPECT_EQ(Requests(command::kCurrentPatient), 2);
}

TEST_F(BusyApplicationTest, AnApplicationStillBusyIsNotSentTheNextRequest) {
  auto appl = Attached(0.001);
  // Both requests must fall inside the one query, also on a loaded machine that holds this
  // thread up for a while between them: the query lasts longer than the others.
  BusyOn(command::kCurrentPatient, 5 * kLongQuery);
  std::string id, first, last, birthdate, sex, address, tel_one, tel_two, mobile, email, notes;
  auto current = [&] {
    return appl->GetCurrentPatient(id, first, last, birthdate, sex, address, tel_one, tel_two,
                                   mobile, email, notes);
  };
  ASSERT_EQ(current(), result::kTimeout);
  // Still inside the long query: the next request cannot be handed over within its time-out, and
  // is not queued behind the first.
  EXPECT_EQ(current(), result::kTimeout);
  simulator_->SetFaults({});
  auto patient = Attached(1.0);  // answered once everything queued before it was handled
  std::string name, version;
  EXPECT_EQ(patient->InitApplication(name, version), 1);
  EXPECT_EQ(Requests(command::kCurrentPatient), 1);
}

TEST_F(BusyApplicationTest, AHungProgramWithTheApplicationsWindowClassDoesNotHoldUpAttaching) {
  // Another program built on the same forms library, which stops answering: its title cannot be
  // read, and the search goes on without it.
  sim::SimOptions other;
  other.application_key = "Practice";
  other.window_title = "Practice Manager";
  other.name = "Practice";
  sim::Simulator hung(platform_, other);
  hung.Start();
  constexpr auto kHang = 5s;
  hung.Freeze(kHang);
  auto& windows = platform_->Windows();
  for (int tries = 0; tries < 40 && !windows.WindowText(hung.main_window(), 50ms).empty();) {
    ++tries;  // until the freeze has begun: its title no longer answers
  }

  const auto started = platform::Clock::now();
  auto appl = MakeAppl(1.0);  // the real search times
  std::string name, version;
  EXPECT_EQ(appl->InitApplication(name, version), 1);
  EXPECT_EQ(name, "Orvanta");
  EXPECT_LT(platform::Clock::now() - started, kHang) << "attaching waited for the hung program";
  EXPECT_EQ(hung.AttachRequestCount(), 0u) << "its title did not match, so it was not told";
  hung.Stop();
}

}  // namespace
}  // namespace orvabridge::testing
