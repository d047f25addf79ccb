// Showing patients and other objects: requests, confirmation by polling the current patient,
// generic results, bringing the window to the front, and the maximize rule for version 3.0.
#include <gtest/gtest.h>

#include <deque>
#include <tuple>

#include "environment/call_log.h"
#include "operations/attached_fixture.h"

namespace orvabridge::testing {
namespace {

namespace command = channel::command;
namespace generic = channel::generic;
using channel::Field;

// An imaging application with a current patient that answers show-object requests. The control
// window starts hidden; bringing it to the front shows it, and every current-patient poll notes
// whether it was shown and hides it again, so the test can count the pushes.
class NavigationTest : public AttachedTest {
 protected:
  void SetUp() override {
    AttachedTest::SetUp();
    serve_ = [this](const Request& request) {
      auto& windows = platform_->Windows();
      if (request.code == command::kCurrentPatient) {
        ++polls_;
        shown_at_poll_.push_back(windows.IsVisible(peer_->control_window()));
        windows.ShowWindow(peer_->control_window(), platform::kSwHide);
        if (on_poll_) on_poll_(polls_);
        if (!windows.IsWindow(peer_->control_window())) return;
        std::vector<std::byte> record(channel::patient::kShortSize);
        codec().WriteText(record, channel::patient::kId, current_);
        peer_->Reply(request.reply_to, command::kCurrentPatient, record);
      } else if (request.code == command::kGeneric && object_reply_code_ != 0) {
        std::vector<std::byte> record(generic::kSize);
        channel::WriteI32(record, generic::kNumber0, object_result_);
        peer_->Reply(request.reply_to, object_reply_code_, record);
      }
    };
  }

  // How often the window was brought to the front (shown between two polls, and at the end).
  int Pushes() const {
    int pushes = platform_->Windows().IsVisible(peer_->control_window()) ? 1 : 0;
    for (bool shown : shown_at_poll_) pushes += shown ? 1 : 0;
    return pushes;
  }

  int32_t ShowPatientEx(std::string id, int32_t options) {
    const std::string id_before = id;
    const int32_t options_before = options;
    const int32_t result = appl_->ShowPatientEx(id, options);
    EXPECT_EQ(id, id_before);
    EXPECT_EQ(options, options_before);
    return result;
  }
  int32_t ShowObject(soObjectTypes type, int32_t db_id, std::string uid, int32_t options) {
    return appl_->ShowObject(type, db_id, &uid, &options);
  }

