// Showing patients and other objects: the requests at their offsets, confirmation by polling the
// current patient, the results of the generic exchange, bringing the window to the front, and the
// maximize rule for version 3.0.

#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <tuple>

#include "channel/records.h"
#include "environment/call_log.h"
#include "link/appl_core.h"
#include "operations/request_bytes.h"
#include "support/link_fixture.h"
#include "support/scripted_peer.h"

namespace orvabridge::testing {
namespace {

namespace command = channel::command;
namespace generic = channel::generic;

// An imaging application with a current patient, answering sessions and show-object requests.
// The control window starts hidden; bringing it to the front shows it, and every current-patient
// poll notes whether it was shown and hides it again, so the test can count the pushes.
class NavigationTest : public LinkTest {
 protected:
  void StartImaging(ScriptedPeer::Options options = {}) {
    peer_ = std::make_unique<ScriptedPeer>(*platform_, options);
    peer_->on_request = [this](const ScriptedPeer::Request& request) { Serve(request); };
  }
  void SetUp() override {
    LinkTest::SetUp();
    StartImaging();
  }
  // An application too old for session queries: the session check sends nothing.
  void StartOldImaging() {
    ScriptedPeer::Options old;
    old.version[2] = 1000;
    StartImaging(old);
  }
  void TearDown() override {
    appl_.reset();
    peer_.reset();
    LinkTest::TearDown();
  }
  void Connect(double scale = 0.001) {
    appl_ = MakeAppl(scale);
    Attach(*appl_);
  }

  void Serve(const ScriptedPeer::Request& request) {
    auto& windows = platform_->Windows();
    if (request.code == command::kCurrentPatient) {
      ++polls_;
      shown_at_poll_.push_back(windows.IsVisible(peer_->control_window()));
      windows.ShowWindow(peer_->control_window(), platform::kSwHide);
      if (on_poll_) on_poll_(polls_);
      if (!windows.IsWindow(peer_->control_window())) return;
      std::vector<std::byte> record(channel::patient::kShortSize);
      peer_->codec().WriteText(record, channel::patient::kId, current_);
      peer_->codec().WriteText(record, channel::patient::kFirstName, "Someone");
      peer_->Reply(request.reply_to, command::kCurrentPatient, record);
      return;
    }
    if (request.code != command::kGeneric) return;
    const int32_t sub = channel::ReadI32(request.bytes, generic::kSubCommand);
    if (sub == generic::kSessionInfo) {
      peer_->Reply(request.reply_to, command::kGeneric, peer_->SessionRecord(logged_in_));
    } else if (sub == generic::kShowObject && object_reply_code_ != 0) {
      std::vector<std::byte> record(generic::kSize);
      channel::WriteI32(record, generic::kNumber0, object_result_);
      peer_->Reply(request.reply_to, object_reply_code_, record);
    }
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
    const int32_t result = appl_->ShowObject(type, db_id, &uid, &options);
    return result;
  }

