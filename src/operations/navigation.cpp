#include "operations/navigation.h"

#include <array>
#include <string>
#include <string_view>

#include "link/call_log_line.h"
#include "appcontrol/force_fore.h"
#include "channel/codec.h"
#include "link/appl_core.h"
#include "link/failure_policy.h"
#include "operations/patients.h"
#include "operations/guards.h"

namespace orvabridge::operations {
namespace {

namespace command = channel::command;
namespace generic = channel::generic;

constexpr int32_t kFrontWhenNamed = 0;
constexpr int32_t kFrontAlways = 1;
// The imaging application has this long to report the patient asked for.
constexpr double kConfirmSeconds = api::MemberNamed("ShowPatientEx").waits_seconds;
constexpr double kPollPauseSeconds = 0.5;
// Longer than the generic exchange's usual wait: opening an object may load images.
constexpr double kShowObjectTimeoutSeconds = api::MemberNamed("ShowObject").waits_seconds;
// Imaging applications of version 3.0 are maximised whenever they are brought to the front.
constexpr std::string_view kMaximizeVersion = "3.0";

void ForceTargetToFront(link::ApplCore& core) {
  appcontrol::ForceForegroundWindow(core.windows(), core.thread().target_window);
}

void MaximizeOldVersion(link::ApplCore& core) {
  if (core.application_version().text().starts_with(kMaximizeVersion)) {
    core.windows().ShowWindowAsync(core.thread().target_window, platform::kSwMaximize);
  }
}

// Asks for the current patient; `reported` keeps its last value when nothing is reported.
void PollCurrentPatient(link::ApplCore& core, std::string& reported) {
  std::array<std::string, 10> ignored;
  GetCurrentPatient(core, reported, ignored[0], ignored[1], ignored[2], ignored[3], ignored[4],
                    ignored[5], ignored[6], ignored[7], ignored[8], ignored[9]);
}

void SendShowPatient(link::ApplCore& core, const std::string& PatID, int32_t lOptions) {
  namespace find = channel::find_patient;
  channel::Record<find::kSize> request{};
  channel::WriteI32(request, channel::kSizeField, static_cast<int32_t>(request.size()));
  core.codec().WriteText(request, find::kPatientId, PatID);
  core.codec().WriteText(request, find::kOptions, std::to_string(lOptions));
  // No reply comes; the switch is confirmed by polling instead.
  core.exchanger().Send(command::kShowPatient, request);
}

int32_t ShowPatientBody(link::ApplCore& core, const std::string& PatID, int32_t lOptions,
                        link::CallLog call_log) {
  if (core.text_out().on()) {
    core.text_out().Append(call_log.Line());
    return result::kSuccess;
  }
  const bool to_front = BringToFront(lOptions, !PatID.empty());
  if (auto failed = CheckGuards(core, api::MemberNamed("ShowPatientEx"))) return *failed;

  SendShowPatient(core, PatID, lOptions);
  if (to_front) {
    ForceTargetToFront(core);
    MaximizeOldVersion(core);
  }

  std::string reported;
  PollCurrentPatient(core, reported);
  const auto until = core.exchanger().DeadlineIn(kConfirmSeconds);
  while (platform::Clock::now() < until && reported != PatID) {
    core.windows().PumpMessages();
    // Gone for good: TargetWindow is left for the next call's window check to clear.
    if (!core.windows().IsWindow(core.thread().target_window)) return result::kNoTargetWindow;
    PollCurrentPatient(core, reported);
    core.exchanger().PumpFor(kPollPauseSeconds);
  }
  if (reported != PatID) return result::kNothingFound;
  if (to_front) ForceTargetToFront(core);
  return result::kSuccess;
}

// The generic exchange, sub-command 2. Fields the request does not write keep whatever the last
// generic exchange left in the record.
int32_t ShowOnGenericPath(link::ApplCore& core, soObjectTypes ObjectType, int32_t lDBID,
                          const std::string& sUID, int32_t lOptions, bool to_front) {
  auto& record = core.holding().generic_record;
  channel::WriteI32(record, channel::kSizeField, static_cast<int32_t>(generic::kSize));
  channel::WriteI32(record, generic::kSubCommand, generic::kShowObject);
  channel::WriteI32(record, generic::kNumber0, static_cast<int32_t>(ObjectType));
  channel::WriteI32(record, generic::kNumber1, lDBID);
  channel::WriteI32(record, generic::kNumber2, lOptions);
  core.codec().WriteText(record, generic::kText[0], sUID);

  const auto reply =
      core.exchanger().Exchange(command::kGeneric, record, kShowObjectTimeoutSeconds);
  if (reply.outcome == channel::Outcome::kWindowGone) return result::kNoTargetWindow;
  if (reply.outcome == channel::Outcome::kTimeout) return result::kTimeout;
  const int32_t shown = reply.reply_code == command::kGeneric
                            ? core.holding().Last<channel::GenericReply>().number[0]
                            : result::kUnexpectedReply;
  if (to_front) {
    ForceTargetToFront(core);
    MaximizeOldVersion(core);
  }
  return shown;
}

}  // namespace

bool BringToFront(int32_t lOptions, bool names_an_object) {
  if (lOptions == kFrontWhenNamed) return names_an_object;
  return lOptions == kFrontAlways;
}

int32_t ShowPatientEx(link::ApplCore& core, const std::string& PatID, int32_t lOptions,
                      link::CallLog call_log) {
  return link::RaiseMethodError("ShowPatientEx",
                                [&] { return ShowPatientBody(core, PatID, lOptions, call_log); });
}

int32_t ShowObject(link::ApplCore& core, soObjectTypes ObjectType, int32_t lDBID,
                   const std::string& sUID, int32_t lOptions) {
  return link::RaiseMethodError("ShowObject", [&]() -> int32_t {
    // No text-out short cut: the request goes out in text-out mode too.
    const bool to_front = BringToFront(lOptions, lDBID != 0 || !sUID.empty());
    if (auto failed = CheckGuards(core, api::MemberNamed("ShowObject"))) return *failed;

    // The patient path is ShowPatientEx's own, with its arguments: in text-out mode it writes
    // ShowPatientEx's line.
    const int32_t shown =
        ObjectType == otPatient && lDBID == 0
            ? ShowPatientEx(core, sUID, lOptions,
                            link::CallArguments(api::MemberNamed("ShowPatientEx"), sUID, lOptions))
            : ShowOnGenericPath(core, ObjectType, lDBID, sUID, lOptions, to_front);
    // A 0 from either path gets one more push to the front.
    if (shown == result::kNothingFound && to_front) ForceTargetToFront(core);
    return shown;
  });
}

}  // namespace orvabridge::operations
