// Find, show, add, change and read the current patient.
#include "channel/records.h"
#include "sim/command_handlers.h"
#include "sim/record_mapping.h"

namespace orvabridge::sim {

namespace fp = channel::find_patient;

Reply FindPatient(CommandContext& context, Request request) {
  const std::string id = context.codec.ReadText(request, fp::kPatientId);
  Reply reply{channel::command::kFindPatient, NewRecord(fp::kSize)};
  context.codec.WriteText(reply.bytes, fp::kPatientId, id);
  if (const SimPatient* patient = context.model.FindPatient(id)) {
    context.codec.WriteText(reply.bytes, fp::kFirstName, patient->first_name);
    context.codec.WriteText(reply.bytes, fp::kLastName, patient->last_name);
    channel::WriteI32(reply.bytes, fp::kFound, 1);
  }
  return reply;
}

void ShowPatient(CommandContext& context, Request request) {
  const std::string id = context.codec.ReadText(request, fp::kPatientId);
  context.model.last_show_options = LeadingNumber(context.codec.ReadText(request, fp::kOptions));
  // An unknown patient leaves the screen as it was, as the real application does.
  if (context.model.FindPatient(id)) context.model.current_patient_id = id;
}

void AddPatient(CommandContext& context, Request request, bool extended) {
  SimPatient patient =
      ReadPatient(context.codec, request, extended ? PatientForm::kExtended : PatientForm::kShort);
  // An identifier already in use is refused silently: the request has no answer to report it.
  if (patient.id.empty() || context.model.FindPatient(patient.id)) return;
  context.model.patients.push_back(std::move(patient));
}

void ChangePatient(CommandContext& context, Request request, bool extended) {
  SimPatient changed =
      ReadPatient(context.codec, request, extended ? PatientForm::kExtended : PatientForm::kShort);
  SimPatient* existing = context.model.FindPatient(changed.id);
  if (!existing) return;
  changed.db_id = existing->db_id;
  if (!extended) changed.other_ids = existing->other_ids;  // the short form does not carry them
  *existing = std::move(changed);
}

Reply CurrentPatient(CommandContext& context) {
  Reply reply{channel::command::kCurrentPatient, NewRecord(channel::patient::kShortSize)};
  if (const SimPatient* patient = context.model.FindPatient(context.model.current_patient_id)) {
    WritePatient(context.codec, reply.bytes, *patient, PatientForm::kShort);
  }
  return reply;
}

}  // namespace orvabridge::sim
