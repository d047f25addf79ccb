// The call log of text-out mode and the flush that moves it to the per-workstation text file.
#pragma once

#include <deque>
#include <memory>
#include <string>

#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/system_services.h"

namespace orvabridge::environment {

class CTimer;

// Lines waiting to be written, oldest first.
class CallLog {
 public:
  void Append(std::string line) { lines_.push_back(std::move(line)); }
  bool empty() const { return lines_.empty(); }
  size_t size() const { return lines_.size(); }
  const std::string& front() const { return lines_.front(); }
  void pop_front() { lines_.pop_front(); }
  const std::deque<std::string>& lines() const { return lines_; }

 private:
  std::deque<std::string> lines_;
};

// <folder><workstation>\<workstation>.TXT, for a folder that already ends in "\".
std::string TextOutPath(const std::string& text_out_setting, const std::string& workstation);

// LinkTimer_Timer: appends the pending lines to the text-out file in ANSI with CR LF, then closes
// it. On failure: a message box naming the file, the unwritten lines stay in the log, an open
// stream is kept for the next flush, and the timer stays stopped.
class TextOutFile {
 public:
  TextOutFile(platform::FileSystem& files, platform::CodePage& code_page,
              platform::SystemServices& system)
      : files_(files), code_page_(code_page), system_(system) {}

  // `timer` may be null (no timer running).
  void Flush(CallLog* log, const std::string& path, environment::CTimer* timer);

 private:
  platform::FileSystem& files_;
  platform::CodePage& code_page_;
  platform::SystemServices& system_;
  std::unique_ptr<platform::AppendStream> stream_;  // LogStream
};

}  // namespace orvabridge::environment
