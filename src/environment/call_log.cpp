#include "environment/call_log.h"

#include <span>

#include "environment/ctimer.h"
#include "platform/runtime_failure.h"

namespace orvabridge::environment {
namespace {

constexpr const char* kBoxCaption = "Orvabridge";

std::span<const std::byte> AsBytes(const std::string& text) {
  return std::as_bytes(std::span<const char>(text.data(), text.size()));
}

}  // namespace

std::string TextOutPath(const std::string& text_out_setting, const std::string& workstation) {
  return text_out_setting + workstation + "\\" + workstation + ".TXT";
}

void TextOutFile::Flush(CallLog* log, const std::string& path, environment::CTimer* timer) {
  if (log == nullptr || log->empty()) return;

  // A stopped timer cannot tick into a flush that is still running.
  if (timer != nullptr) timer->SetEnabled(false);
  try {
    if (!stream_) stream_ = files_.OpenAppend(path);
    while (!log->empty()) {
      // A line leaves the log only once it has been written, so a failure keeps it.
      stream_->Write(AsBytes(code_page_.ToAnsi(log->front()) + "\r\n"));
      log->pop_front();
    }
    stream_.reset();  // closed, so another program may take the file between flushes
  } catch (const RuntimeFailure& failure) {
    // The timer stays stopped: no further flush until the object ends or is reconfigured.
    platform::MessageBoxRequest box;
    box.text = "LinkTimer ERROR: " + std::to_string(failure.number()) + " " +
               failure.description() + "\r\n(" + path + ")";
    box.caption = kBoxCaption;
    box.style = platform::kMbIconInformation;
    system_.ShowMessageBox(box);
    return;
  }
  if (timer != nullptr) timer->SetEnabled(true);
}

}  // namespace orvabridge::environment
