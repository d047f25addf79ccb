#include "operations/patient_write.h"

#include <span>

#include "channel/codec.h"
#include "link/call_log_line.h"
#include "link/failure_policy.h"
#include "operations/guards.h"

namespace orvabridge::operations {
namespace {

namespace patient = channel::patient;
namespace command = channel::command;

const api::Member& MemberOf(PatientWrite kind) {
  return kind == PatientWrite::kAdd ? api::MemberNamed("AddPatientEx")
                                    : api::MemberNamed("ChangePatientEx");
}

uint32_t CommandCode(PatientWrite kind, bool extended) {
  if (kind == PatientWrite::kAdd) {
    return extended ? command::kAddPatientExtended : command::kAddPatientShort;
  }
  return extended ? command::kChangePatientExtended : command::kChangePatientShort;
}

// Fills the record; the short form is the leading part of the extended one. Texts longer than
// their field are cut at the field.
void FillRecord(const channel::FieldCodec& codec, std::span<std::byte> record, bool extended,
                const PatientArguments& a) {
  channel::WriteI32(record, channel::kSizeField, static_cast<int32_t>(record.size()));
  codec.WriteText(record, patient::kId, a.PatID);
  codec.WriteText(record, patient::kFirstName, a.FName);
  codec.WriteText(record, patient::kLastName, a.LName);
  codec.WriteText(record, patient::kAddress, a.Adress);
  codec.WriteText(record, patient::kTelOne, a.TelOne);
  codec.WriteText(record, patient::kTelTwo, a.TelTwo);
  codec.WriteText(record, patient::kSex, a.Sex);
  codec.WriteText(record, patient::kEmail, a.Email);
  codec.WriteText(record, patient::kMobile, a.TelMobile);
  codec.WriteText(record, patient::kBirthdate, a.Birthdate);
  codec.WriteText(record, patient::kComments, a.Comments);
  // Extra stays zero.
  if (extended) codec.WriteText(record, patient::kOtherIds, a.OtherIDs);
}

}  // namespace

int32_t WritePatient(link::ApplCore& core, PatientWrite kind, const PatientArguments& arguments,
                     link::CallLog call_log) {
  return link::RaiseMethodError(MemberOf(kind).name, [&]() -> int32_t {
    if (core.text_out().on()) {
      core.text_out().Append(call_log.Line());
      return result::kSuccess;
    }
    if (auto failed = CheckGuards(core, MemberOf(kind), &arguments.PatID)) return *failed;

    // Read only now: a re-attach inside the guards selects the extended record again.
    const bool extended = core.extended_record();
    channel::Record<patient::kExtendedSize> record{};
    const auto sent =
        std::span<std::byte>(record).first(extended ? patient::kExtendedSize : patient::kShortSize);
    FillRecord(core.codec(), sent, extended, arguments);
    // No reply comes: ReplyCode is neither reset nor read. A record that an application the
    // system reports as hung never received has not been delivered.
    if (!core.exchanger().Send(CommandCode(kind, extended), sent)) return result::kNoTargetWindow;
    return result::kSuccess;
  });
}

}  // namespace orvabridge::operations
