// Computer name, the desktop's own environment, process starts through registered launchers,
// message boxes, and the database placeholder.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <unistd.h>

#include "platform/desk/desk_services.h"
#include "platform/desk/text_case.h"
#include "platform/runtime_failure.h"

namespace orvabridge::platform::desk {
namespace {

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

}  // namespace

DeskSystem::DeskSystem() {
  SetEnvironment("TEMP", "C:\\Temp");
  SetEnvironment("TMP", "C:\\Temp");
  SetEnvironment("LOCALAPPDATA", std::string(kDeskLocalAppData));
}

std::string DeskSystem::ExecutableName() {
  std::error_code ec;
  return std::filesystem::read_symlink("/proc/self/exe", ec).filename().string();
}

std::string DeskSystem::ComputerName() {
  std::lock_guard lock(mutex_);
  return computer_name_;
}

std::optional<std::string> DeskSystem::Environment(std::string_view name) {
  std::lock_guard lock(mutex_);
  auto it = environment_.find(Lower(name));
  if (it == environment_.end()) return std::nullopt;
  return it->second.second;
}

uint32_t DeskSystem::StartProcess(std::string_view command_line, int show_command) {
  ProgramLauncher launcher;
  std::string arguments;
  {
    std::lock_guard lock(mutex_);
    started_.emplace_back(command_line);
    const std::string_view line = TrimLeft(command_line);
    const std::string lower = Lower(line);
    size_t best = 0;
    bool found = false;
    if (!line.empty() && line.front() == '"') {
      // A quoted executable path: the arguments follow the closing quote.
      const size_t close = line.find('"', 1);
      const std::string exe =
          Lower(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
      for (const auto& [path, program] : programs_) {
        if (Lower(path) == exe) {
          launcher = program;
          found = true;
        }
      }
      if (found) {
        arguments = std::string(TrimLeft(close == std::string_view::npos ? std::string_view()
                                                                         : line.substr(close + 1)));
      }
    } else {
      // The longest registered path that the line starts with, ending at a blank or the end.
      for (const auto& [path, program] : programs_) {
        const std::string key = Lower(path);
        if (key.size() < best || key.empty() || lower.compare(0, key.size(), key) != 0) continue;
        if (lower.size() > key.size() && lower[key.size()] != ' ' && lower[key.size()] != '\t') {
          continue;
        }
        best = key.size();
        launcher = program;
        found = true;
      }
      if (found) arguments = std::string(TrimLeft(line.substr(best)));
    }
    if (!found) throw RuntimeFailure(failure::kFileNotFound, "File not found");
  }
  if (!launcher || !launcher(arguments, show_command)) return 0;
  std::lock_guard lock(mutex_);
  next_process_id_ += 4;
  return next_process_id_;
}

int DeskSystem::ShowMessageBox(const MessageBoxRequest& request) {
  MessageBoxHandler handler;
  {
    std::lock_guard lock(mutex_);
    boxes_.push_back(request);
    handler = box_handler_;
  }
  if (handler) return handler(request);
  if (std::getenv("ORVABRIDGE_SHOW_BOXES") != nullptr) {
    std::fprintf(stderr, "[message box] %s\n", request.text.c_str());
  }
  return kIdOk;
}

void DeskSystem::SetMessageBoxHandler(MessageBoxHandler handler) {
  std::lock_guard lock(mutex_);
  box_handler_ = std::move(handler);
}

bool DeskSystem::IsDate(std::string_view text) {
  DateOrder order;
  {
    std::lock_guard lock(mutex_);
    order = date_order_;
  }
  return IsDateText(text, order);
}

void DeskSystem::SetDateOrder(DateOrder order) {
  std::lock_guard lock(mutex_);
  date_order_ = order;
}

LocalTime DeskSystem::LocalNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::tm parts{};
  localtime_r(&now.tv_sec, &parts);
  return {parts.tm_year + 1900,
          parts.tm_mon + 1,
          parts.tm_mday,
          parts.tm_hour,
          parts.tm_min,
          parts.tm_sec,
          static_cast<int>(now.tv_nsec / 1000000)};
}

uint32_t DeskSystem::ProcessId() { return static_cast<uint32_t>(getpid()); }

std::chrono::nanoseconds DeskSystem::ThreadCpuTime() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

void DeskSystem::SetComputerName(std::string name) {
  std::lock_guard lock(mutex_);
  computer_name_ = std::move(name);
}

void DeskSystem::SetEnvironment(std::string name, std::optional<std::string> value) {
  std::lock_guard lock(mutex_);
  const std::string key = Lower(name);
  if (value) {
    environment_[key] = {std::move(name), std::move(*value)};
  } else {
    environment_.erase(key);
  }
}

void DeskSystem::RegisterProgram(std::string executable_path, ProgramLauncher launcher) {
  std::lock_guard lock(mutex_);
  for (auto& [path, program] : programs_) {
    if (Lower(path) == Lower(executable_path)) {
      program = std::move(launcher);
      return;
    }
  }
  programs_.emplace_back(std::move(executable_path), std::move(launcher));
}

std::vector<std::string> DeskSystem::StartedCommandLines() const {
  std::lock_guard lock(mutex_);
  return started_;
}

std::vector<MessageBoxRequest> DeskSystem::MessageBoxes() const {
  std::lock_guard lock(mutex_);
  return boxes_;
}

std::unique_ptr<DbConnection> NoProviderDatabase::Connect(std::string_view /*connection_string*/) {
  throw RuntimeFailure(3706, "Provider cannot be found. It may not be properly installed.");
}

}  // namespace orvabridge::platform::desk