  std::string current_;
  uint32_t object_reply_code_ = command::kGeneric;  // 0: never answers
  int32_t object_result_ = 1;
  int polls_ = 0;
  std::vector<bool> shown_at_poll_;
  std::function<void(int)> on_poll_;
};

// Options 0 bring the window to the front for a named patient only, 1 always, anything else
// never; a confirmed show is pushed after sending and again once confirmed.
TEST_F(NavigationTest, ShowPatientRequestConfirmationAndBringToFront) {
  struct Case {
    const char *current, *id;
    int32_t options, result;
    int pushes;
  };
  // Unconfirmed (OTHER) gives 0, not a time-out; an empty id is confirmed at once when no
  // patient is open.
  const Case cases[] = {{"P-1", "P-1", 0, 1, 2},
                        {"OTHER", "P-1", 1, 0, 1},
                        {"P-9", "P-9", -5, 1, 0},
                        {"", "", 1, 1, 2},
                        {"", "", 0, 1, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << '"' << c.id << "\" options " << c.options);
    Start();
    polls_ = 0;
    shown_at_poll_.clear();
    current_ = c.current;
    EXPECT_EQ(ShowPatientEx(c.id, c.options), c.result);
    EXPECT_EQ(Pushes(), c.pushes);
    EXPECT_EQ(shown_at_poll_.at(0), c.pushes > 0);  // pushed before the first poll
    EXPECT_TRUE(c.result != 1 || polls_ == 1);
    const auto shows = Sent(command::kShowPatient);
    ASSERT_EQ(shows.size(), 1u);
    auto expected = SizedRecord(584);
    WriteTexts(codec(), expected, {{4, 64}, {68, 256}}, {c.id, std::to_string(c.options)});
    EXPECT_EQ(shows[0].bytes, expected);
  }
}

TEST_F(NavigationTest, LaterPollsConfirmTheShowOrSeeTheWindowGo) {
  Start({}, 0.1);  // room for a few polls before the time limit
  current_ = "OLD";
  on_poll_ = [this](int poll) {
    if (poll == 3) current_ = "NEW";
  };
  EXPECT_EQ(ShowPatientEx("NEW", 0), 1);
  EXPECT_EQ(polls_, 3);

  polls_ = 0;
  current_ = "OLD";
  on_poll_ = [this](int poll) {
    if (poll == 2) peer_->DestroyWindows();
  };
  EXPECT_EQ(ShowPatientEx("NEW", 2), -4);
  EXPECT_EQ(polls_, 2);
  EXPECT_EQ(core().thread().target_window, peer_->control_window());  // forgotten only later
}

TEST_F(NavigationTest, OnlyVersion30IsMaximizedAndOnlyWhenBroughtToFront) {
  const std::tuple<int, int32_t, bool> cases[] = {{0, 1, true}, {0, 2, false}, {1, 1, false}};
  for (const auto& [minor, options, maximized] : cases) {
    SCOPED_TRACE(::testing::Message() << "3." << minor << ", options " << options);
    ScriptedPeer::Options version;
    version.version[1] = minor;
    version.version[2] = 4;
    Start(version);
    current_ = "P-1";
    EXPECT_EQ(ShowPatientEx("P-1", options), 1);
    EXPECT_EQ(platform_->Windows().IsZoomed(peer_->control_window()), maximized);
    Start(version);  // a fresh window for the generic path
    EXPECT_EQ(ShowObject(otImage, 12, "", options), 1);
    EXPECT_EQ(platform_->Windows().IsZoomed(peer_->control_window()), maximized);
  }
}

TEST_F(NavigationTest, GuardsOfBoth) {
  ExpectGuards([this] { return ShowPatientEx("P-1", 1); });
  ExpectGuards([this] { return ShowObject(otImage, 3, "", 1); });
}

TEST_F(NavigationTest, FailingSessionCheckRaisesTheMethodsError) {
  BreakSessionReplies();
  std::string id = "P-1";
  EXPECT_EQ(ErrorOf([&] { appl_->ShowPatient(id); }).source(), "Orvabridge.Appl.ShowPatientEx");
  const auto error = ErrorOf([&] { ShowObject(otSeries, 5, "P-1", 0); });
  EXPECT_EQ(error.number(), -100);
  EXPECT_EQ(error.source(), "Orvabridge.Appl.ShowObject");
  EXPECT_EQ(error.description(),
            "Orvabridge.Appl.ShowObject error -100\r\n"
            "Orvabridge.Appl.GetSessionInfo error 6\r\nOverflow");
}

TEST_F(NavigationTest, TextOutLogsShowPatientButShowObjectStillChecksAndSends) {
  EnterTextOutMode();
  Start();
  std::string id = "P-1";
  EXPECT_EQ(appl_->ShowPatient(id), 1);
  EXPECT_EQ(core().text_out().pending()->lines(),
            (std::deque<std::string>{"InitApplication ;  ; NoLaunch", "ShowPatientEx ; P-1 ; 0"}));
  EXPECT_TRUE(peer_->requests().empty());

  link::ThisThread().target_window = peer_->control_window();
  object_result_ = 3;
  EXPECT_EQ(ShowObject(otSeries, 44, "", 0), 3);
  EXPECT_EQ(peer_->requests().size(), 2u);  // session and show
}

TEST_F(NavigationTest, ShowObjectFillsItsFieldsAndLeavesTheRestOfTheGenericRecord) {
  StartOld();  // nothing else touches the generic record in between
  auto& record = core().holding().generic_record;
  std::fill(record.begin(), record.end(), std::byte{0x5A});
  object_result_ = -33;
  EXPECT_EQ(ShowObject(otImagecard, 77, "1.2.840.99", -9), -33);
  const auto shows = Sent(command::kGeneric);
  ASSERT_EQ(shows.size(), 1u);
  std::vector<std::byte> expected(26236, std::byte{0x5A});
  for (const auto& [offset, value] : {std::pair{0, 26236}, {4, 2}, {8, 2}, {12, 77}, {16, -9}}) {
    channel::WriteI32(expected, Field{static_cast<size_t>(offset), 4}, value);
  }
  codec().WriteText(expected, Field{88, 256}, "1.2.840.99");
  EXPECT_EQ(shows[0].bytes, expected);
}

TEST_F(NavigationTest, PatientsGoThroughShowPatientExUnlessADatabaseNumberIsGiven) {
  EXPECT_EQ(ShowObject(otPatient, 15, "P-1", 2), 1);
  EXPECT_TRUE(Sent(command::kShowPatient).empty());
  EXPECT_EQ(polls_, 0);
  // Not confirmed: ShowPatientEx pushes once after sending, ShowObject once more for the 0.
  current_ = "OTHER";
  EXPECT_EQ(ShowObject(otPatient, 0, "P-1", 1), 0);
  EXPECT_EQ(Pushes(), 2);
  EXPECT_TRUE(shown_at_poll_.at(0));
  const auto shows = Sent(command::kShowPatient);
  ASSERT_EQ(shows.size(), 1u);
  EXPECT_EQ(codec().ReadText(shows[0].bytes, channel::find_patient::kPatientId), "P-1");
  EXPECT_EQ(codec().ReadText(shows[0].bytes, channel::find_patient::kOptions), "1");
  EXPECT_EQ(Sent(command::kGeneric).size(), 1u);  // the numbered patient only
}

TEST_F(NavigationTest, GenericOutcomesMapToResults) {
  object_result_ = 0;
  EXPECT_EQ(ShowObject(otSeries, 3, "", 0), 0);
  EXPECT_EQ(Pushes(), 1);
  platform_->Windows().ShowWindow(peer_->control_window(), platform::kSwHide);

  object_reply_code_ = command::kCurrentPatient;
  EXPECT_EQ(ShowObject(otSeries, 3, "", 0), -7);
  EXPECT_EQ(Pushes(), 1);  // brought to the front after any reply
  platform_->Windows().ShowWindow(peer_->control_window(), platform::kSwHide);

  object_reply_code_ = 0;
  EXPECT_EQ(ShowObject(otSeries, 3, "", 1), -6);
  EXPECT_EQ(Pushes(), 0);  // a time-out leaves the window alone
  object_reply_code_ = command::kGeneric;
  EXPECT_EQ(ShowObject(otSeries, 0, "", 2), 0);
  EXPECT_EQ(Pushes(), 0);

  serve_ = [this](const Request&) { peer_->DestroyWindows(); };
  EXPECT_EQ(ShowObject(otImage, 3, "", 1), -4);
  EXPECT_EQ(core().thread().target_window, peer_->control_window());  // forgotten only later
}

}  // namespace
}  // namespace orvabridge::testing
