// Incident files: when a member call ends the way support needs to see (a time-out, an unexpected
// reply, a window gone while attached, an automation error, a message box, a request not sent to
// a hung application), the flight recorder's events are written to
// "%LOCALAPPDATA%\Orvabridge\incidents\<yyyymmdd-hhmmss>-<pid>.txt". Only where the practice
// switched them on (environment/flight_recorder.h); without that nothing is written.
//
// At most one file a minute per process and at most kFileLimit files in the folder (the oldest
// go). A file is written under a temporary name and renamed, so that a host that ends meanwhile
// leaves no cut file under an incident's name. Writing never raises: a file that cannot be
// written is counted, and the next file that can says how many were lost.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/system_services.h"

namespace orvabridge::environment {

inline constexpr size_t kIncidentFileLimit = 20;
inline constexpr std::chrono::seconds kIncidentInterval{60};
inline constexpr std::string_view kIncidentSubfolder = "Orvabridge\\incidents";

// "<local app data>\Orvabridge\incidents"; empty when the user has no local app data folder.
std::string IncidentFolder(platform::SystemServices& system);
// Whether a name is an incident file's: "yyyymmdd-hhmmss-<pid>.txt".
bool IsIncidentFileName(std::string_view name);

// What the first lines of an incident file say; the tools list incidents from them.
struct IncidentSummary {
  std::string time;     // "2026-12-08 08:10:00.123", local
  std::string reason;   // "no reply in time (-6)"
  std::string member;   // "FindPatient"
  std::string result;   // "-6 (no reply in time)"
  std::string request;  // the last request of the call, as the trace writes it; "(none)"
};
// Reads the header lines of an incident file; nothing when the text is no incident file.
std::optional<IncidentSummary> ReadIncidentSummary(std::string_view text);
// The day of an incident file's name ("20261208-..."), counted from 1970-01-01; nothing for
// another name.
std::optional<int64_t> IncidentDay(std::string_view name);
// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t DayNumber(int year, int month, int day);

// Lets one incident file a minute through, for the whole process.
class IncidentGate {
 public:
  static IncidentGate& Process();

  // True when no file was let through within the interval before `now`.
  bool Admit(std::chrono::steady_clock::time_point now);
  // How many incidents were held back since the last one let through; counts restart.
  uint64_t TakeHeldBack();
  void Reset();

 private:
  std::mutex mutex_;
  std::optional<std::chrono::steady_clock::time_point> last_;
  uint64_t held_back_ = 0;
};

// Incident files that could not be written since the last one that could, process-wide.
uint64_t LostIncidentFiles();

class IncidentFiles {
 public:
  IncidentFiles(platform::FileSystem& files, platform::SystemServices& system)
      : files_(files), system_(system) {}

  // Writes `header`, the lines of what was not written before, then `events` as one new file.
  // Returns its path, or nothing when it could not be written (counted). Never throws.
  std::optional<std::string> Write(std::string_view header, std::string_view events,
                                   uint64_t held_back);

 private:
  bool EnsureFolder(const std::string& folder);
  void RemoveOldest(const std::string& folder);

  platform::FileSystem& files_;
  platform::SystemServices& system_;
};

}  // namespace orvabridge::environment
