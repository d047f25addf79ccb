#include "link/text_out_side.h"

#include "environment/startup_config.h"
#include "link/failure_policy.h"

namespace orvabridge::link {
namespace {

constexpr int32_t kLinkTimerIntervalMs = 250;

}  // namespace

TextOutSide::TextOutSide(platform::Platform& platform, platform::SystemServices& system)
    : platform_(platform),
      system_(system),
      file_(platform.Files(), platform.AnsiCodePage(), system) {}

TextOutSide::~TextOutSide() { link_timer_.reset(); }

void TextOutSide::Configure(environment::SettingsReader& settings,
                            environment::Installation& installation) {
  const bool text_out_on = environment::LoadStartupConfiguration(
      platform_, settings, {computer_name_, workstation_name_, folder_, installation});
  if (!text_out_on) return;
  call_log_ = std::make_unique<environment::CallLog>();
  link_timer_.reset();
  link_timer_ = std::make_unique<environment::CTimer>(platform_.Windows(), [this] { Flush(); });
  link_timer_->SetInterval(kLinkTimerIntervalMs);
  link_timer_->SetEnabled(true);
}

void TextOutSide::Append(const std::string& line) {
  if (call_log_) {
    call_log_->Append(line);
    return;
  }
  ShowFailureBox(system_,
                 "Orvabridge.TextOut error: " + std::to_string(failure::kObjectVariableNotSet) +
                     " Object variable or With block variable not set");
}

void TextOutSide::Flush() { file_.Flush(call_log_.get(), FilePath(), link_timer_.get()); }

void TextOutSide::FlushPending() {
  if (call_log_ && !call_log_->empty()) Flush();
}

std::string TextOutSide::FilePath() const {
  return environment::TextOutPath(folder_, workstation_name_);
}

}  // namespace orvabridge::link
