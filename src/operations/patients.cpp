#include "operations/patients.h"

#include "link/call_log_line.h"
#include "channel/protocol.h"
#include "channel/codec.h"
#include "link/appl_core.h"
#include "operations/outcome.h"
#include "operations/guards.h"

namespace orvabridge::operations {
namespace {

namespace command = channel::command;
// Each member waits for its answer as long as the protocol gives its request.
static_assert(api::MemberNamed("GetCurrentPatient").waits_seconds ==
              channel::ReplySeconds(command::kCurrentPatient));
static_assert(api::MemberNamed("FindPatient").waits_seconds ==
              channel::ReplySeconds(command::kFindPatient));

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
  const auto reply = core.exchanger().Exchange(command::kCurrentPatient, request);
  if (auto failed = MapReadOutcome(reply, command::kCurrentPatient)) return *failed;

  const auto& patient = core.holding().Last<channel::CurrentPatientReply>();
  if (!patient.found()) return result::kNothingFound;
  PatID = patient.id;
  FName = patient.first_name;
  LName = patient.last_name;
  Birthdate = patient.birthdate;
  Sex = patient.sex;
  Adress = patient.address;
  TelOne = patient.tel_one;
  TelTwo = patient.tel_two;
  Mobile = patient.mobile;
  Email = patient.email;
  Comments = patient.comments;
  return result::kSuccess;
}

int32_t FindPatient(link::ApplCore& core, std::string& PatID, std::string& FName,
                    std::string& LName, link::CallLog call_log) {
  if (core.text_out().on()) {
    core.text_out().Append(call_log.Line());
    FName.clear();
    LName.clear();
    return result::kNothingFound;
  }
  if (auto failed = CheckGuards(core, api::MemberNamed("FindPatient"), &PatID)) return *failed;

  channel::Record<channel::find_patient::kSize> request{};
  channel::WriteI32(request, channel::kSizeField, static_cast<int32_t>(request.size()));
  core.codec().WriteText(request, channel::find_patient::kPatientId, PatID);
  const auto reply = core.exchanger().Exchange(command::kFindPatient, request);
  if (auto failed = MapReadOutcome(reply, command::kFindPatient)) return *failed;

  const auto& found = core.holding().Last<channel::FoundPatientReply>();
  if (!found.found) return result::kNothingFound;
  FName = found.first_name;
  LName = found.last_name;
  return result::kSuccess;
}

}  // namespace orvabridge::operations
