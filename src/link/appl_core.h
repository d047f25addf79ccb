// One Appl object's link to the imaging application: creation and destruction, the steps of the
// guard sequence that concern the link, and the channel. It owns the reply window and the text-out
// side, and keeps the link's own state (the application's version, the patient record selected).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "channel/codec.h"
#include "channel/dispatcher.h"
#include "channel/exchange.h"
#include "channel/reply_holding.h"
#include "link/application_version.h"
#include "link/call_recorder.h"
#include "link/reply_window.h"
#include "link/text_out_side.h"
#include "environment/trace_log.h"
#include "link/thread_state.h"
#include "link/traced_system.h"
#include "channel/timing.h"
#include "orvabridge/types.h"
#include "platform/platform.h"
#include "platform/runtime_failure.h"

namespace orvabridge::link {

class ApplCore;

// What the layers above the link object supply to it: the quiet search for the imaging
// application that a re-attach ends with.
struct ApplHooks {
  std::function<void(ApplCore&)> find_application;  // InitApplication with "NoLaunch"
};

class ApplCore {
 public:
  ApplCore(std::shared_ptr<platform::Platform> platform, const channel::Timing& timing,
           ApplHooks hooks);
  ~ApplCore();
  ApplCore(const ApplCore&) = delete;
  ApplCore& operator=(const ApplCore&) = delete;

  // Creation steps: register the message, load the hidden reply window and subscribe to copy-data,
  // read the start-up configuration, select the extended patient record.
  void Initialize();
  // Destruction steps, each attempted even when an earlier one failed.
  void Terminate();
  // Re-attach without launching: terminate, initialise, one short broadcast.
  void EnsureApplication();

  platform::Platform& platform() { return *platform_; }
  platform::WindowSystem& windows() { return platform_->Windows(); }
  // The platform's services, with message boxes also given to the flight recorder and the trace.
  platform::SystemServices& system() { return traced_system_; }
  // The object's trace; null when tracing is off.
  environment::TraceLog* trace() const { return trace_.get(); }
  // What the object gives the process's flight recorder; always there.
  CallRecorder& recorder() { return recorder_; }
  const channel::Timing& timing() const { return timing_; }
  const channel::FieldCodec& codec() const { return codec_; }
  channel::Exchanger& exchanger() { return exchanger_; }
  channel::ReplyHolding& holding() { return *holding_; }
  ThreadState& thread() { return thread_; }
  environment::SettingsReader& settings() { return *settings_; }

  ReplyWindow& reply_window() { return reply_window_; }
  TextOutSide& text_out() { return text_out_; }
  const TextOutSide& text_out() const { return text_out_; }

  // The steps of the guard sequence (operations/guards.h) that concern the link itself.
  // Re-attaches when TargetWindow is 0. False when it stays 0.
  bool EnsureTarget();
  // False (and TargetWindow cleared) when the control window is gone.
  bool TargetStillWindow();
  // The hidden form, the reply window and the registered message: -1, -2, -3.
  std::optional<int32_t> LinkChecks() const;
  // One guard step for the flight recorder, and a "guard: ..." line in the trace when there is one.
  void TraceGuard(const std::string& step);

  // The body of GetComputerOrClientName.
  void LoadStartupConfiguration();

  // What the last attach reported (or what text-out and stub mode take for it).
  const ApplicationVersion& application_version() const { return application_version_; }
  void set_application_version(ApplicationVersion version) {
    application_version_ = std::move(version);
  }
  // The patient write sends the extended record unless the short one is selected.
  bool extended_record() const { return extended_record_; }
  void select_extended_record(bool extended) { extended_record_ = extended; }

 private:
  // Starts the trace when one is configured: the calls' lines and every request's. Every request
  // goes to the flight recorder, traced or not.
  void OpenTrace();

  std::shared_ptr<platform::Platform> platform_;
  channel::Timing timing_;
  ApplHooks hooks_;
  std::unique_ptr<environment::TraceLog> trace_;
  CallRecorder recorder_;
  TracedSystem traced_system_{platform_->System(), trace_, recorder_};
  ThreadState& thread_;
  channel::FieldCodec codec_;
  std::unique_ptr<channel::ReplyHolding> holding_;
  channel::ReplyDispatcher dispatcher_;
  channel::Exchanger exchanger_;
  std::unique_ptr<environment::SettingsReader> settings_;
  ReplyWindow reply_window_;
  TextOutSide text_out_;
  ApplicationVersion application_version_;
  bool extended_record_ = false;
};

}  // namespace orvabridge::link
