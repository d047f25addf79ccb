// The protocol table against what the library and the records do: every code of the table and
// only those is a code the dispatcher takes as a reply when the table says it is answered, and
// every record layout belongs to some code.
#include "channel/protocol.h"

#include <gtest/gtest.h>

#include <set>

#include "channel/dispatcher.h"
#include "support/latin1_code_page.h"

namespace orvabridge::channel {
namespace {

TEST(ProtocolTable, CodesAreUniqueNamedAndEveryRecordBelongsToOne) {
  std::set<uint32_t> codes;
  std::set<std::string_view> names;
  std::set<RecordKind> used;
  for (const CommandInfo& info : kCommands) {
    EXPECT_TRUE(codes.insert(info.code).second) << info.code << " twice";
    EXPECT_TRUE(names.insert(info.name).second) << info.name << " twice";
    EXPECT_TRUE(info.request || info.reply) << info.name << " is neither asked nor answered";
    if (info.request) used.insert(*info.request);
    if (info.reply) used.insert(*info.reply);
    if (info.reply_counts_at_exact_size) {
      EXPECT_TRUE(info.reply && RecordSize(*info.reply) > 0) << info.name;
    }
    // A request waits for its answer exactly when the channel knows one; the attach reply comes
    // to a broadcast, whose wait the search sets.
    if (info.request) {
      EXPECT_EQ(info.awaits_reply(), info.reply.has_value()) << info.name;
    } else {
      EXPECT_FALSE(info.awaits_reply()) << info.name;
    }
  }
  for (RecordKind kind :
       {RecordKind::kNone, RecordKind::kAttachReply, RecordKind::kFindPatient,
        RecordKind::kShortPatient, RecordKind::kExtendedPatient, RecordKind::kImageQuery,
        RecordKind::kImage, RecordKind::kImageCard, RecordKind::kLogin, RecordKind::kGeneric}) {
    EXPECT_EQ(used.count(kind), 1u) << "a record no code carries: " << static_cast<int>(kind);
  }
}

TEST(ProtocolTable, TheDispatcherTakesExactlyTheAnsweredCodes) {
  testing::Latin1CodePage code_page;
  const FieldCodec codec(code_page);
  auto holding = std::make_unique<ReplyHolding>();
  platform::WindowHandle target;
  ReplyDispatcher dispatcher(*holding, codec, target);
  for (uint32_t code = 900; code <= 1700; ++code) {
    const std::vector<std::byte> payload(ReplySize(code).value_or(8));
    const bool answered = ReplySize(code).has_value();
    EXPECT_EQ(dispatcher.Dispatch(platform::CopyData{code, payload}), answered) << code;
  }
}

}  // namespace
}  // namespace orvabridge::channel
