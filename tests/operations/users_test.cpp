// UserLogin, UserLoginEx, UserGroupLogin and UserLogout: the login record they send, the reply
// mapping, the argument checks, text-out lines and failures.
#include <gtest/gtest.h>

#include <deque>
#include <limits>
#include <tuple>

#include "environment/call_log.h"
#include "operations/attached_fixture.h"

namespace orvabridge::testing {
namespace {

namespace command = channel::command;
using channel::Field;

// Login record fields at literal offsets, so that a wrong layout cannot vouch for itself.
constexpr Field kResult{1604, 4}, kPrefix{1028, 64}, kFirst{1092, 256}, kLast{1348, 256},
    kMask{1884, 4}, kGroup{1888, 256}, kWorkstation{1624, 256};
// admin, approve, delete, edit, print, export, import, capture, ninth
constexpr Field kFlagFields[] = {{1608, 2}, {1610, 2}, {1612, 2}, {1614, 2}, {1616, 2},
                                 {1618, 2}, {1620, 2}, {1622, 2}, {1880, 2}};

class UsersTest : public AttachedTest {
 protected:
  struct Names {
    std::string prefix = "Mr", first = "Tom", last = "Hale";
  };
  // A login reply with `result` and the three names.
  std::vector<std::byte> LoginReply(int32_t result, const Names& names) const {
    auto record = SizedRecord(2144);
    channel::WriteI32(record, kResult, result);
    WriteTexts(codec(), record, {kPrefix, kFirst, kLast}, {names.prefix, names.first, names.last});
    return record;
  }
  void AnswerLogins(std::vector<std::byte> reply, uint32_t reply_code = 0) {
    Answer(
        0, [reply] { return reply; }, reply_code);
  }
  int32_t LoginEx(std::string name, int32_t rights, Names& names, int32_t change_rights = 0) {
    std::string password = "pw";
    return appl_->UserLoginEx(name, password, nullptr, nullptr, &names.prefix, &names.first,
                              &names.last, &change_rights, &rights);
  }
  int32_t GroupLogin(std::string name, std::string group, Names& names, int32_t change_rights = 0) {
    std::string password = "pw";
    return appl_->UserGroupLogin(name, password, group, nullptr, nullptr, &names.prefix,
                                 &names.first, &names.last, &change_rights);
  }
  std::vector<int16_t> Flags(const std::vector<std::byte>& record) const {
    std::vector<int16_t> flags;
    for (const auto& field : kFlagFields) flags.push_back(channel::ReadI16(record, field));
    return flags;
  }
};

TEST_F(UsersTest, UserLoginSendsEveryFieldOfItsForm) {
  std::string name = " ann ", password = "secret", admin = "root", admin_password = "toor",
              prefix = "Dr", first = "Ann", last = "Berg", workstation = "WS-1";
  int32_t change_rights = UseSpecifiedRights;
  bool yes = true, no = false;
  appl_->UserLogin(name, password, &admin, &admin_password, &prefix, &first, &last, &change_rights,
                   &no, &no, &no, &no, &no, &no, &no, &yes, &workstation);
  const auto sent = Sent(command::kUserLogin);
  ASSERT_EQ(sent.size(), 1u);
  auto expected = SizedRecord(2144);
  WriteTexts(codec(), expected,
             {{4, 256}, {260, 256}, {516, 256}, {772, 256}, kPrefix, kFirst, kLast, kWorkstation},
             {" ann ", "secret", "root", "toor", "Dr", "Ann", "Berg", "WS-1"});  // name untrimmed
  channel::WriteI32(expected, kResult, 2);
  channel::WriteI16(expected, kFlagFields[0], 1);
  EXPECT_EQ(sent[0].bytes, expected);
}

TEST_F(UsersTest, RightsMaskSetsItsFlagsAndFieldsAFormDoesNotSetKeepTheLastExchangesBytes) {
  // Each reply leaves a mark in the alignment gap that no request writes.
  serve_ = [this](const Request& request) {
    auto reply = request.bytes;
    reply[1882] = std::byte{0xAB};
    reply[1883] = std::byte{0xCD};
    peer_->Reply(request.reply_to, request.code, reply);
  };
  Names names;
  LoginEx("ann", 0x7FFFFE00 | 16 | 128, names);
  const auto mask = Sent(command::kUserLogin);
  ASSERT_EQ(mask.size(), 1u);
  // admin, approve, delete, edit, print, export, import, capture, ninth
  EXPECT_EQ(Flags(mask[0].bytes), (std::vector<int16_t>{0, 0, 0, 0, 0, 0, 1, 1, 0}));
  EXPECT_EQ(channel::ReadI32(mask[0].bytes, kMask), 0x7FFFFE00 | 16 | 128);
  LoginEx("ann", 267, names);  // 1 + 2 + 8 + 256
  GroupLogin("bob", "Dentists", names);
  const auto group = Sent(command::kUserGroupLogin);
  ASSERT_EQ(group.size(), 1u);
  // The group login sets no rights: the mask login's flags and mask are still there.
  EXPECT_EQ(Flags(group[0].bytes), (std::vector<int16_t>{1, 1, 0, 1, 0, 0, 0, 0, 1}));
  EXPECT_EQ(channel::ReadI32(group[0].bytes, kMask), 267);
  EXPECT_EQ(group[0].bytes[1882], std::byte{0xAB});
  EXPECT_EQ(codec().ReadText(group[0].bytes, kGroup), "Dentists");

  std::string name = "cid", password = "pw";
  bool yes = true;
  appl_->UserLogin(name, password, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &yes);
  const auto plain = Sent(command::kUserLogin);
  ASSERT_EQ(plain.size(), 3u);
  // Eight flags from the booleans; the ninth, the mask and the group stay as they were.
  EXPECT_EQ(Flags(plain[2].bytes), (std::vector<int16_t>{0, 1, 0, 0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(channel::ReadI32(plain[2].bytes, kMask), 267);
  EXPECT_EQ(codec().ReadText(plain[2].bytes, kGroup), "Dentists");
  EXPECT_EQ(plain[2].bytes[1883], std::byte{0xCD});
  // Omitted texts go out empty.
  EXPECT_EQ(codec().ReadText(plain[2].bytes, kPrefix), "");
  EXPECT_EQ(codec().ReadText(plain[2].bytes, kWorkstation), "");
}

TEST_F(UsersTest, BlankLoginNameAndUnknownChangeRightsAreRefused) {
  Names names;
  EXPECT_EQ(LoginEx("   ", 0, names), -5);
  EXPECT_EQ(LoginEx("ann", 0, names, 3), -6);
  EXPECT_EQ(GroupLogin("ann", "g", names, -1), -6);
  EXPECT_EQ(LoginEx(" ", 0, names, 3), -5);  // the name is checked first
  EXPECT_TRUE(peer_->requests().empty());
  EXPECT_EQ(names.first, "Tom");
}

TEST_F(UsersTest, GuardsComeBeforeTheArgumentChecksAndNoSessionIsAsked) {
  Names names;
  ExpectGuards([&] { return LoginEx("", 0, names); }, false);
  ExpectGuards([&] { return GroupLogin("ann", "g", names); }, false);
  ExpectGuards([this] { return appl_->UserLogout(); }, false);
}

TEST_F(UsersTest, ReplyResultAndNamesComeBackWithoutASessionCheck) {
  logged_in_ = false;  // logins do not ask who is logged in
  for (int32_t result : {1, -42}) {
    AnswerLogins(LoginReply(result, {"Dr", "Ann", "Berg"}));
    Names names;
    EXPECT_EQ(LoginEx("ann", 0, names), result);
    EXPECT_EQ(std::tie(names.prefix, names.first, names.last),
              std::make_tuple("Dr", "Ann", "Berg"));
    Names group;
    EXPECT_EQ(GroupLogin("ann", "", group), result);  // an empty group is no empty argument
    EXPECT_EQ(group.last, "Berg");
  }
  // Omitted name arguments simply drop what comes back.
  std::string name = "ann", password = "pw";
  EXPECT_EQ(appl_->UserLogin(name, password), -42);
  EXPECT_TRUE(Sent(command::kGeneric).empty());
}

TEST_F(UsersTest, OtherRepliesTimeOutsAndVanishingWindows) {
  Names names;
  AnswerLogins(LoginReply(1, {"X", "Y", "Z"}), command::kUserGroupLogin);
  EXPECT_EQ(LoginEx("ann", 0, names), 0);
  EXPECT_EQ(names.first, "Tom");

  serve_ = nullptr;
  EXPECT_EQ(LoginEx("ann", 0, names), -7);
  EXPECT_EQ(GroupLogin("ann", "g", names), -7);
  EXPECT_EQ(names.first, "Tom");

  // The group login does not watch the window: it runs into its deadline instead.
  serve_ = [this](const Request&) { CloseApplicationLater(); };
  EXPECT_EQ(GroupLogin("ann", "g", names), -7);
  Start();
  serve_ = [this](const Request&) { CloseApplicationLater(); };
  EXPECT_EQ(LoginEx("ann", 0, names), -4);
  EXPECT_EQ(core().thread().target_window, peer_->control_window());
  EXPECT_EQ(names.first, "Tom");
}

TEST_F(UsersTest, LogoutSendsNothingButItsCode) {
  std::vector<std::byte> reply = LoginReply(7, {});
  AnswerLogins(reply);
  EXPECT_EQ(appl_->UserLogout(), 7);
  const auto sent = Sent(command::kUserLogout);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_TRUE(sent[0].bytes.empty());
  EXPECT_TRUE(Sent(command::kGeneric).empty());

  // A reply too short to reach the result reads 0, not the last login's result.
  AnswerLogins(LoginReply(9, {}));
  Names names;
  ASSERT_EQ(LoginEx("ann", 0, names), 9);
  reply.resize(100);
  AnswerLogins(reply);
  EXPECT_EQ(appl_->UserLogout(), 0);

  AnswerLogins(reply, command::kUserLogin);
  EXPECT_EQ(appl_->UserLogout(), 0);
  serve_ = nullptr;
  EXPECT_EQ(appl_->UserLogout(), -5);
  serve_ = [this](const Request&) { CloseApplicationLater(); };
  EXPECT_EQ(appl_->UserLogout(), -4);
}

TEST_F(UsersTest, ANestedExchangeInsideTheLoginsSendLeavesTheLoginItsOwnAnswer) {
  // The application may ask for the responsible person before it answers a login: that exchange
  // runs inside the login's send, and each call must still get its own reply.
  int32_t person = 0;
  serve_ = [&](const Request& request) {
    if (request.code == command::kUserLogin) {
      appl_->GetRespPerson(&person);
      peer_->Reply(request.reply_to, command::kUserLogin, LoginReply(1, {"Dr", "A", "B"}));
    } else if (request.code == command::kGeneric) {
      auto reply = peer_->SessionRecord(true, 3);
      channel::WriteI32(reply, Field{12, 4}, 44);
      peer_->Reply(request.reply_to, command::kGeneric, reply);
    }
  };
  Names names;
  EXPECT_EQ(LoginEx("ann", 0, names), 1);
  EXPECT_EQ(person, 44);
  EXPECT_EQ(names.first, "A");
}

class UsersTextOutTest : public UsersTest {
 protected:
  void SetUp() override {
    UsersTest::SetUp();
    EnterTextOutMode();
    Detach();
  }
};

TEST_F(UsersTextOutTest, EachCallLogsItsLineAndSucceeds) {
  std::string name = "ann", password = "pw", prefix = "Dr", blank = "   ";
  int32_t change_rights = -2, lowest = std::numeric_limits<int32_t>::min();
  bool yes = true;
  EXPECT_EQ(
      appl_->UserLogin(name, password, nullptr, nullptr, &prefix, nullptr, nullptr, &change_rights,
                       &yes, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &yes),
      1);
  EXPECT_EQ(appl_->UserLogin(blank, password), 1);  // no argument checks in text-out mode
  EXPECT_EQ(appl_->UserLogin(name, password, nullptr, nullptr, nullptr, nullptr, nullptr, &lowest),
            1);
  const std::string none = " ; 0 ; 0 ; 0 ; 0 ; 0 ; 0 ; 0 ; 0 ; ";
  EXPECT_EQ(core().text_out().pending()->lines(),
            (std::deque<std::string>{
                "UserLogin ; ann ; pw ;  ;  ; Dr ;  ;  ; 2 ; 1 ; 0 ; 0 ; 0 ; 0 ; 0 ; 0 ; 1 ; ",
                "UserLogin ; " + blank + " ; pw ;  ;  ;  ;  ;  ; 0" + none,
                "UserLogin ; ann ; pw ;  ;  ;  ;  ;  ; 2147483648" + none,
            }));
  EXPECT_EQ(prefix, "Dr");  // outputs are not touched
}

}  // namespace
}  // namespace orvabridge::testing
