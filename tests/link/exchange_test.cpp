// FindPatient and GetCurrentPatient: guard order, replies inside the send or later, time-outs,
// stray and malformed replies.
#include <gtest/gtest.h>

#include <thread>

#include "channel/records.h"
#include "link/appl_core.h"
#include "support/link_fixture.h"
#include "support/scripted_peer.h"

namespace orvabridge::testing {
namespace {

namespace command = channel::command;
namespace find = channel::find_patient;

class ExchangeTest : public LinkTest {
 protected:
  // An Appl attached to the peer the test has made.
  std::unique_ptr<Appl> AttachedAppl(double scale = 0.001) {
    auto appl = MakeAppl(scale);
    std::string name, version = "NoLaunch";
    EXPECT_EQ(appl->InitApplication(name, version), 1);
    return appl;
  }

  std::vector<std::byte> FindReply(const ScriptedPeer& peer, bool found, std::string first,
                                   std::string last) const {
    std::vector<std::byte> record(find::kSize);
    channel::WriteI32(record, channel::kSizeField, static_cast<int32_t>(find::kSize));
    peer.codec().WriteText(record, find::kFirstName, first);
    peer.codec().WriteText(record, find::kLastName, last);
    channel::WriteI32(record, find::kFound, found ? 1 : 0);
    return record;
  }

