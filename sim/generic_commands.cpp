// The generic exchange (code 1500): worklist query, responsible person, show object, session.
// The answer is the request record with the sub-command's fields written over it, as the real
// application answers on the same record.
#include <string>

#include "channel/records.h"
#include "sim/command_handlers.h"

namespace orvabridge::sim {

namespace {

namespace gn = channel::generic;

// Object types of the show-object request.
constexpr int32_t kPatientObject = 0;
constexpr int32_t kImageCardObject = 2;
constexpr int32_t kImageObject = 3;

// The criteria of a worklist query, in the text fields the request puts them.
SimWorklistEntry WorklistCriteria(CommandContext& context, std::span<const std::byte> record) {
  SimWorklistEntry criteria;
  criteria.accession_number = context.codec.ReadText(record, gn::kText[0]);
  criteria.modality = context.codec.ReadText(record, gn::kText[1]);
  criteria.patient_id = context.codec.ReadText(record, gn::kText[2]);
  criteria.patient_name = context.codec.ReadText(record, gn::kText[3]);
  criteria.procedure_id = context.codec.ReadText(record, gn::kText[4]);
  criteria.station_ae = context.codec.ReadText(record, gn::kText[5]);
  return criteria;
}

bool Matches(const SimWorklistEntry& entry, const SimWorklistEntry& criteria) {
  using Text = std::string SimWorklistEntry::*;
  for (const Text text : {&SimWorklistEntry::accession_number, &SimWorklistEntry::modality,
                          &SimWorklistEntry::patient_id, &SimWorklistEntry::patient_name,
                          &SimWorklistEntry::procedure_id, &SimWorklistEntry::station_ae}) {
    if (!(criteria.*text).empty() && criteria.*text != entry.*text) return false;
  }
  return true;
}

void WorklistQuery(CommandContext& context, std::span<std::byte> record) {
  const SimWorklistEntry criteria = WorklistCriteria(context, record);
  int32_t matches = 0;
  if (const auto& worklist = context.model.worklist) {
    for (const SimWorklistEntry& entry : *worklist) matches += Matches(entry, criteria) ? 1 : 0;
  } else {
    // Without a worklist of its own the register stands in: entries match on the patient id.
    for (const SimPatient& patient : context.model.patients) {
      if (criteria.patient_id.empty() || patient.id == criteria.patient_id) ++matches;
    }
  }
  channel::WriteI32(record, gn::kNumber0, 1);
  context.codec.WriteText(record, gn::kText[0], std::to_string(matches));
}

void ResponsiblePerson(CommandContext& context, std::span<std::byte> record) {
  const SimPerson& person = context.model.responsible_person;
  channel::WriteI32(record, gn::kNumber0, 1);
  channel::WriteI32(record, gn::kNumber1, person.id);
  channel::WriteI32(record, gn::kNumber2, person.type);
  const std::string* texts[] = {&person.short_name, &person.first_name,   &person.last_name,
                                &person.prefix,     &person.contact_info, &person.email,
                                &person.guid,       &person.login};
  for (size_t n = 0; n < std::size(texts); ++n) {
    context.codec.WriteText(record, gn::kText[n], *texts[n]);
  }
}

// Shows the object when the model knows it; result 1 when shown, 0 otherwise.
int32_t ShowObject(CommandContext& context, std::span<const std::byte> record) {
  SimModel& model = context.model;
  const int32_t type = channel::ReadI32(record, gn::kNumber0);
  const int32_t number = channel::ReadI32(record, gn::kNumber1);
  const std::string uid = context.codec.ReadText(record, gn::kText[0]);
  switch (type) {
    case kPatientObject: {
      const SimPatient* patient = model.FindPatientByNumber(number);
      if (!patient) patient = model.FindPatient(uid);
      if (!patient) return 0;
      model.current_patient_id = patient->id;
      return 1;
    }
    case kImageObject: {
      const SimImage* image = model.FindImage(number != 0 ? std::to_string(number) : uid);
      if (!image) return 0;
      model.selected_picture_id = image->picture_id;
      return 1;
    }
    case kImageCardObject: {
      if (model.selected_card && model.selected_card->id == number) return 1;
      const SimImageCard* card = model.FindImageCard(number);
      if (!card) return 0;
      model.selected_card = *card;
      return 1;
    }
    default:
      return 0;  // the model has no series
  }
}

void SessionInfo(CommandContext& context, std::span<std::byte> record) {
  // The free text comes in text field 5 and goes back in text field 7.
  const std::string extra = context.codec.ReadText(record, gn::kText[5]);
  const SimUser* user = context.model.LoggedInUser();
  const SimUser nobody;
  const SimUser& shown = user ? *user : nobody;
  channel::WriteI32(record, gn::kNumber0, 1);
  channel::WriteI32(record, gn::kNumber1, shown.id);
  channel::WriteI32(record, gn::kNumber2, user ? 1 : 0);
  channel::WriteI32(record, gn::kNumber3, shown.login_method);
  channel::WriteF64(record, gn::kDouble, shown.rights);
  const std::string* texts[] = {&shown.prefix, &shown.first_name, &shown.last_name,
                                &shown.login,  &shown.group,      &shown.workstation};
  for (size_t n = 0; n < std::size(texts); ++n) {
    context.codec.WriteText(record, gn::kText[n + 1], *texts[n]);
  }
  context.codec.WriteText(record, gn::kText[7], extra);
}

}  // namespace

Reply Generic(CommandContext& context, Request request) {
  Reply reply{channel::command::kGeneric, EchoRecord(request)};
  switch (channel::ReadI32(request, gn::kSubCommand)) {
    case gn::kWorklistQuery:
      WorklistQuery(context, reply.bytes);
      break;
    case gn::kResponsiblePerson:
      ResponsiblePerson(context, reply.bytes);
      break;
    case gn::kShowObject:
      channel::WriteI32(reply.bytes, gn::kNumber0, ShowObject(context, request));
      break;
    case gn::kSessionInfo:
      SessionInfo(context, reply.bytes);
      break;
    default:
      channel::WriteI32(reply.bytes, gn::kNumber0, 0);  // unknown sub-command: nothing done
      break;
  }
  return reply;
}

}  // namespace orvabridge::sim
