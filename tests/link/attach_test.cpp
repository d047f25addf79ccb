// Finding the imaging application: broadcast, reply 1002, stub mode, a missing application key.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "appcontrol/locate.h"
#include "appl/appl_access.h"
#include "link/appl_core.h"
#include "support/link_fixture.h"
#include "support/scripted_peer.h"

namespace orvabridge::testing {
namespace {

using ::testing::HasSubstr;

class AttachTest : public LinkTest {};

TEST_F(AttachTest, ASearchLooksOnceEvenWhenItsTimeIsAlreadyUp) {
  ScriptedPeer peer(*platform_);
  auto appl = MakeAppl(0.0);  // every limit is over as soon as it is set
  std::string name, version = "NoLaunch";
  EXPECT_EQ(appl->InitApplication(name, version), 1);
  EXPECT_EQ(name, "Orvanta");
  EXPECT_EQ(version, "3.1.1199");
  EXPECT_EQ(link::ThisThread().target_window, peer.control_window());
  EXPECT_EQ(peer.attach_requests(), 1u);
}

TEST_F(AttachTest, NoLaunchWithoutApplicationFailsButAnyOtherWordEntersStubMode) {
  auto appl = MakeAppl();
  std::string name = "stale", version = "NoLaunch";
  EXPECT_EQ(appl->InitApplication(name, version), -3);
  EXPECT_EQ(name, "");
  EXPECT_FALSE(link::ThisThread().stub_mode);

  // Only the exact word holds back the launch; with no executable known that means stub mode.
  version = "nolaunch";
  EXPECT_EQ(appl->InitApplication(name, version), 1);
  EXPECT_EQ(name, "OrvaStub");
  EXPECT_TRUE(link::ThisThread().stub_mode);
}

TEST_F(AttachTest, MatchingIgnoresTitleCaseAndFindsChildWindowsAndEveryMatchIsAsked) {
  ScriptedPeer::Options lower;
  lower.window_class = "ThunderMDIForm";
  lower.title = "orvantA lower case";
  ScriptedPeer design_time(*platform_, lower);

  ScriptedPeer::Options short_title;
  short_title.title = "Orva";  // shorter than the prefix "Orvant"
  ScriptedPeer too_short(*platform_, short_title);

  platform::WindowBlueprint host;
  host.class_name = "HostFrame";
  host.title = "Practice";
  auto& windows = platform_->Windows();
  const auto host_window = windows.MakeWindow(
      host, [](const platform::WindowMessage&) { return std::optional<intptr_t>{}; });
  ScriptedPeer embedded(*platform_);
  windows.SetParent(embedded.main_window(), host_window);

  auto appl = MakeAppl();
  std::string name, version = "NoLaunch";
  EXPECT_EQ(appl->InitApplication(name, version), 1);
  EXPECT_EQ(design_time.attach_requests(), 1u);
  EXPECT_EQ(too_short.attach_requests(), 0u);
  EXPECT_EQ(embedded.attach_requests(), 1u);
  const auto target = link::ThisThread().target_window;
  EXPECT_TRUE(target == design_time.control_window() || target == embedded.control_window());
  windows.DestroyWindow(host_window);
}

TEST_F(AttachTest, EveryWindowOfTheFirstClassIsAskedBeforeAnyOfTheSecondAtEveryDepth) {
  auto appl = MakeAppl();
  auto& core = CoreOf(*appl);
  auto& windows = platform_->Windows();
  // Windows of this thread: a notification runs their handler at once, in the search's order.
  std::vector<std::string> asked;
  const auto window = [&](const std::string& class_name, const std::string& title,
                          platform::WindowHandle parent) {
    platform::WindowBlueprint blueprint{class_name, title, parent,
                                        parent ? platform::kWsChild : 0u};
    return windows.MakeWindow(blueprint, [&asked, title, &core](const platform::WindowMessage& m) {
      if (m.id == core.thread().control_message_id) asked.push_back(title);
      return std::optional<intptr_t>{};
    });
  };
  const std::string a = appcontrol::kMainWindowClass, b = appcontrol::kDesignMainWindowClass;
  const auto first = window(a, "Orvanta 1", {});
  const auto frame = window(b, "Orvanta 2", {});
  const auto inner = window("HostPanel", "", frame);
  window(a, "Orvanta 3", window("HostPanel", "", inner));  // three levels down
  window(b, "Orvanta 4", first);
  window(a, "Other", frame);  // the title does not match

  const std::string classes[] = {a, b};
  appcontrol::FindControlWindows(core, "ORVANT", classes, core.reply_window().handle());
  // Newest top-level window first, each followed by its descendants.
  EXPECT_EQ(asked, (std::vector<std::string>{"Orvanta 3", "Orvanta 1", "Orvanta 2", "Orvanta 4"}));
  EXPECT_EQ(core.thread().search_class_name, b);
  windows.DestroyWindow(frame);
  windows.DestroyWindow(first);
}

TEST_F(AttachTest, EmptyApplicationKeyShowsTheErrorBoxAndFails) {
  Installation empty_key;
  empty_key.application_key = "";
  InstallClassLibrary(*platform_, empty_key);
  auto appl = MakeAppl();
  std::string name, version = "NoLaunch";
  EXPECT_EQ(appl->InitApplication(name, version), -3);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_THAT(boxes_[0].text, HasSubstr("Orvabridge.Appl.InitApplication error: 5 "));
}

}  // namespace
}  // namespace orvabridge::testing
