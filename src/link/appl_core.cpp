#include "link/appl_core.h"

#include "environment/call_log.h"
#include "environment/ctimer.h"
#include "environment/settings.h"
#include "environment/startup_config.h"
#include "identity/identity.h"
#include "link/failure_policy.h"

namespace orvabridge::link {
namespace {

constexpr const char* kFormCaption = "Orvabridge debug window";
constexpr int32_t kLinkTimerIntervalMs = 250;

}  // namespace

ApplCore::ApplCore(std::shared_ptr<platform::Platform> platform, const channel::Timing& timing,
                   ApplHooks hooks)
    : platform_(std::move(platform)),
      timing_(timing),
      hooks_(std::move(hooks)),
      recorder_(*this, platform_->Windows().CurrentThread()),
      thread_(ThisThread()),
      codec_(platform_->AnsiCodePage()),
      holding_(std::make_unique<channel::ReplyHolding>()),
      dispatcher_(*holding_, codec_, thread_.target_window),
      exchanger_(platform_->Windows(), *holding_, thread_.target_window, timing_),
      settings_(std::make_unique<environment::SettingsReader>(
          platform_->Reg(), platform_->AnsiCodePage(), thread_.installation.settings_base_key)),
      text_out_file_(std::make_unique<environment::TextOutFile>(
          platform_->Files(), platform_->AnsiCodePage(), traced_system_)) {
  Initialize();
  OpenTrace();
}

void ApplCore::OpenTrace() {
  exchanger_.set_observer([this](const channel::ExchangeReport& report) {
    recorder_.Request(report);
    if (trace_) trace_->Line(DescribeRequest(report));
  });
  const std::string path = environment::TracePath(*settings_, platform_->System());
  if (path.empty()) return;
  trace_ = std::make_unique<environment::TraceLog>(platform_->Files(), platform_->System(), path,
                                                   windows().CurrentThread());
}

void ApplCore::TraceGuard(const std::string& step) {
  recorder_.Guard(step);
  if (trace_) trace_->Line("guard: " + step);
}

ApplCore::~ApplCore() {
  Terminate();
  // The timer's callback refers to this object: stop it before anything else goes.
  link_timer.reset();
}

void ApplCore::Initialize() {
  thread_.control_message_id = windows().RegisterMessage(identity::kControlMessage);
  if (!form_loaded) {
    LoadForm();
    form_loaded = true;
  }
  subscribed_ = true;
  reply_window = form_window_.get();
  exchanger_.set_reply_window(reply_window);
  LoadStartupConfiguration();
  extended_record_flag = true;
}

void ApplCore::Terminate() {
  link::IgnoreFailure([&] {
    if (call_log && !call_log->empty()) FlushCallLog();
  });
  link::IgnoreFailure([&] { subscribed_ = false; });
  link::IgnoreFailure([&] {
    reply_window = platform::WindowHandle();
    exchanger_.set_reply_window(reply_window);
  });
  link::IgnoreFailure([&] {
    // Handles are signed 32-bit values to the host: only a positive one names a parent.
    if (static_cast<int32_t>(thread_.saved_parent.value) > 0) {
      windows().SetParent(thread_.target_window, thread_.saved_parent);
    }
  });
  link::IgnoreFailure([&] {
    if (form_loaded) UnloadForm();
  });
  form_loaded = false;
  thread_.target_window = platform::WindowHandle();
}

void ApplCore::EnsureApplication() {
  Terminate();
  Initialize();
  if (hooks_.find_application) hooks_.find_application(*this);
}

void ApplCore::LoadForm() {
  platform::WindowBlueprint blueprint;
  blueprint.message_only = true;
  blueprint.title = kFormCaption;
  form_window_ = platform::UniqueWindow(
      windows(), blueprint,
      [this](const platform::WindowMessage& message) -> std::optional<intptr_t> {
        if (message.id != platform::kWmCopyData) return std::nullopt;
        return OnReplyWindowMessage(message);
      });
}

void ApplCore::UnloadForm() { form_window_.Reset(); }

intptr_t ApplCore::OnReplyWindowMessage(const platform::WindowMessage& message) {
  if (!subscribed_ || message.copy_data == nullptr) return 0;
  try {
    dispatcher_.Dispatch(*message.copy_data);
  } catch (...) {
    // A reply that cannot be unpacked is dropped: ReplyCode stays as it was and the waiting
    // operation runs into its time-out. Nothing may escape into the window procedure.
  }
  return 0;
}

int32_t ApplCore::ReadMsgResponse() {
  msg_response = 0;
  return 0;
}

void ApplCore::LoadStartupConfiguration() {
  const bool text_out_on = environment::LoadStartupConfiguration(
      platform(), *settings_,
      {computer_name, workstation_name, text_out_setting, thread_.installation});
  if (!text_out_on) return;
  // Lines still pending in an earlier call log are dropped with it.
  call_log = std::make_unique<environment::CallLog>();
  link_timer.reset();
  link_timer = std::make_unique<environment::CTimer>(windows(), [this] { FlushCallLog(); });
  link_timer->SetInterval(kLinkTimerIntervalMs);
  link_timer->SetEnabled(true);
}

void ApplCore::TextOut(const std::string& line) {
  if (call_log) {
    call_log->Append(line);
    return;
  }
  ShowFailureBox(system(),
                 "Orvabridge.TextOut error: " + std::to_string(failure::kObjectVariableNotSet) +
                     " Object variable or With block variable not set");
}

std::string ApplCore::TextOutFilePath() const {
  return environment::TextOutPath(text_out_setting, workstation_name);
}

void ApplCore::FlushCallLog() {
  text_out_file_->Flush(call_log.get(), TextOutFilePath(), link_timer.get());
}

bool ApplCore::EnsureTarget() {
  if (!thread_.target_window) {
    EnsureApplication();
    TraceGuard(thread_.target_window ? "attached again to control window " +
                                           std::to_string(thread_.target_window.value)
                                     : "searched again: no imaging application answered");
  }
  return static_cast<bool>(thread_.target_window);
}

bool ApplCore::TargetStillWindow() {
  if (windows().IsWindow(thread_.target_window)) return true;
  TraceGuard("control window " + std::to_string(thread_.target_window.value) + " is gone");
  thread_.target_window = platform::WindowHandle();
  return false;
}

std::optional<int32_t> ApplCore::LinkChecks() const {
  if (!form_loaded) return result::kFormNotLoaded;
  if (!reply_window) return result::kNoReplyWindow;
  if (thread_.control_message_id == 0) return result::kNoControlMessage;
  return std::nullopt;
}

}  // namespace orvabridge::link
