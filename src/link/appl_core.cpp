#include "link/appl_core.h"

#include "identity/identity.h"
#include "link/failure_policy.h"

namespace orvabridge::link {
ApplCore::ApplCore(std::shared_ptr<platform::Platform> platform, const channel::Timing& timing,
                   ApplHooks hooks)
    : platform_(std::move(platform)),
      timing_(timing),
      hooks_(std::move(hooks)),
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

namespace {

const char* SendStatusName(platform::SendStatus status) {
  switch (status) {
    case platform::SendStatus::kHandled:
      return "handled";
    case platform::SendStatus::kTimedOut:
      return "not handled within its time";
    case platform::SendStatus::kHung:
      return "not sent: the application is hung";
    case platform::SendStatus::kNoWindow:
      return "not sent: no such window";
  }
  return "?";
}

std::string DescribeRequest(const channel::ExchangeReport& report) {
  std::string line = "request " + std::to_string(report.code) + ", " +
                     std::to_string(report.bytes_sent) + " bytes: ";
  if (!report.awaits_reply) {
    line += SendStatusName(report.send_status);
  } else if (report.outcome == channel::Outcome::kReply) {
    line += "reply " + std::to_string(report.reply_code) + ", " +
            std::to_string(report.reply_bytes) + " bytes";
  } else if (report.outcome == channel::Outcome::kWindowGone) {
    line += "the control window went away";
  } else {
    line += report.send_status == platform::SendStatus::kHandled
                ? "no reply in time"
                : std::string("no reply: ") + SendStatusName(report.send_status);
  }
  return line + ", " + std::to_string(report.took.count()) + " us";
}

}  // namespace

void ApplCore::OpenTrace() {
  const std::string path = environment::TracePath(*settings_, platform_->System());
  if (path.empty()) return;
  trace_ = std::make_unique<environment::TraceLog>(platform_->Files(), platform_->System(), path,
                                                   windows().CurrentThread());
  exchanger_.set_observer(
      [this](const channel::ExchangeReport& report) { trace_->Line(DescribeRequest(report)); });
}

void ApplCore::TraceGuard(const std::string& step) const {
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
    if (trace_)
      TraceGuard(thread_.target_window ? "attached again to control window " +
                                             std::to_string(thread_.target_window.value)
                                       : "searched again: no imaging application answered");
  }
  return static_cast<bool>(thread_.target_window);
}

bool ApplCore::TargetStillWindow() {
  if (windows().IsWindow(thread_.target_window)) return true;
  if (trace_) {
    TraceGuard("control window " + std::to_string(thread_.target_window.value) + " is gone");
  }
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
