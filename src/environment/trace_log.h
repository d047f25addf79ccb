// The trace: an opt-in record of what each member call did, for support staff. It is switched on
// by a file path, from the environment variable ORVABRIDGE_TRACE (which wins, also when empty) or
// the "Trace" setting of the Orvabridge section; "%p" in the path stands for the process id, so
// that the processes of a terminal server can each keep their own file.
//
// Every line carries the local time to the millisecond and the process and thread ids. A file is
// kept below a size limit: the line that would pass it first renames the file to "<path>.1"
// (replacing an older one), so at most two files exist. A trace never raises and never changes
// what a call does: a line that cannot be written is counted, and the next trace of the process
// that can write says how many were lost.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/system_services.h"

namespace orvabridge::environment {

class SettingsReader;

inline constexpr const char* kTraceVariable = "ORVABRIDGE_TRACE";
inline constexpr const char* kTraceSection = "Orvabridge";
inline constexpr const char* kTraceValue = "Trace";

// The configured trace path with "%p" replaced; empty when the trace is off.
std::string TracePath(SettingsReader& settings, platform::SystemServices& system);

class TraceLog {
 public:
  static constexpr uint64_t kFileLimit = 10ull * 1024 * 1024;

  TraceLog(platform::FileSystem& files, platform::SystemServices& system, std::string path,
           uint32_t thread_id, uint64_t file_limit = kFileLimit);
  ~TraceLog();
  TraceLog(const TraceLog&) = delete;
  TraceLog& operator=(const TraceLog&) = delete;

  const std::string& path() const { return path_; }

  // Keeps the file open from the first Begin to the matching End (a member call, with the calls
  // nested in its wait), so that its lines cost one open.
  void Begin();
  void End();
  // Appends one line after the time and the ids.
  void Line(std::string_view text);

 private:
  bool EnsureOpen();
  bool Write(const std::string& bytes);
  void Rotate();

  platform::FileSystem& files_;
  platform::SystemServices& system_;
  std::string path_;
  uint32_t process_id_;
  uint32_t thread_id_;
  uint64_t file_limit_;
  std::unique_ptr<platform::AppendStream> stream_;
  uint64_t size_ = 0;  // of the open file, as far as this trace knows
  int depth_ = 0;
};

}  // namespace orvabridge::environment
