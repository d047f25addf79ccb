// GetRespPerson and MWLQuery over GenericRecord: what they send on top of the session reply,
// how the answer becomes their result, and their guards and failures.
#include <gtest/gtest.h>

#include <tuple>

#include "operations/attached_fixture.h"

namespace orvabridge::testing {
namespace {

namespace command = channel::command;
using channel::Field;

// GenericRecord fields at literal offsets, so that a wrong layout cannot vouch for itself.
constexpr Field kSubCommand{4, 4}, kResult{8, 4}, kNumber1{12, 4}, kNumber2{16, 4}, kNumber3{20, 4},
    kDate{56, 8};
constexpr Field kText[] = {{88, 256},    {344, 256},   {600, 256},   {856, 256},   {1112, 1024},
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
  std::vector<std::byte> CountReply(const std::string& count) {
    auto reply = AfterSession();
    channel::WriteI32(reply, kResult, 55);  // not the query's result
    codec().WriteText(reply, kText[0], count);
    return reply;
  }
  struct Person {
    int32_t id = -1, type = -1;
    std::string prefix = "k", first = "k", last = "k", guid = "k", shortname = "k", contact = "k",
                email = "k", login = "k";
    auto Tie() const {
      return std::tie(id, type, prefix, first, last, guid, shortname, contact, email, login);
    }
  };
  int32_t RespPerson(Person& p) {
    return appl_->GetRespPerson(&p.id, &p.prefix, &p.first, &p.last, &p.guid, &p.shortname,
                                &p.contact, &p.email, &p.login, &p.type);
  }
};

TEST_F(WorklistTest, RequestsWriteTheirFieldsOverTheSessionReply) {
  std::string pat_id = "P-1", pat_name = "Berg^Ann", acc = "ACC-9", proc = "PROC-3",
              station = "CT01", modality = "DX";
  double start = 45366.5;  // 15 March 2024, noon
  appl_->MWLQuery(&pat_id, &pat_name, &acc, &proc, &start, &station, &modality);
  appl_->MWLQuery();
  appl_->GetRespPerson();
  const auto sent = Sent(command::kGeneric);
  ASSERT_EQ(sent.size(), 3u);

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

  // GetRespPerson changes only the size and the sub-command.
  expected = AfterSession();
  channel::WriteI32(expected, kSubCommand, 1);
  EXPECT_EQ(sent[2].bytes, expected);
}

TEST_F(WorklistTest, QueryResultIsTheNumberInTheFirstText) {
  struct Case {
    const char* text;
    int32_t result;
  };
  for (const auto& c : {Case{"", 0}, Case{" 7 found", 7}, Case{"-3", -3}, Case{"2.5", 2}}) {
    Answer(command::kGeneric, [&] { return CountReply(c.text); });
    EXPECT_EQ(appl_->MWLQuery(), c.result) << '"' << c.text << '"';
  }
  Answer(command::kGeneric, [&] { return CountReply("99999999999"); });
  const auto error = ErrorOf([&] { appl_->MWLQuery(); });
  EXPECT_EQ(error.number(), -100);
  EXPECT_EQ(error.source(), "Orvabridge.Appl.MWLQuery");
  EXPECT_EQ(error.description(), "Orvabridge.Appl.MWLQuery error 6\r\nOverflow");
}

TEST_F(WorklistTest, RespPersonReplyFillsAllTenOutputsWhateverTheResult) {
  int32_t result;
  Answer(command::kGeneric, [&] {
    auto reply = SizedRecord(26236);
    channel::WriteI32(reply, kResult, result);
    channel::WriteI32(reply, kNumber1, 31);
    channel::WriteI32(reply, kNumber2, 2);
    const char* texts[] = {"AB", "Ann", "Berg", "Dr", "+49 1", "ab@x.org", "{G-1}", "aberg"};
    for (size_t n = 0; n < std::size(texts); ++n) codec().WriteText(reply, kText[n], texts[n]);
    return reply;
  });
  result = 0;
  Person person;
  EXPECT_EQ(RespPerson(person), 0);
  EXPECT_EQ(person.Tie(), std::make_tuple(31, 2, "Dr", "Ann", "Berg", "{G-1}", "AB", "+49 1",
                                          "ab@x.org", "aberg"));
  result = 1;
  EXPECT_EQ(appl_->GetRespPerson(), 1);  // every output omitted
}

TEST_F(WorklistTest, OutcomesWithoutAnAnswerLeaveTheOutputsAlone) {
  Person person;
  const std::pair<const char*, std::function<int32_t()>> methods[] = {
      {"MWLQuery", [&] { return appl_->MWLQuery(); }},
      {"GetRespPerson", [&] { return RespPerson(person); }}};
  for (const auto& [name, call] : methods) {
    SCOPED_TRACE(name);
    Answer(
        command::kGeneric, [&] { return CountReply("12"); }, command::kSelectedImage);
    EXPECT_EQ(call(), 0);
    serve_ = nullptr;
    EXPECT_EQ(call(), -7);
  }
  Start();
  BreakSessionReplies();
  const auto error = ErrorOf([&] { RespPerson(person); });
  EXPECT_EQ(error.source(), "Orvabridge.Appl.GetRespPerson");
  EXPECT_EQ(error.description(),
            "Orvabridge.Appl.GetRespPerson error -100\r\n"
            "Orvabridge.Appl.GetSessionInfo error 6\r\nOverflow");
  EXPECT_EQ(person.Tie(), Person{}.Tie());
}

TEST_F(WorklistTest, GuardsOfBoth) {
  ExpectGuards([this] { return appl_->MWLQuery(); });
  ExpectGuards([this] { return appl_->GetRespPerson(); });
}

}  // namespace
}  // namespace orvabridge::testing