  std::unique_ptr<ScriptedPeer> peer_;
  std::unique_ptr<Appl> appl_;
  std::string current_;
  bool logged_in_ = true;
  uint32_t object_reply_code_ = command::kGeneric;  // 0: never answers
  int32_t object_result_ = 1;
  int polls_ = 0;
  std::vector<bool> shown_at_poll_;
  std::function<void(int)> on_poll_;
};

// ---- ShowPatientEx: request and confirmation ----

TEST_F(NavigationTest, ShowPatientRequestCarriesTheIdAndTheOptionsAsText) {
  Connect();
  current_ = "P-9";
  EXPECT_EQ(ShowPatientEx("P-9", -5), 1);
  EXPECT_EQ(ShowPatientEx("P-9", 7), 1);
  const auto shows = RequestsWith(*peer_, command::kShowPatient);
  ASSERT_EQ(shows.size(), 2u);
  EXPECT_TRUE(
      SameBytes(shows[0].bytes,
                ExpectedRecord(584).I32(0, 584).Text(4, 64, "P-9").Text(68, 256, "-5").bytes()));
  EXPECT_TRUE(
      SameBytes(shows[1].bytes,
                ExpectedRecord(584).I32(0, 584).Text(4, 64, "P-9").Text(68, 256, "7").bytes()));
}

TEST_F(NavigationTest, SwitchSeenOnALaterPollConfirmsTheShow) {
  Connect(0.1);  // room for a few polls before the time limit
  current_ = "OLD";
  on_poll_ = [this](int poll) {
    if (poll == 3) current_ = "NEW";
  };
  EXPECT_EQ(ShowPatientEx("NEW", 0), 1);
  EXPECT_EQ(polls_, 3);
}

TEST_F(NavigationTest, PatientNeverShownGivesZeroNotATimeout) {
  Connect();
  current_ = "OTHER";
  EXPECT_EQ(ShowPatientEx("NEW", 0), 0);
}

TEST_F(NavigationTest, EmptyIdIsConfirmedAtOnceWhenNoPatientIsOpen) {
  Connect();
  EXPECT_EQ(ShowPatientEx("", 0), 1);
  EXPECT_EQ(polls_, 1);
  EXPECT_EQ(Pushes(), 0);
  EXPECT_EQ(RequestsWith(*peer_, command::kShowPatient).size(), 1u);
}

TEST_F(NavigationTest, ImagingWindowClosedDuringPollingGivesMinusFour) {
  Connect(0.1);
  current_ = "OLD";
  const auto target = link::ThisThread().target_window;
  on_poll_ = [this](int poll) {
    if (poll == 2) peer_->DestroyWindows();
  };
  EXPECT_EQ(ShowPatientEx("NEW", 2), -4);
  EXPECT_EQ(polls_, 2);
  EXPECT_EQ(link::ThisThread().target_window, target);  // the next call's check clears it
}

// ---- bring to front ----

TEST_F(NavigationTest, ConfirmedShowBringsTheWindowToTheFrontTwice) {
  Connect();
  current_ = "P-1";
  EXPECT_EQ(ShowPatientEx("P-1", 0), 1);
  EXPECT_EQ(Pushes(), 2);
  EXPECT_TRUE(shown_at_poll_.at(0));
}

TEST_F(NavigationTest, UnconfirmedShowBringsTheWindowToTheFrontOnce) {
  Connect();
  current_ = "OTHER";
  EXPECT_EQ(ShowPatientEx("P-1", 1), 0);
  EXPECT_EQ(Pushes(), 1);
  EXPECT_TRUE(shown_at_poll_.at(0));
}

TEST_F(NavigationTest, OptionsDecideBringToFront) {
  Connect();
  current_ = "P-1";
  EXPECT_EQ(ShowPatientEx("P-1", 7), 1);
  EXPECT_EQ(Pushes(), 0);
  current_ = "";
  EXPECT_EQ(ShowPatientEx("", 1), 1);
  EXPECT_EQ(Pushes(), 2);
}

class NavigationVersionTest : public NavigationTest,
                              public ::testing::WithParamInterface<std::tuple<int, int32_t, bool>> {
};

TEST_P(NavigationVersionTest, OnlyVersion30IsMaximizedAndOnlyWhenBroughtToFront) {
  const auto [minor, options, maximized] = GetParam();
  ScriptedPeer::Options version;
  version.version[1] = minor;
  version.version[2] = 4;
  StartImaging(version);
  Connect();
  current_ = "P-1";
  EXPECT_EQ(ShowPatientEx("P-1", options), 1);
  EXPECT_EQ(platform_->Windows().IsZoomed(peer_->control_window()), maximized);

  StartImaging(version);  // a fresh window for the generic path
  Connect();
  EXPECT_EQ(ShowObject(otImage, 12, "", options), 1);
  EXPECT_EQ(platform_->Windows().IsZoomed(peer_->control_window()), maximized);
}

INSTANTIATE_TEST_SUITE_P(Versions, NavigationVersionTest,
                         ::testing::Values(std::make_tuple(0, 1, true),
                                           std::make_tuple(0, 2, false),
                                           std::make_tuple(1, 1, false)));

// ---- ShowPatientEx: guards, text-out, failures ----

TEST_F(NavigationTest, GuardsStopTheShowBeforeAnythingIsSent) {
  Connect();
  logged_in_ = false;
  EXPECT_EQ(ShowPatientEx("P-1", 1), -12);
  EXPECT_TRUE(RequestsWith(*peer_, command::kShowPatient).empty());
  EXPECT_EQ(Pushes(), 0);

  // Too old for session queries, so that the link checks are reached.
  StartOldImaging();
  Connect();
  auto& core = appl_->core();
  core.form_loaded = false;
  EXPECT_EQ(ShowPatientEx("P-1", 1), -1);
  core.form_loaded = true;
  const auto reply_window = core.reply_window;
  core.reply_window = platform::WindowHandle();
  EXPECT_EQ(ShowPatientEx("P-1", 1), -2);
  core.reply_window = reply_window;
  auto& message_id = link::ThisThread().control_message_id;
  const auto saved_id = message_id;
  message_id = 0;
  EXPECT_EQ(ShowPatientEx("P-1", 1), -3);
  EXPECT_EQ(ShowObject(otImage, 3, "", 1), -3);
  message_id = saved_id;

  EXPECT_TRUE(peer_->requests().empty());
  EXPECT_EQ(polls_, 0);
  EXPECT_EQ(Pushes(), 0);

  peer_->DestroyWindows();
  EXPECT_EQ(ShowPatientEx("P-1", 1), -4);
  EXPECT_FALSE(link::ThisThread().target_window);
}

TEST_F(NavigationTest, FailingSessionCheckRaisesTheMethodsError) {
  Connect();
  peer_->on_request = [this](const ScriptedPeer::Request& request) {
    auto record = peer_->SessionRecord(true);
    channel::WriteI32(record, generic::kNumber3, 100000);  // login method does not fit
    peer_->Reply(request.reply_to, command::kGeneric, record);
  };
  std::string id = "P-1";
  int32_t options = 0;
  try {
    appl_->ShowPatient(id);
    FAIL() << "no error raised";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.number(), -100);
    EXPECT_EQ(error.source(), "Orvabridge.Appl.ShowPatientEx");
  }
  soObjectTypes type = otSeries;
  int32_t db_id = 5;
  try {
    appl_->ShowObject(type, db_id, &id, &options);
    FAIL() << "no error raised";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.number(), -100);
    EXPECT_EQ(error.source(), "Orvabridge.Appl.ShowObject");
    EXPECT_EQ(error.description().rfind("Orvabridge.Appl.ShowObject error -100\r\n", 0), 0u);
  }
}

