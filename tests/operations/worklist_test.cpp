// GetRespPerson and MWLQuery over GenericRecord: what they send on top of the session reply,
// how the answer becomes their result, and their guards and failures.
#include <gtest/gtest.h>

#include "operations/images_fixture.h"

namespace orvabridge::testing {
namespace {

namespace command = channel::command;
using channel::Field;

// GenericRecord fields at literal offsets, so that a wrong layout cannot vouch for itself.
constexpr Field kSubCommand{4, 4}, kResult{8, 4}, kNumber1{12, 4}, kNumber2{16, 4},
    kNumber3{20, 4}, kDate{56, 8};
constexpr Field kText[] = {{88, 256},   {344, 256},  {600, 256},  {856, 256},  {1112, 1024},
                           {2136, 1024}, {3160, 1024}, {4184, 1024}, {5208, 1024}, {6232, 20001}};

class WorklistTest : public AttachedTest {
 protected:
  void SetUp() override {
    AttachedTest::SetUp();
    // Marks in the session reply show which bytes the following request leaves alone.
    session_reply_ = [this](std::vector<std::byte>& reply) {
      channel::WriteI32(reply, kNumber3, 9);
      channel::WriteF64(reply, kDate, 1.5);
      codec().WriteText(reply, kText[6], "session-6");
      codec().WriteText(reply, kText[9], "session-9");
      reply[26235] = std::byte{0x77};
    };
  }
  // The record as the session check left it.
  std::vector<std::byte> AfterSession() {
    auto record = peer_->SessionRecord(true);
    session_reply_(record);
    return record;
  }
  void AnswerGeneric(std::function<std::vector<std::byte>()> reply, uint32_t code = 0) {
    serve_ = [this, reply, code](const Request& request) {
      peer_->Reply(request.reply_to, code != 0 ? code : command::kGeneric, reply());
    };
  }
  std::vector<std::byte> CountReply(const std::string& count) {
    auto reply = AfterSession();
    channel::WriteI32(reply, kResult, 55);  // not the query's result
    codec().WriteText(reply, kText[0], count);
    return reply;
  }
  struct Person {
    int32_t id = -1, type = -1;
    std::string prefix = "k", first = "k", last = "k", guid = "k", shortname = "k",
                contact = "k", email = "k", login = "k";
  };
  int32_t RespPerson(Person& p) {
    return appl_->GetRespPerson(&p.id, &p.prefix, &p.first, &p.last, &p.guid, &p.shortname,
                                &p.contact, &p.email, &p.login, &p.type);
  }
  static void ExpectUntouched(const Person& p, const char* what) {
    EXPECT_EQ(p.id, -1) << what;
    EXPECT_EQ(p.type, -1) << what;
    EXPECT_EQ(p.first, "k") << what;
    EXPECT_EQ(p.login, "k") << what;
  }
};

TEST_F(WorklistTest, QueryWritesItsCriteriaOverTheSessionReply) {
  Start();
  std::string pat_id = "P-1", pat_name = "Berg^Ann", acc = "ACC-9", proc = "PROC-3",
              station = "CT01", modality = "DX";
  double start = 45366.5;  // 15 March 2024, noon
  appl_->MWLQuery(&pat_id, &pat_name, &acc, &proc, &start, &station, &modality);
  appl_->MWLQuery();
  const auto sent = Sent(command::kGeneric);
  ASSERT_EQ(sent.size(), 2u);

  auto expected = AfterSession();
  channel::WriteI32(expected, kSubCommand, 0);
  channel::WriteF64(expected, kDate, 45366.5);
  const std::string texts[] = {"ACC-9", "DX", "P-1", "Berg^Ann", "PROC-3", "CT01"};
  for (size_t n = 0; n < std::size(texts); ++n) codec().WriteText(expected, kText[n], texts[n]);
  EXPECT_EQ(sent[0].bytes, expected);

  // Omitted criteria: six empty texts and date 0.
  channel::WriteF64(expected, kDate, 0.0);
  for (size_t n = 0; n < std::size(texts); ++n) codec().WriteText(expected, kText[n], "");
  EXPECT_EQ(sent[1].bytes, expected);
}

TEST_F(WorklistTest, QueryResultIsTheNumberInTheFirstText) {
  Start();
  struct Case {
    const char* text;
    int32_t result;
  };
  for (const auto& c : {Case{"12", 12}, Case{"", 0}, Case{" 7 found", 7}, Case{"none", 0},
                        Case{"-3", -3}, Case{"2.5", 2}}) {
    AnswerGeneric([&] { return CountReply(c.text); });
    EXPECT_EQ(appl_->MWLQuery(), c.result) << '"' << c.text << '"';
  }
  AnswerGeneric([&] { return CountReply("99999999999"); });
  try {
    appl_->MWLQuery();
    FAIL() << "expected an automation error";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.number(), -100);
    EXPECT_EQ(error.source(), "Orvabridge.Appl.MWLQuery");
    EXPECT_EQ(error.description(), "Orvabridge.Appl.MWLQuery error 6\r\nOverflow");
  }
}

TEST_F(WorklistTest, QueryOutcomes) {
  Start();
  AnswerGeneric([&] { return CountReply("12"); }, command::kUserLogout);
  EXPECT_EQ(appl_->MWLQuery(), 0);
  serve_ = nullptr;
  EXPECT_EQ(appl_->MWLQuery(), -7);
  logged_in_ = false;
  EXPECT_EQ(appl_->MWLQuery(), -12);
  logged_in_ = true;
  serve_ = [this](const Request&) { CloseApplicationLater(); };
  EXPECT_EQ(appl_->MWLQuery(), -4);
  EXPECT_EQ(core().thread().target_window, peer_->control_window());
}

TEST_F(WorklistTest, RespPersonRequestChangesOnlySizeAndSubCommand) {
  Start();
  Person person;
  RespPerson(person);
  const auto sent = Sent(command::kGeneric);
  ASSERT_EQ(sent.size(), 1u);
  auto expected = AfterSession();
  channel::WriteI32(expected, kSubCommand, 1);
  EXPECT_EQ(sent[0].bytes, expected);
}

TEST_F(WorklistTest, RespPersonReplyFillsAllTenOutputsWhateverTheResult) {
  Start();
  int32_t result = 1;
  AnswerGeneric([&] {
    auto reply = SizedRecord(26236);
    channel::WriteI32(reply, kResult, result);
    channel::WriteI32(reply, kNumber1, 31);
    channel::WriteI32(reply, kNumber2, 2);
    const char* texts[] = {"AB", "Ann", "Berg", "Dr", "+49 1", "ab@x.org", "{G-1}", "aberg"};
    for (size_t n = 0; n < std::size(texts); ++n) codec().WriteText(reply, kText[n], texts[n]);
    return reply;
  });
  for (int32_t r : {1, 0}) {
    result = r;
    Person person;
    EXPECT_EQ(RespPerson(person), r);
    EXPECT_EQ(person.id, 31);
    EXPECT_EQ(person.type, 2);
    EXPECT_EQ(person.shortname, "AB");
    EXPECT_EQ(person.first, "Ann");
    EXPECT_EQ(person.last, "Berg");
    EXPECT_EQ(person.prefix, "Dr");
    EXPECT_EQ(person.contact, "+49 1");
    EXPECT_EQ(person.email, "ab@x.org");
    EXPECT_EQ(person.guid, "{G-1}");
    EXPECT_EQ(person.login, "aberg");
  }
  EXPECT_EQ(appl_->GetRespPerson(), 0);  // every output omitted
}

TEST_F(WorklistTest, RespPersonFailuresLeaveTheOutputsAlone) {
  Start();
  Person person;
  AnswerGeneric([&] { return AfterSession(); }, command::kSelectedImage);
  EXPECT_EQ(RespPerson(person), 0);
  ExpectUntouched(person, "other reply");
  serve_ = nullptr;
  EXPECT_EQ(RespPerson(person), -7);
  ExpectUntouched(person, "time-out");
  logged_in_ = false;
  EXPECT_EQ(RespPerson(person), -12);
  ExpectUntouched(person, "logged out");
  logged_in_ = true;
  serve_ = [this](const Request&) { CloseApplicationLater(); };
  EXPECT_EQ(RespPerson(person), -4);
  ExpectUntouched(person, "window gone");
  EXPECT_EQ(Sent(command::kGeneric).size(), 3u);  // the logged-out call sent nothing

  Start();
  BreakSessionReplies();
  try {
    RespPerson(person);
    FAIL() << "expected an automation error";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.source(), "Orvabridge.Appl.GetRespPerson");
    EXPECT_EQ(error.description(),
              "Orvabridge.Appl.GetRespPerson error -100\r\n"
              "Orvabridge.Appl.GetSessionInfo error 6\r\nOverflow");
  }
  ExpectUntouched(person, "session failure");
}

TEST_F(WorklistTest, GuardsOfBoth) {
  appl_ = MakeAppl();
  EXPECT_EQ(appl_->MWLQuery(), -4);
  EXPECT_EQ(appl_->GetRespPerson(), -4);
  // An application too old for session queries is asked without one.
  StartOld();
  AnswerGeneric([&] { return CountReply("4"); });
  EXPECT_EQ(appl_->MWLQuery(), 4);
  EXPECT_EQ(appl_->GetRespPerson(), 55);
  EXPECT_EQ(peer_->requests().size(), 2u);
  core().form_loaded = false;
  EXPECT_EQ(appl_->MWLQuery(), -1);
  EXPECT_EQ(appl_->GetRespPerson(), -1);
  core().form_loaded = true;
  core().reply_window = platform::WindowHandle();
  EXPECT_EQ(appl_->MWLQuery(), -2);
  EXPECT_EQ(appl_->GetRespPerson(), -2);
  StartOld();
  core().thread().control_message_id = 0;
  EXPECT_EQ(appl_->MWLQuery(), -3);
  EXPECT_EQ(appl_->GetRespPerson(), -3);
  EXPECT_TRUE(peer_->requests().empty());
}

}  // namespace
}  // namespace orvabridge::testing
