#include "environment/trace_log.h"

#include <atomic>

#include "environment/settings.h"

namespace orvabridge::environment {
namespace {

// Lines that no trace of the process could write since the last one that could.
std::atomic<uint64_t> lost_lines{0};

std::string WithProcessId(std::string path, uint32_t process_id) {
  const std::string id = std::to_string(process_id);
  for (size_t at = path.find("%p"); at != std::string::npos; at = path.find("%p", at + id.size())) {
    path.replace(at, 2, id);
  }
  return path;
}

std::string Stamp(const platform::LocalTime& t, uint32_t process_id, uint32_t thread_id) {
  return platform::LocalTimeText(t) + " [" + std::to_string(process_id) + ":" +
         std::to_string(thread_id) + "] ";
}

}  // namespace

std::string TracePath(SettingsReader& settings, platform::SystemServices& system) {
  std::string path;
  if (auto variable = system.Environment(kTraceVariable)) {
    path = std::move(*variable);
  } else {
    path = settings.ReadSetting(kTraceSection, kTraceValue);
  }
  if (path.empty()) return {};
  return WithProcessId(std::move(path), system.ProcessId());
}

TraceLog::TraceLog(platform::FileSystem& files, platform::SystemServices& system, std::string path,
                   uint32_t thread_id, uint64_t file_limit)
    : files_(files),
      system_(system),
      path_(std::move(path)),
      process_id_(system.ProcessId()),
      thread_id_(thread_id),
      file_limit_(file_limit) {}

TraceLog::~TraceLog() = default;

void TraceLog::Begin() {
  if (depth_++ == 0) EnsureOpen();
}

void TraceLog::End() {
  if (depth_ > 0 && --depth_ == 0) stream_.reset();
}

void TraceLog::Line(std::string_view text) {
  std::string line = Stamp(system_.LocalNow(), process_id_, thread_id_);
  line.append(text);
  line.append("\r\n");
  const bool kept_open = depth_ > 0;
  if (!EnsureOpen() || !Write(line)) {
    lost_lines.fetch_add(1);
    stream_.reset();
    return;
  }
  if (!kept_open) stream_.reset();
}

bool TraceLog::EnsureOpen() {
  if (stream_) return true;
  try {
    // The size is read at every open: other processes may write the same file.
    size_ = files_.FileSize(path_).value_or(0);
    stream_ = files_.OpenAppend(path_, true);
  } catch (...) {
    return false;  // a folder that does not exist, a file that is locked: the line is lost
  }
  const uint64_t lost = lost_lines.exchange(0);
  if (lost > 0) {
    const std::string note = Stamp(system_.LocalNow(), process_id_, thread_id_) +
                             std::to_string(lost) +
                             " trace line(s) could not be written before this one and are lost\r\n";
    if (!Write(note)) lost_lines.fetch_add(lost);
  }
  return static_cast<bool>(stream_);
}

bool TraceLog::Write(const std::string& bytes) {
  if (size_ > 0 && size_ + bytes.size() > file_limit_) Rotate();
  if (!stream_) return false;
  try {
    stream_->Write(std::as_bytes(std::span(bytes)));
  } catch (...) {
    return false;
  }
  size_ += bytes.size();
  return true;
}

void TraceLog::Rotate() {
  stream_.reset();
  try {
    files_.RenameFile(path_, path_ + ".1");
  } catch (...) {
    // Another process may have rotated it a moment ago; writing on is what matters.
  }
  try {
    size_ = files_.FileSize(path_).value_or(0);
    stream_ = files_.OpenAppend(path_, true);
  } catch (...) {
    stream_.reset();
  }
}

}  // namespace orvabridge::environment
