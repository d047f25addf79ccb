#include "environment/incident_files.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <utility>
#include <vector>

namespace orvabridge::environment {
namespace {

std::atomic<uint64_t> lost_files{0};

constexpr std::string_view kSuffix = ".txt";
// What FileSystem::WriteFileDurably leaves behind when the process ends in the middle.
constexpr std::string_view kTemporarySuffix = ".txt.new";

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
  });
}

std::string FileName(const platform::LocalTime& t, uint32_t process_id) {
  char name[64];
  std::snprintf(name, sizeof name, "%04d%02d%02d-%02d%02d%02d-%u.txt", t.year, t.month, t.day,
                t.hour, t.minute, t.second, static_cast<unsigned>(process_id));
  return name;
}

}  // namespace

std::string IncidentFolder(platform::SystemServices& system) {
  try {
    auto base = system.LocalAppDataFolder();
    if (!base) return {};
    if (base->back() != '\\') *base += '\\';
    return *base + std::string(kIncidentSubfolder);
  } catch (...) {
    return {};
  }
}

bool IsIncidentFileName(std::string_view name) {
  // yyyymmdd-hhmmss-<pid>.txt
  if (!EndsWith(name, kSuffix) || name.size() < 17 + kSuffix.size()) return false;
  name.remove_suffix(kSuffix.size());
  return AllDigits(name.substr(0, 8)) && name[8] == '-' && AllDigits(name.substr(9, 6)) &&
         name[15] == '-' && AllDigits(name.substr(16));
}

std::optional<IncidentSummary> ReadIncidentSummary(std::string_view text) {
  constexpr std::string_view kFirstLine = "Orvabridge incident";
  if (text.substr(0, kFirstLine.size()) != kFirstLine) return std::nullopt;
  IncidentSummary summary;
  const std::pair<std::string_view, std::string*> fields[] = {{"time: ", &summary.time},
                                                              {"reason: ", &summary.reason},
                                                              {"member: ", &summary.member},
                                                              {"result: ", &summary.result},
                                                              {"request: ", &summary.request}};
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == text.npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) break;  // the header ends with an empty line
    for (const auto& [key, field] : fields) {
      if (line.substr(0, key.size()) == key) *field = std::string(line.substr(key.size()));
    }
  }
  return summary;
}

int64_t DayNumber(int year, int month, int day) {
  const std::chrono::year_month_day date{std::chrono::year{year},
                                         std::chrono::month{static_cast<unsigned>(month)},
                                         std::chrono::day{static_cast<unsigned>(day)}};
  return std::chrono::sys_days{date}.time_since_epoch().count();
}

std::optional<int64_t> IncidentDay(std::string_view name) {
  if (!IsIncidentFileName(name)) return std::nullopt;
  const auto number = [&](size_t at, size_t size) {
    int value = 0;
    for (char c : name.substr(at, size)) value = value * 10 + (c - '0');
    return value;
  };
  return DayNumber(number(0, 4), number(4, 2), number(6, 2));
}

IncidentGate& IncidentGate::Process() {
  static IncidentGate* const gate = new IncidentGate;
  return *gate;
}

bool IncidentGate::Admit(std::chrono::steady_clock::time_point now) {
  std::lock_guard lock(mutex_);
  if (last_ && now - *last_ < kIncidentInterval) {
    ++held_back_;
    return false;
  }
  last_ = now;
  return true;
}

uint64_t IncidentGate::TakeHeldBack() {
  std::lock_guard lock(mutex_);
  return std::exchange(held_back_, 0);
}

void IncidentGate::Reset() {
  std::lock_guard lock(mutex_);
  last_.reset();
  held_back_ = 0;
}

uint64_t LostIncidentFiles() { return lost_files.load(); }

std::optional<std::string> IncidentFiles::Write(std::string_view header, std::string_view events,
                                                uint64_t held_back) {
  const uint64_t lost = lost_files.exchange(0);
  try {
    const std::string folder = IncidentFolder(system_);
    if (!folder.empty() && EnsureFolder(folder)) {
      RemoveOldest(folder);
      std::string content(header);
      content += "incident files lost: " + std::to_string(lost) + "\r\n";
      content += "incidents held back (one file a minute): " + std::to_string(held_back) + "\r\n";
      content += "\r\n";
      content += events;
      const std::string path = folder + "\\" + FileName(system_.LocalNow(), system_.ProcessId());
      files_.WriteFileDurably(path, content);
      return path;
    }
  } catch (...) {
    // A full disk, a folder this user may not write, a locked file: counted below.
  }
  lost_files.fetch_add(lost + 1);
  return std::nullopt;
}

bool IncidentFiles::EnsureFolder(const std::string& folder) {
  // The local app data folder itself must exist; the two folders of ours below it are made.
  const size_t ours = folder.size() - kIncidentSubfolder.size() - 1;
  if (!files_.FolderExists(folder.substr(0, ours))) return false;
  const std::string parent = folder.substr(0, folder.rfind('\\'));
  if (!files_.FolderExists(parent)) files_.CreateFolder(parent);
  if (!files_.FolderExists(folder)) files_.CreateFolder(folder);
  return true;
}

void IncidentFiles::RemoveOldest(const std::string& folder) {
  std::vector<std::string> incidents;
  for (std::string& name : files_.FilesInFolder(folder)) {
    if (IsIncidentFileName(name)) {
      incidents.push_back(std::move(name));
    } else if (EndsWith(name, kTemporarySuffix)) {
      files_.RemoveFile(folder + "\\" + name);  // a cut file of a host that ended meanwhile
    }
  }
  if (incidents.size() < kIncidentFileLimit) return;
  // The names begin with the time: in name order the oldest come first.
  std::sort(incidents.begin(), incidents.end());
  for (size_t i = 0; i + kIncidentFileLimit <= incidents.size(); ++i) {
    files_.RemoveFile(folder + "\\" + incidents[i]);
  }
}

}  // namespace orvabridge::environment