class NavigationTextOutTest : public NavigationTest {
 protected:
  void SetUp() override {
    NavigationTest::SetUp();
    const std::string folder = "C:\\txtout-" + std::to_string(std::random_device{}());
    platform_->Files().CreateFolder(folder);
    SetMachineSetting("Orvabridge", "OrvabridgeTXTOUT", folder);
  }
};

TEST_F(NavigationTextOutTest, ShowPatientOnlyLogsItsCall) {
  appl_ = MakeAppl();
  std::string id = "P-1";
  EXPECT_EQ(appl_->ShowPatient(id), 1);
  EXPECT_EQ(ShowPatientEx("", -3), 1);
  const std::deque<std::string> expected = {"ShowPatientEx ; P-1 ; 0", "ShowPatientEx ;  ; -3"};
  EXPECT_EQ(appl_->core().call_log->lines(), expected);
  EXPECT_TRUE(peer_->requests().empty());
}

TEST_F(NavigationTextOutTest, ShowObjectStillChecksAndSends) {
  appl_ = MakeAppl();
  link::ThisThread().target_window = peer_->control_window();
  appl_->core().application_version = "3.1.1199";
  object_result_ = 3;
  EXPECT_EQ(ShowObject(otSeries, 44, "", 0), 3);
  EXPECT_EQ(RequestsWith(*peer_, command::kGeneric).size(), 2u);  // session and show
  logged_in_ = false;
  EXPECT_EQ(ShowObject(otSeries, 44, "", 0), -12);
}

// ---- ShowObject ----