  // Peer that answers sessions as logged in and hands find requests to `on_find`.
  static void Serve(ScriptedPeer& peer, std::function<void(const ScriptedPeer::Request&)> on_find) {
    peer.on_request = [&peer, on_find](const ScriptedPeer::Request& request) {
      if (request.code == command::kGeneric) {
        peer.Reply(request.reply_to, command::kGeneric, peer.SessionRecord(true));
      } else if (on_find) {
        on_find(request);
      }
    };
  }
};

TEST_F(ExchangeTest, ReplyInsideTheSendIsTakenAndTheFoundFlagDecidesNotTheNames) {
  ScriptedPeer peer(*platform_);
  bool found = true;
  std::string reply_first = "Ann", reply_last = "Berg";
  Serve(peer, [&](const ScriptedPeer::Request& request) {
    EXPECT_EQ(request.bytes.size(), find::kSize);
    EXPECT_EQ(peer.codec().ReadText(request.bytes, find::kPatientId), "P-17");
    peer.Reply(request.reply_to, command::kFindPatient,
               FindReply(peer, found, reply_first, reply_last));
  });
  auto appl = AttachedAppl(1.0);  // real time-outs: the reply must not depend on them
  std::string id = "P-17", first, last;
  EXPECT_EQ(appl->FindPatient(id, first, last), 1);
  EXPECT_EQ(first, "Ann");
  EXPECT_EQ(last, "Berg");

  found = false;
  reply_first = "Ghost";
  EXPECT_EQ(appl->FindPatient(id, first, last), 0);
  EXPECT_EQ(first, "Ann");
  found = true;
  reply_first = reply_last = "";
  EXPECT_EQ(appl->FindPatient(id, first, last), 1);
  EXPECT_EQ(first, "");
  EXPECT_EQ(last, "");
}

TEST_F(ExchangeTest, AReplyDuringTheSendIsTheOutcomeAndTheNextCallAsksForTheWindowAgain) {
  ScriptedPeer peer(*platform_);
  bool close_after_reply = false;
  Serve(peer, [&](const ScriptedPeer::Request& request) {
    peer.Reply(request.reply_to, command::kFindPatient, FindReply(peer, true, "Ann", "Berg"));
    if (close_after_reply) peer.DestroyWindows();
  });
  auto appl = AttachedAppl(1.0);
  std::string id = "P-17", first, last;
  EXPECT_EQ(appl->FindPatient(id, first, last), 1);
  // The application answers, then closes while the request is still being sent: the answer
  // it gave is the outcome.
  close_after_reply = true;
  first.clear();
  EXPECT_EQ(appl->FindPatient(id, first, last), 1);
  EXPECT_EQ(first, "Ann");
  // No confirmation of the window outlives the call that made it.
  EXPECT_EQ(appl->FindPatient(id, first, last), result::kNoTargetWindow);
  EXPECT_FALSE(link::ThisThread().target_window);
}

TEST_F(ExchangeTest, SessionCheckComesBeforeTheArgumentCheck) {
  ScriptedPeer peer(*platform_);
  peer.AnswerSessions(false);
  auto appl = AttachedAppl();
  std::string empty, first, last;
  EXPECT_EQ(appl->FindPatient(empty, first, last), -12);

  peer.AnswerSessions(true);
  EXPECT_EQ(appl->FindPatient(empty, first, last), -5);
  for (const auto& request : peer.requests()) EXPECT_NE(request.code, command::kFindPatient);
}

TEST_F(ExchangeTest, ReplyInTheSameTurnAsTheDeadlineCountsAsTheReply) {
  ScriptedPeer peer(*platform_);
  Serve(peer, [&](const ScriptedPeer::Request& request) {
    // Delivered by the wait's first pump, when a zero time-out has already passed.
    peer.ReplyLater(request.reply_to, command::kFindPatient, FindReply(peer, true, "On", "Time"));
  });
  auto attached = AttachedAppl();
  auto appl = MakeAppl(0.0);  // shares the link; its time-outs are zero
  std::string id = "P1", first, last;
  EXPECT_EQ(appl->FindPatient(id, first, last), 1);
  EXPECT_EQ(first, "On");
}

TEST_F(ExchangeTest, RepliesWithOtherCodes) {
  ScriptedPeer peer(*platform_);
  uint32_t stray = 0;
  Serve(peer, [&](const ScriptedPeer::Request& request) {
    peer.Reply(request.reply_to, stray, FindReply(peer, true, "Not", "Me"));
  });
  auto appl = AttachedAppl();
  // An ignored code does not end the wait; another known code ends it with -7.
  const std::pair<uint32_t, int32_t> cases[] = {{command::kIgnoredReply, -6},
                                                {command::kUserLogout, -7}};
  for (const auto& [code, result] : cases) {
    SCOPED_TRACE(code);
    stray = code;
    std::string id = "P1", first = "keep", last;
    EXPECT_EQ(appl->FindPatient(id, first, last), result);
    EXPECT_EQ(first, "keep");
  }
}

TEST_F(ExchangeTest, LateReplyEndsTheNextWait) {
  // An application too old for session queries, so that nothing else waits in between.
  ScriptedPeer::Options old;
  old.version[2] = 1000;
  ScriptedPeer peer(*platform_, old);
  int calls = 0;
  peer.on_request = [&](const ScriptedPeer::Request& request) {
    if (++calls == 1) return;  // the first request is answered too late
    peer.ReplyLater(request.reply_to, command::kFindPatient, FindReply(peer, true, "Late", "One"));
  };
  auto appl = AttachedAppl();
  std::string id = "P1", first, last;
  EXPECT_EQ(appl->FindPatient(id, first, last), -6);
  // The answer to the first request arrives while the second one waits and ends that wait.
  peer.ReplyLater(peer.requests().back().reply_to, command::kFindPatient,
                  FindReply(peer, true, "First", "Answer"));
  peer.on_request = nullptr;
  EXPECT_EQ(appl->FindPatient(id, first, last), 1);
  EXPECT_EQ(first, "First");
}

TEST_F(ExchangeTest, MalformedRepliesAndAnOverlongIdStayInsideTheirRecords) {
  ScriptedPeer peer(*platform_);
  std::vector<std::byte> reply;
  Serve(peer, [&](const ScriptedPeer::Request& request) {
    ASSERT_EQ(request.bytes.size(), find::kSize);
    EXPECT_EQ(peer.codec().ReadText(request.bytes, find::kPatientId), std::string(64, 'A'));
    for (size_t i = find::kPatientId.end(); i < find::kSize; ++i) {
      ASSERT_EQ(request.bytes[i], std::byte{0}) << "byte " << i;
    }
    peer.Reply(request.reply_to, command::kFindPatient, reply);
  });
  auto appl = AttachedAppl();
  std::string id(500, 'A'), first, last;

  // Longer than the record, names without any zero byte: cut to the fields.
  reply = FindReply(peer, true, "", "");
  std::fill(reply.begin() + 68, reply.begin() + 580, std::byte{'x'});
  reply.resize(5000, std::byte{'y'});
  EXPECT_EQ(appl->FindPatient(id, first, last), 1);
  EXPECT_EQ(first, std::string(256, 'x'));
  EXPECT_EQ(last, std::string(256, 'x'));
  EXPECT_EQ(id.size(), 500u);

  // Shorter than the record or empty: the missing found flag reads as zero.
  reply.assign(100, std::byte{'z'});
  EXPECT_EQ(appl->FindPatient(id, first, last), 0);
  reply.clear();
  EXPECT_EQ(appl->FindPatient(id, first, last), 0);
}

TEST_F(ExchangeTest, QuitRequestEndsTheWaitInsteadOfWakingItForever) {
  // A quit request stays with its thread for good, so the scenario gets a thread of its own.
  int32_t found = 0;
  std::thread host([&] {
    ScriptedPeer peer(*platform_);
    Serve(peer, [&](const ScriptedPeer::Request&) { platform_->Windows().PostQuitMessage(); });
    auto appl = AttachedAppl(1000.0);  // a time-out far beyond any test run
    std::string id = "P1", first, last;
    found = appl->FindPatient(id, first, last);
  });
  host.join();
  EXPECT_EQ(found, -6);
}

TEST_F(ExchangeTest, CurrentPatientMapsEveryFieldAndTimesOutWithMinusSix) {
  namespace patient = channel::patient;
  const channel::Field fields[11] = {patient::kId,        patient::kFirstName, patient::kLastName,
                                     patient::kBirthdate, patient::kSex,       patient::kAddress,
                                     patient::kTelOne,    patient::kTelTwo,    patient::kMobile,
                                     patient::kEmail,     patient::kComments};
  std::string sent[11] = {"P-9", "Eva", "Lund", "1970", "F", "Main", "1", "2", "3", "@", "x"};
  ScriptedPeer peer(*platform_);
  peer.on_request = [&](const ScriptedPeer::Request& request) {
    ASSERT_EQ(request.code, command::kCurrentPatient);
    ASSERT_EQ(request.bytes.size(), patient::kShortSize);
    std::vector<std::byte> record(patient::kShortSize);
    for (int i = 0; i < 11; ++i) peer.codec().WriteText(record, fields[i], sent[i]);
    peer.Reply(request.reply_to, command::kCurrentPatient, record);
  };
  auto appl = AttachedAppl();
  std::string v[11];
  auto current = [&] {
    return appl->GetCurrentPatient(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9],
                                   v[10]);
  };
  EXPECT_EQ(current(), 1);
  for (int i = 0; i < 11; ++i) EXPECT_EQ(v[i], sent[i]) << i;

  // An empty id means no patient is open, whatever the other fields hold.
  sent[0].clear();
  v[1] = "keep";
  EXPECT_EQ(current(), 0);
  EXPECT_EQ(v[1], "keep");

  peer.on_request = nullptr;
  EXPECT_EQ(current(), -6);
}

}  // namespace
}  // namespace orvabridge::testing
