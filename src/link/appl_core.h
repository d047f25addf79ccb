// The state of one Appl object and the steps every operation shares: creation and destruction,
// the guard sequence, the text-out append, and the channel to the imaging application.
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
#include "environment/trace_log.h"
#include "link/thread_state.h"
#include "link/traced_system.h"
#include "channel/timing.h"
#include "orvabridge/types.h"
#include "platform/platform.h"
#include "platform/runtime_failure.h"
#include "platform/unique_window.h"

namespace orvabridge::environment {
class CTimer;
class CallLog;
class TextOutFile;
class SettingsReader;
}  // namespace orvabridge::environment

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
  // The platform's services, with message boxes also written to the trace.
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

  // Text-out mode: the methods with a text-out step only log the call.
  bool TextOutMode() const { return !text_out_setting.empty(); }
  // Appends one line to CallLog; a failure shows a message box and the call goes on.
  void TextOut(const std::string& line);
  // Writes pending call-log lines to the text-out file (the LinkTimer tick).
  void FlushCallLog();
  std::string TextOutFilePath() const;

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

  // Per-object state.
  bool extended_record_flag = false;
  std::string text_out_setting;
  std::string computer_name;
  std::string workstation_name;
  std::unique_ptr<environment::CallLog> call_log;  // exists only in text-out mode
  std::unique_ptr<environment::CTimer> link_timer;
  platform::WindowHandle reply_window;
  int32_t msg_response = 0;
  bool form_loaded = false;
  ApplicationVersion application_version;

  // ISubclass_MsgResponse: reading answers 0 and clears the stored value.
  int32_t ReadMsgResponse();

 private:
  // ISubclass_WindowProc: every copy-data message of the reply window goes to the dispatcher.
  intptr_t OnReplyWindowMessage(const platform::WindowMessage& message);
  void LoadForm();
  void UnloadForm();
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
  std::unique_ptr<environment::TextOutFile> text_out_file_;
  platform::UniqueWindow form_window_;
  bool subscribed_ = false;
};

}  // namespace orvabridge::link
