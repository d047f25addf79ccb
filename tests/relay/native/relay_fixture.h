// The relay on the in-process desktop: a host in text-out mode writes its calls, the relay
// replays them against the simulated imaging application, and what reached the application is
// counted, so that a line replayed twice or lost shows.
#pragma once

#include <gtest/gtest.h>

#include <condition_variable>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "appl/appl_access.h"
#include "channel/records.h"
#include "inbox.h"
#include "link/thread_state.h"
#include "platform/desk/desktop.h"
#include "platform/program_control.h"
#include "relay.h"
#include "sim/desk_install.h"
#include "support/thread_runner.h"
#include "workbench/desk_workbench.h"

namespace orvabridge::relay {

using namespace std::chrono_literals;
namespace command = channel::command;

inline constexpr const char* kFolder = "C:\\txtout";
inline constexpr const char* kSettingsKey = "Software\\Orvadent\\Orvanta\\Orvabridge";

// What the tests throw where a kill would end the relay.
struct Killed {};

// A string value of the registry, or nullopt when there is none.
inline std::optional<std::string> RegistryText(platform::Platform& platform,
                                               platform::RegistryRoot root, const char* key_path,
                                               const char* name) {
  const auto key = platform.Reg().OpenKey(root, key_path, platform::kKeyRead);
  if (!key) return std::nullopt;
  std::string data(1024, '\0');
  uint32_t type = 0, length = static_cast<uint32_t>(data.size());
  if (key->QueryValue(name, type, reinterpret_cast<std::byte*>(data.data()), length) !=
      platform::RegStatus::kOk) {
    return std::nullopt;
  }
  data.resize(length);
  while (!data.empty() && data.back() == '\0') data.pop_back();
  return data;
}

class RelayNative : public ::testing::Test {
 protected:
  void SetUp() override {
    link::ResetThisThread();
    platform::ClearStopRequest();
    desktop_ = platform::desk::Desktop::Create();
    workbench_ = orvactl::MakeDeskWorkbench(desktop_);
    platform_ = workbench_->Platform();
    platform_->Files().CreateFolder(kFolder);
    workstation_ = platform_->System().ComputerName();
    directory_ = std::string(kFolder) + "\\" + workstation_ + "\\";
  }

  void TearDown() override {
    workbench_.reset();
    link::ResetThisThread();
    platform::ClearStopRequest();
  }

  void TextOut(bool on) {
    desktop_->SetRegistryString(platform::RegistryRoot::kLocalMachine, kSettingsKey,
                                "OrvabridgeTXTOUT", on ? kFolder : "");
  }

  // A host on the terminal server: its calls go to the text-out file, written out at the latest
  // when its object goes away. It runs on a thread of its own, as another process would.
  void AsHost(const std::function<void(Appl&)>& calls) {
    testing::ThreadRunner host(platform_->Windows());
    TextOut(true);
    host.Call([&] {
      const auto appl = ApplAccess::Make(platform_);
      ASSERT_TRUE(appl->ToFile());
      calls(*appl);
    });
    TextOut(false);
  }

  static void AddPatient(Appl& appl, std::string id, std::string last_name) {
    std::string first = "Ada", sex = "F", empty, birth = "10.12.1815", others = "X-" + id;
    ASSERT_EQ(appl.AddPatientEx(id, first, last_name, sex, empty, empty, empty, empty, empty, birth,
                                empty, others),
              1);
  }

  RelayOptions Options() const {
    RelayOptions options;
    options.folder = kFolder;
    options.workstation = workstation_;
    options.once = true;
    options.poll = 20ms;
    options.first_retry = 10ms;
    options.longest_retry = 40ms;
    options.folder_retry = 10ms;
    return options;
  }

  // Runs a relay with its own Appl on this thread, as orva-relay does.
  RelayEnd Replay(RelayOptions options) {
    const auto appl = ApplAccess::Make(platform_);
    Relay relay(std::move(options), *platform_, *appl, [this](const std::string& event) {
      std::lock_guard lock(log_mutex_);
      log_ << event << "\n";
      logged_.notify_all();
    });
    const RelayEnd end = relay.Run();
    replayed_ += relay.replayed();
    set_aside_ += relay.set_aside();
    return end;
  }
  RelayEnd Replay() { return Replay(Options()); }

  std::string Log() {
    std::lock_guard lock(log_mutex_);
    return log_.str();
  }
  // Waits, for a relay on another thread, until the log holds `text` `times` times.
  bool WaitForLog(const std::string& text, size_t times = 1) {
    std::unique_lock lock(log_mutex_);
    return logged_.wait_for(lock, 30s, [&] { return Count(log_.str(), text) >= times; });
  }
  static size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
      ++count;
    }
    return count;
  }

  std::shared_ptr<sim::Simulator> Application() {
    const auto simulators = sim::InstalledSimulators();
    return simulators.empty() ? nullptr : simulators.back();
  }

  size_t Received(uint32_t code) {
    size_t count = 0;
    for (const auto& request : Application()->Requests()) count += request.code == code;
    return count;
  }

  Inbox MakeInbox() {
    return Inbox(platform_->Files(), platform_->AnsiCodePage(), platform_->System(), kFolder,
                 workstation_);
  }
  bool Exists(const std::string& name) {
    return platform_->Files().FileSize(directory_ + name).has_value();
  }
  std::vector<std::string> FolderContent() { return platform_->Files().FilesInFolder(directory_); }
  std::string Content(const std::string& name) {
    std::ifstream in(desktop_->HostPath(directory_ + name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void WriteLive(const std::string& text) {
    if (!platform_->Files().FolderExists(directory_)) platform_->Files().CreateFolder(directory_);
    std::ofstream(desktop_->HostPath(directory_ + workstation_ + ".TXT"),
                  std::ios::binary | std::ios::app)
        << text;
  }

  std::shared_ptr<platform::desk::Desktop> desktop_;
  std::unique_ptr<orvactl::Workbench> workbench_;
  std::shared_ptr<platform::Platform> platform_;
  std::string workstation_, directory_;
  std::mutex log_mutex_;
  std::condition_variable logged_;
  std::ostringstream log_;
  size_t replayed_ = 0, set_aside_ = 0;
};

}  // namespace orvabridge::relay
