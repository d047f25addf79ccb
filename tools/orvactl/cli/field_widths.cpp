#include "field_widths.h"

#include "channel/codec.h"
#include "channel/records.h"

namespace orvabridge::orvactl {
namespace {

namespace records = channel;

struct Entry {
  std::string_view member;
  std::string_view parameter;
  channel::Field field;
};

// The patient fields of the four write members, as patient_write sends them.
#define ORVACTL_PATIENT_FIELDS(member)                                                        \
  {member, "PatID", records::patient::kId}, {member, "FName", records::patient::kFirstName},  \
      {member, "LName", records::patient::kLastName},                                         \
      {member, "Adress", records::patient::kAddress},                                         \
      {member, "TelOne", records::patient::kTelOne},                                          \
      {member, "TelTwo", records::patient::kTelTwo}, {member, "Sex", records::patient::kSex}, \
      {member, "Email", records::patient::kEmail},                                            \
      {member, "TelMobile", records::patient::kMobile},                                       \
      {member, "Birthdate", records::patient::kBirthdate}, {                                  \
    member, "Comments", records::patient::kComments                                           \
  }

#define ORVACTL_IMAGE_FIELDS(member)                               \
  {member, "PictureID", records::image::kPictureId},               \
      {member, "patientid", records::image::kPatientId},           \
      {member, "imagetype", records::image::kImageType},           \
      {member, "ToothGroupname", records::image::kToothGroupName}, \
      {member, "comment", records::image::kComment},               \
      {member, "toothgroups", records::image::kToothGroups}, {     \
    member, "Xraydata", records::image::kXrayData                  \
  }

#define ORVACTL_LOGIN_FIELDS(member)                               \
  {member, "LoginName", records::login::kLoginName},               \
      {member, "Password", records::login::kPassword},             \
      {member, "AdminLoginName", records::login::kAdminLoginName}, \
      {member, "AdminPassword", records::login::kAdminPassword},   \
      {member, "UserPrefix", records::login::kUserPrefix},         \
      {member, "UserFirstname", records::login::kUserFirstname},   \
      {member, "UserLastname", records::login::kUserLastname}, {   \
    member, "WorkstationName", records::login::kWorkstationName    \
  }

const Entry kEntries[] = {
    {"FindPatient", "PatID", records::find_patient::kPatientId},
    {"ShowPatient", "PatID", records::find_patient::kPatientId},
    {"ShowPatientEx", "PatID", records::find_patient::kPatientId},
    ORVACTL_PATIENT_FIELDS("AddPatient"),
    ORVACTL_PATIENT_FIELDS("ChangePatient"),
    ORVACTL_PATIENT_FIELDS("AddPatientEx"),
    {"AddPatientEx", "OtherIDs", records::patient::kOtherIds},
    ORVACTL_PATIENT_FIELDS("ChangePatientEx"),
    {"ChangePatientEx", "OtherIDs", records::patient::kOtherIds},
    {"SearchImage", "patientid", records::image_query::kPictureOrPatientId},
    {"GetImage", "PictureID", records::image_query::kPictureOrPatientId},
    {"GetImage", "PicturePath", records::image_query::kPathOrDate},
    {"GetImage", "templib", records::image_query::kFolderOrResult},
    ORVACTL_IMAGE_FIELDS("FindImages"),
    ORVACTL_IMAGE_FIELDS("GetSelectedImageInfo"),
    {"GetSelectedImageInfo", "ImageDate", records::image::kImageDate},
    {"GetSelectedImageInfo", "OrgPath", records::image::kOriginalPath},
    {"GetSelectedImageCard", "patientid", records::image_card::kPatientId},
    {"GetSelectedImageCard", "ICXML", records::image_card::kContent},
    {"GetSelectedImageCard", "ImagePath", records::image_card::kImagePath},
    ORVACTL_LOGIN_FIELDS("UserLogin"),
    ORVACTL_LOGIN_FIELDS("UserLoginEx"),
    ORVACTL_LOGIN_FIELDS("UserGroupLogin"),
    {"UserGroupLogin", "UserGroup", records::login::kUserGroup},
    {"MWLQuery", "AccNo", records::generic::kText[0]},
    {"MWLQuery", "Modality", records::generic::kText[1]},
    {"MWLQuery", "PatID", records::generic::kText[2]},
    {"MWLQuery", "PatName", records::generic::kText[3]},
    {"MWLQuery", "ProcID", records::generic::kText[4]},
    {"MWLQuery", "StationAE", records::generic::kText[5]},
    {"ShowObject", "sUID", records::generic::kText[0]},
    {"GetSessionInfo", "sextra", records::generic::kText[5]},
};

#undef ORVACTL_PATIENT_FIELDS
#undef ORVACTL_IMAGE_FIELDS
#undef ORVACTL_LOGIN_FIELDS

}  // namespace

std::optional<size_t> FieldWidth(std::string_view member, std::string_view parameter) {
  for (const Entry& entry : kEntries) {
    if (entry.member == member && entry.parameter == parameter) return entry.field.width;
  }
  return std::nullopt;
}

std::vector<std::pair<std::string_view, std::string_view>> FieldWidthEntries() {
  std::vector<std::pair<std::string_view, std::string_view>> pairs;
  for (const Entry& entry : kEntries) pairs.emplace_back(entry.member, entry.parameter);
  return pairs;
}

std::vector<CutText> CutTexts(const CommandEntry& command,
                              const std::map<std::string, Value>& values,
                              platform::CodePage& code_page) {
  const channel::FieldCodec codec(code_page);
  std::vector<CutText> cut;
  for (const ParamEntry& param : command.params) {
    const auto given = values.find(std::string(param.name));
    if (given == values.end()) continue;
    const auto* text = std::get_if<std::string>(&given->second);
    const auto width = FieldWidth(command.member, param.name);
    if (text == nullptr || !width) continue;
    const size_t bytes = code_page.ToAnsi(*text).size();
    // The codec cuts on a character boundary; what it keeps is what arrives.
    if (bytes > *width) {
      cut.push_back(
          {"--" + std::string(param.option), bytes, *width, codec.ToAnsiCut(*text, *width).size()});
    }
  }
  return cut;
}

std::string Describe(const CutText& cut) {
  return cut.option + " is cut: " + std::to_string(cut.bytes) +
         " bytes in the ANSI code page, its field holds " + std::to_string(cut.width) +
         "; the imaging application receives the first " + std::to_string(cut.kept);
}

}  // namespace orvabridge::orvactl
