#include "operations/patients.h"

#include "link/call_log_line.h"
#include "channel/codec.h"
#include "link/appl_core.h"
#include "operations/outcome.h"

namespace orvabridge::operations {
namespace {

namespace command = channel::command;

constexpr double kCurrentPatientTimeoutSeconds = 10.0;
constexpr double kFindPatientTimeoutSeconds = 20.0;

}  // namespace

int32_t GetCurrentPatient(link::ApplCore& core, std::string& PatID, std::string& FName,
                          std::string& LName, std::string& Birthdate, std::string& Sex,
                          std::string& Adress, std::string& TelOne, std::string& TelTwo,
                          std::string& Mobile, std::string& Email, std::string& Comments) {
  if (core.thread().stub_mode) {
    // No imaging application is installed: a placeholder patient keeps hosts going.
    PatID = "-";
    FName = " ";
    LName = " ";
    return result::kSuccess;
  }
  if (!core.TargetStillWindow() && !core.EnsureTarget()) return result::kNoTargetWindow;

  channel::Record<channel::patient::kShortSize> request{};
  channel::WriteI32(request, channel::kSizeField, static_cast<int32_t>(request.size()));
  const auto reply =
      core.exchanger().Exchange(command::kCurrentPatient, request, kCurrentPatientTimeoutSeconds);
  if (auto failed = MapReadOutcome(reply, command::kCurrentPatient)) return *failed;

  namespace slot = channel::slot;
  const auto& text = core.holding().reply_text;
  if (text[slot::kMarker] == channel::kNoneMarker) return result::kNothingFound;
  std::string* outputs[] = {&PatID,  &FName,  &LName,  &Birthdate, &Sex,     &Adress,
                            &TelOne, &TelTwo, &Mobile, &Email,     &Comments};
  for (size_t i = 0; i < std::size(outputs); ++i) {
    *outputs[i] = text[slot::current_patient::kId + i];
  }
  return result::kSuccess;
}

int32_t FindPatient(link::ApplCore& core, std::string& PatID, std::string& FName,
                    std::string& LName) {
  if (core.TextOutMode()) {
    core.TextOut(link::CallLogLine(api::MemberNamed("FindPatient"), {PatID, FName, LName}));
    FName.clear();
    LName.clear();
    return result::kNothingFound;
  }
  if (auto failed = core.CheckGuards({.required = &PatID})) return *failed;

  channel::Record<channel::find_patient::kSize> request{};
  channel::WriteI32(request, channel::kSizeField, static_cast<int32_t>(request.size()));
  core.codec().WriteText(request, channel::find_patient::kPatientId, PatID);
  const auto reply =
      core.exchanger().Exchange(command::kFindPatient, request, kFindPatientTimeoutSeconds);
  if (auto failed = MapReadOutcome(reply, command::kFindPatient)) return *failed;

  namespace slot = channel::slot;
  const auto& text = core.holding().reply_text;
  if (text[slot::kMarker] == channel::kNoneMarker) return result::kNothingFound;
  FName = text[slot::find::kFirstName];
  LName = text[slot::find::kLastName];
  return result::kSuccess;
}

}  // namespace orvabridge::operations
