#include "sim/record_fields.h"

#include <iterator>

#include "channel/protocol.h"

namespace orvabridge::sim {

namespace {

namespace cmd = channel::command;
namespace fp = channel::find_patient;
namespace pt = channel::patient;
namespace iq = channel::image_query;
namespace im = channel::image;
namespace ic = channel::image_card;
namespace lg = channel::login;
namespace gn = channel::generic;
namespace ar = channel::attach_reply;

using enum FieldKind;

constexpr NamedField kSize{"Size", channel::kSizeField, kInt32};

constexpr NamedField kAttachReplyFields[] = {
    {"ControlWindow", ar::kControlWindow, kWindow},
    {"VersionMajor", ar::kVersionMajor, kInt32},
    {"VersionMinor", ar::kVersionMinor, kInt32},
    {"VersionBuild", ar::kVersionBuild, kInt32},
    {"Name", ar::kName, kText},
};

// 1003 asks with the patient id and is answered on the same record.
constexpr NamedField kFindPatientFields[] = {
    kSize,
    {"PatientId", fp::kPatientId, kText},
    {"FirstName", fp::kFirstName, kText},
    {"LastName", fp::kLastName, kText},
    {"Found", fp::kFound, kInt32},
};

// 1004 uses the same record with the options where 1003 answers the first name.
constexpr NamedField kShowPatientFields[] = {
    kSize,
    {"PatientId", fp::kPatientId, kText},
    {"Options", fp::kOptions, kText},
};

// The short patient record is the extended one without its last two fields.
constexpr NamedField kExtendedPatientFields[] = {
    kSize,
    {"Id", pt::kId, kText},
    {"FirstName", pt::kFirstName, kText},
    {"LastName", pt::kLastName, kText},
    {"Address", pt::kAddress, kText},
    {"TelOne", pt::kTelOne, kText},
    {"TelTwo", pt::kTelTwo, kText},
    {"Sex", pt::kSex, kText},
    {"Email", pt::kEmail, kText},
    {"Mobile", pt::kMobile, kText},
    {"Birthdate", pt::kBirthdate, kText},
    {"Comments", pt::kComments, kText},
    {"OtherIds", pt::kOtherIds, kText},
    {"Extra", pt::kExtra, kText},
};
constexpr std::span<const NamedField> kShortPatientFields =
    std::span(kExtendedPatientFields).first(std::size(kExtendedPatientFields) - 2);
static_assert(kShortPatientFields.back().field.end() == pt::kShortSize);

constexpr NamedField kImageQueryFields[] = {
    kSize,
    {"PictureOrPatientId", iq::kPictureOrPatientId, kText},
    {"PathOrDate", iq::kPathOrDate, kText},
    {"FolderOrResult", iq::kFolderOrResult, kText},
};

constexpr NamedField kImageFields[] = {
    kSize,
    {"PatientId", im::kPatientId, kText},
    {"PictureId", im::kPictureId, kText},
    {"ImageDate", im::kImageDate, kText},
    {"ToothGroups", im::kToothGroups, kText},
    {"ImageType", im::kImageType, kText},
    {"Comment", im::kComment, kText},
    {"OriginalPath", im::kOriginalPath, kText},
    {"ToothGroupName", im::kToothGroupName, kText},
    {"XrayData", im::kXrayData, kText},
};

constexpr NamedField kImageCardFields[] = {
    kSize,
    {"CardId", ic::kCardId, kInt32},
    {"PatientId", ic::kPatientId, kText},
    {"Content", ic::kContent, kText},
    {"ImagePath", ic::kImagePath, kText},
    {"GetImages", ic::kGetImages, kInt16},
    {"GetOriginals", ic::kGetOriginals, kInt16},
};

constexpr NamedField kLoginFields[] = {
    kSize,
    {"LoginName", lg::kLoginName, kText},
    {"Password", lg::kPassword, kText},
    {"AdminLoginName", lg::kAdminLoginName, kText},
    {"AdminPassword", lg::kAdminPassword, kText},
    {"UserPrefix", lg::kUserPrefix, kText},
    {"UserFirstname", lg::kUserFirstname, kText},
    {"UserLastname", lg::kUserLastname, kText},
    {"ChangeRightsOrResult", lg::kChangeRightsOrResult, kInt32},
    {"AdminRights", lg::kAdminRights, kInt16},
    {"ApproveRights", lg::kApproveRights, kInt16},
    {"DeleteRights", lg::kDeleteRights, kInt16},
    {"EditRights", lg::kEditRights, kInt16},
    {"PrintPatientInfoRights", lg::kPrintPatientInfoRights, kInt16},
    {"ExportDcmRights", lg::kExportDcmRights, kInt16},
    {"ImportDcmRights", lg::kImportDcmRights, kInt16},
    {"CaptureAndNonDcmImportRights", lg::kCaptureAndNonDcmImportRights, kInt16},
    {"WorkstationName", lg::kWorkstationName, kText},
    {"NinthRight", lg::kNinthRight, kInt16},
    {"Rights", lg::kRights, kInt32},
    {"UserGroup", lg::kUserGroup, kText},
};

constexpr NamedField kGenericFields[] = {
    kSize,
    {"SubCommand", gn::kSubCommand, kInt32},
    {"Number0", gn::kNumber0, kInt32},
    {"Number1", gn::kNumber1, kInt32},
    {"Number2", gn::kNumber2, kInt32},
    {"Number3", gn::kNumber3, kInt32},
    {"Double", gn::kDouble, kDouble},
    {"Date", gn::kDate, kDouble},
    {"Text0", gn::kText[0], kText},
    {"Text1", gn::kText[1], kText},
    {"Text2", gn::kText[2], kText},
    {"Text3", gn::kText[3], kText},
    {"Text4", gn::kText[4], kText},
    {"Text5", gn::kText[5], kText},
    {"Text6", gn::kText[6], kText},
    {"Text7", gn::kText[7], kText},
    {"Text8", gn::kText[8], kText},
    {"Text9", gn::kText[9], kText},
};

constexpr RecordLayout kAttachReply{"attach reply", ar::kSize, kAttachReplyFields};
constexpr RecordLayout kFindPatient{"find-patient record", fp::kSize, kFindPatientFields};
constexpr RecordLayout kShowPatient{"find-patient record", fp::kSize, kShowPatientFields};
constexpr RecordLayout kShortPatient{"short patient record", pt::kShortSize, kShortPatientFields};
constexpr RecordLayout kExtendedPatient{"extended patient record", pt::kExtendedSize,
                                        kExtendedPatientFields};
constexpr RecordLayout kImageQuery{"image query record", iq::kSize, kImageQueryFields};
constexpr RecordLayout kImage{"image record", im::kSize, kImageFields};
constexpr RecordLayout kImageCard{"image card record", ic::kSize, kImageCardFields};
constexpr RecordLayout kLogin{"login record", lg::kSize, kLoginFields};
constexpr RecordLayout kNoRecord{"no record", 0, {}};
constexpr RecordLayout kGeneric{"generic record", gn::kSize, kGenericFields};

// The named fields of a record of the protocol table; nullptr for an answer without a record
// (1013), which is no answer the simulator gives.
const RecordLayout* LayoutOf(channel::RecordKind kind) {
  using channel::RecordKind;
  switch (kind) {
    case RecordKind::kNone:
      return nullptr;
    case RecordKind::kAttachReply:
      return &kAttachReply;
    case RecordKind::kFindPatient:
      return &kFindPatient;
    case RecordKind::kShortPatient:
      return &kShortPatient;
    case RecordKind::kExtendedPatient:
      return &kExtendedPatient;
    case RecordKind::kImageQuery:
      return &kImageQuery;
    case RecordKind::kImage:
      return &kImage;
    case RecordKind::kImageCard:
      return &kImageCard;
    case RecordKind::kLogin:
      return &kLogin;
    case RecordKind::kGeneric:
      return &kGeneric;
  }
  return nullptr;
}

}  // namespace

std::string_view CommandName(uint32_t code) {
  const channel::CommandInfo* info = channel::FindCommandInfo(code);
  return info == nullptr ? std::string_view() : info->name;
}

std::string_view GenericSubCommandName(int32_t sub_command) {
  switch (sub_command) {
    case gn::kWorklistQuery:
      return "WorklistQuery";
    case gn::kResponsiblePerson:
      return "ResponsiblePerson";
    case gn::kShowObject:
      return "ShowObject";
    case gn::kSessionInfo:
      return "SessionInfo";
    default:
      return {};
  }
}

const RecordLayout* RequestLayout(uint32_t code) {
  const channel::CommandInfo* info = channel::FindCommandInfo(code);
  if (info == nullptr || !info->request) return nullptr;
  // 1004 carries the find-patient record with the options where 1003 answers the names.
  if (code == cmd::kShowPatient) return &kShowPatient;
  if (*info->request == channel::RecordKind::kNone) return &kNoRecord;  // the logout request
  return LayoutOf(*info->request);
}

const RecordLayout* ReplyLayout(uint32_t code) {
  const channel::CommandInfo* info = channel::FindCommandInfo(code);
  if (info == nullptr || !info->reply) return nullptr;
  return LayoutOf(*info->reply);
}

}  // namespace orvabridge::sim