TEST_F(NavigationTest, ShowObjectFillsItsFieldsAndLeavesTheRestOfTheGenericRecord) {
  StartOldImaging();  // nothing else touches the generic record in between
  Connect();
  auto& record = appl_->core().holding().generic_record;
  std::fill(record.begin(), record.end(), std::byte{0x5A});
  object_result_ = -33;
  EXPECT_EQ(ShowObject(otImagecard, 77, "1.2.840.99", -9), -33);
  const auto shows = RequestsWith(*peer_, command::kGeneric);
  ASSERT_EQ(shows.size(), 1u);
  EXPECT_TRUE(SameBytes(shows[0].bytes, ExpectedRecord(26236, std::byte{0x5A})
                                            .I32(0, 26236)
                                            .I32(4, 2)
                                            .I32(8, 2)
                                            .I32(12, 77)
                                            .I32(16, -9)
                                            .Text(88, 256, "1.2.840.99")
                                            .bytes()));
}

TEST_F(NavigationTest, PatientWithADatabaseNumberUsesTheGenericExchange) {
  Connect();
  object_result_ = 1;
  EXPECT_EQ(ShowObject(otPatient, 15, "P-1", 2), 1);
  EXPECT_TRUE(RequestsWith(*peer_, command::kShowPatient).empty());
  EXPECT_EQ(polls_, 0);
}

TEST_F(NavigationTest, PatientByIdentifierAloneGoesThroughShowPatientEx) {
  Connect();
  current_ = "OTHER";
  // Not confirmed: ShowPatientEx pushes once after sending, ShowObject once more for the 0.
  EXPECT_EQ(ShowObject(otPatient, 0, "P-1", 1), 0);
  EXPECT_EQ(Pushes(), 2);
  EXPECT_TRUE(shown_at_poll_.at(0));
  const auto shows = RequestsWith(*peer_, command::kShowPatient);
  ASSERT_EQ(shows.size(), 1u);
  EXPECT_EQ(peer_->codec().ReadText(shows[0].bytes, channel::find_patient::kPatientId), "P-1");
  EXPECT_EQ(peer_->codec().ReadText(shows[0].bytes, channel::find_patient::kOptions), "1");
  for (const auto& request : RequestsWith(*peer_, command::kGeneric)) {
    EXPECT_EQ(channel::ReadI32(request.bytes, generic::kSubCommand), generic::kSessionInfo);
  }
}

TEST_F(NavigationTest, OmittedIdentifierAndOptions) {
  Connect();
  soObjectTypes type = otPatient;
  int32_t db_id = 0;
  EXPECT_EQ(appl_->ShowObject(type, db_id), 1);  // empty patient, none open: confirmed
  EXPECT_EQ(Pushes(), 0);
  const auto shows = RequestsWith(*peer_, command::kShowPatient);
  ASSERT_EQ(shows.size(), 1u);
  EXPECT_EQ(peer_->codec().ReadText(shows[0].bytes, channel::find_patient::kOptions), "0");
}

TEST_F(NavigationTest, GenericOutcomesMapToResults) {
  Connect();
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
  object_result_ = 1;
  EXPECT_EQ(ShowObject(otSeries, 0, "", 2), 1);
  EXPECT_EQ(Pushes(), 0);
}

TEST_F(NavigationTest, ShowObjectGuardsAndVanishingWindow) {
  Connect();
  logged_in_ = false;
  EXPECT_EQ(ShowObject(otImage, 3, "", 1), -12);
  logged_in_ = true;
  EXPECT_EQ(RequestsWith(*peer_, command::kGeneric).size(), 1u);  // the session check only

  // The window goes while the show waits for its reply.
  const auto target = link::ThisThread().target_window;
  object_reply_code_ = 0;
  peer_->on_request = [this](const ScriptedPeer::Request& request) {
    if (channel::ReadI32(request.bytes, generic::kSubCommand) == generic::kShowObject) {
      peer_->DestroyWindows();
    } else {
      Serve(request);
    }
  };
  EXPECT_EQ(ShowObject(otImage, 3, "", 1), -4);
  EXPECT_EQ(link::ThisThread().target_window, target);
  EXPECT_EQ(ShowObject(otImage, 3, "", 1), -4);
  EXPECT_FALSE(link::ThisThread().target_window);
}

}  // namespace
}  // namespace orvabridge::testing
