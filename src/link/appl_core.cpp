#include "link/appl_core.h"

#include "identity/identity.h"
#include "link/failure_policy.h"

namespace orvabridge::link {
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
      reply_window_(platform_->Windows(), dispatcher_, exchanger_),
      text_out_(*platform_, traced_system_) {
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

ApplCore::~ApplCore() { Terminate(); }

void ApplCore::Initialize() {
  thread_.control_message_id = windows().RegisterMessage(identity::kControlMessage);
  reply_window_.Subscribe();
  LoadStartupConfiguration();
  extended_record_ = true;
}

void ApplCore::Terminate() {
  link::IgnoreFailure([&] { text_out_.FlushPending(); });
  link::IgnoreFailure([&] { reply_window_.Unsubscribe(); });
  link::IgnoreFailure([&] {
    // Handles are signed 32-bit values to the host: only a positive one names a parent.
    if (static_cast<int32_t>(thread_.saved_parent.value) > 0) {
      windows().SetParent(thread_.target_window, thread_.saved_parent);
    }
  });
  link::IgnoreFailure([&] { reply_window_.Unload(); });
  thread_.target_window = platform::WindowHandle();
}

void ApplCore::EnsureApplication() {
  Terminate();
  Initialize();
  if (hooks_.find_application) hooks_.find_application(*this);
}

void ApplCore::LoadStartupConfiguration() { text_out_.Configure(*settings_, thread_.installation); }

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
  if (!reply_window_.loaded()) return result::kFormNotLoaded;
  if (!reply_window_.handle()) return result::kNoReplyWindow;
  if (thread_.control_message_id == 0) return result::kNoControlMessage;
  return std::nullopt;
}

}  // namespace orvabridge::link
