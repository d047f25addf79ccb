#include "commands.h"

#include "bindings.h"

namespace orvabridge::orvactl {
namespace {

using V = ValueType;

// ---- parameter builders, so that the table below reads like the member's signature ----

ParamSpec In(std::string_view name, std::string_view option, std::string_view help,
             ValueType type = V::kText) {
  return {name, option, type, Flow::kIn, false, help};
}
ParamSpec Out(std::string_view name, std::string_view help, ValueType type = V::kText) {
  return {name, {}, type, Flow::kOut, false, help};
}
ParamSpec InOut(std::string_view name, std::string_view option, std::string_view help,
                ValueType type = V::kText) {
  return {name, option, type, Flow::kInOut, false, help};
}
ParamSpec Opt(ParamSpec param) {
  param.optional = true;
  return param;
}
ParamSpec Words(ParamSpec param, std::span<const EnumAlias> aliases) {
  param.aliases = aliases;
  return param;
}

constexpr EnumAlias kObjectTypes[] = {{"patient", otPatient},       {"series", otSeries},
                                      {"imagecard", otImagecard},   {"image", otImage},
                                      {"otPatient", otPatient},     {"otSeries", otSeries},
                                      {"otImagecard", otImagecard}, {"otImage", otImage}};
constexpr EnumAlias kRightsMethods[] = {{"leave", LeaveAsIsOrGetDefaults},
                                        {"overwrite", OverwriteWithDefaults},
                                        {"specified", UseSpecifiedRights},
                                        {"LeaveAsIsOrGetDefaults", LeaveAsIsOrGetDefaults},
                                        {"OverwriteWithDefaults", OverwriteWithDefaults},
                                        {"UseSpecifiedRights", UseSpecifiedRights}};
constexpr EnumAlias kInfoKinds[] = {{"lic-name", ggiLicName}, {"ggiLicName", ggiLicName}};
constexpr EnumAlias kWindowStates[] = {{"normal", 0},    {"minimised", 1}, {"minimized", 1},
                                       {"maximised", 2}, {"maximized", 2}, {"topmost", 3}};

// The patient fields in the order AddPatient and ChangePatient take them.
std::vector<ParamSpec> PatientParams() {
  return {In("PatID", "pat-id", "patient id (required)"),
          In("FName", "first-name", "first name"),
          In("LName", "last-name", "last name"),
          In("Sex", "sex", "sex"),
          In("Adress", "address", "address"),
          In("TelOne", "tel-one", "first telephone number"),
          In("TelTwo", "tel-two", "second telephone number"),
          In("TelMobile", "mobile", "mobile telephone number"),
          In("Email", "email", "e-mail address"),
          In("Birthdate", "birthdate", "birth date, sent as written"),
          In("Comments", "comments", "comments")};
}

std::vector<ParamSpec> WithOtherIds(std::vector<ParamSpec> params, bool optional) {
  ParamSpec other = In("OtherIDs", "other-ids", "other identifiers of the patient");
  params.push_back(optional ? Opt(other) : other);
  return params;
}

// The options every login variant shares after the login name and password.
std::vector<ParamSpec> LoginHead(bool with_group) {
  std::vector<ParamSpec> params{In("LoginName", "login", "login name (required)"),
                                In("Password", "password", "password")};
  if (with_group) params.push_back(In("UserGroup", "group", "user group (required)"));
  for (ParamSpec param :
       {Opt(In("AdminLoginName", "admin-login", "administrator's login, to create or change")),
        Opt(In("AdminPassword", "admin-password", "administrator's password")),
        Opt(InOut("UserPrefix", "prefix", "user's name prefix; replaced from the reply")),
        Opt(InOut("UserFirstname", "first-name", "user's first name; replaced from the reply")),
        Opt(InOut("UserLastname", "last-name", "user's last name; replaced from the reply")),
        Opt(Words(In("ChangeRightsMethod", "change-rights",
                     "0 leave, 1 overwrite with defaults, 2 use the given rights", V::kInt32),
                  kRightsMethods))}) {
    params.push_back(param);
  }
  return params;
}

ParamSpec WorkstationParam() {
  return Opt(In("WorkstationName", "workstation", "workstation name sent with the login"));
}

std::vector<ParamSpec> UserLoginParams() {
  std::vector<ParamSpec> params = LoginHead(false);
  for (auto [name, option] : {std::pair{"ApproveRights", "approve-rights"},
                              {"EditRights", "edit-rights"},
                              {"DeleteRights", "delete-rights"},
                              {"PrintPatientInfoRights", "print-patient-info-rights"},
                              {"ExportDCMRights", "export-dcm-rights"},
                              {"ImportDCMRights", "import-dcm-rights"},
                              {"CaptureAndNonDCMImportRights", "capture-rights"},
                              {"AdminRights", "admin-rights"}}) {
    params.push_back(Opt(In(name, option, "right to grant with --change-rights 2", V::kBool)));
  }
  params.push_back(WorkstationParam());
  return params;
}

std::vector<ParamSpec> UserLoginExParams() {
  std::vector<ParamSpec> params = LoginHead(false);
  params.push_back(
      Opt(In("lRights", "rights", "rights bit mask for --change-rights 2", V::kInt32)));
  params.push_back(WorkstationParam());
  return params;
}

std::vector<ParamSpec> GroupLoginParams() {
  std::vector<ParamSpec> params = LoginHead(true);
  params.push_back(WorkstationParam());
  return params;
}

// ---- the calls ----

Returned CallInit(Appl& appl, Bindings& a) {
  return appl.InitApplication(a.Text("AppName"), a.Text("AppVersion"));
}

Returned CallClose(Appl& appl, Bindings&) { return appl.CloseApplication(); }

Returned CallCurrentPatient(Appl& appl, Bindings& a) {
  return appl.GetCurrentPatient(a.Text("PatID"), a.Text("FName"), a.Text("LName"),
                                a.Text("Birthdate"), a.Text("Sex"), a.Text("Adress"),
                                a.Text("TelOne"), a.Text("TelTwo"), a.Text("Mobile"),
                                a.Text("Email"), a.Text("Comments"));
}

Returned CallFindPatient(Appl& appl, Bindings& a) {
  return appl.FindPatient(a.Text("PatID"), a.Text("FName"), a.Text("LName"));
}

Returned CallShowPatient(Appl& appl, Bindings& a) { return appl.ShowPatient(a.Text("PatID")); }

Returned CallAddPatient(Appl& appl, Bindings& a) {
  return appl.AddPatient(a.Text("PatID"), a.Text("FName"), a.Text("LName"), a.Text("Sex"),
                         a.Text("Adress"), a.Text("TelOne"), a.Text("TelTwo"), a.Text("TelMobile"),
                         a.Text("Email"), a.Text("Birthdate"), a.Text("Comments"));
}

Returned CallChangePatient(Appl& appl, Bindings& a) {
  return appl.ChangePatient(a.Text("PatID"), a.Text("FName"), a.Text("LName"), a.Text("Sex"),
                            a.Text("Adress"), a.Text("TelOne"), a.Text("TelTwo"),
                            a.Text("TelMobile"), a.Text("Email"), a.Text("Birthdate"),
                            a.Text("Comments"));
}

Returned CallSearchImage(Appl& appl, Bindings& a) {
  return appl.SearchImage(a.Text("patientid"), a.Text("indate"), a.Text("PictureID"),
                          a.Text("captureDate"), a.Text("imagetype"), a.Text("ToothGroupname"),
                          a.Text("comment"), a.Text("toothgroups"), a.Text("Xraydata"));
}

Returned CallGetImage(Appl& appl, Bindings& a) {
  return appl.GetImage(a.Text("PictureID"), a.Text("templib"), a.Text("PicturePath"));
}

Returned CallFindImages(Appl& appl, Bindings& a) {
  return appl.FindImages(a.Text("PictureID"), a.Text("patientid"), a.Text("FromDate"),
                         a.Text("ToDate"), a.Text("imagetype"), a.Text("ToothGroupname"),
                         a.Text("comment"), a.Text("toothgroups"), a.Text("Xraydata"));
}

Returned CallSelectedImage(Appl& appl, Bindings& a) {
  return appl.GetSelectedImageInfo(a.Text("PictureID"), a.Text("patientid"), a.Text("ImageDate"),
                                   a.Text("imagetype"), a.Text("OrgPath"), a.Text("ToothGroupname"),
                                   a.Text("comment"), a.Text("toothgroups"), a.Text("Xraydata"));
}

Returned CallSelectedCard(Appl& appl, Bindings& a) {
  return appl.GetSelectedImageCard(a.Int32("ImageCardID"), a.Text("patientid"), a.Text("ICXML"),
                                   a.Text("ImagePath"), a.Bool("bGetImages"),
                                   a.Bool("bGetOriginals"));
}

Returned CallLogout(Appl& appl, Bindings&) { return appl.UserLogout(); }

Returned CallLogin(Appl& appl, Bindings& a) {
  return appl.UserLogin(a.Text("LoginName"), a.Text("Password"), a.OptionalText("AdminLoginName"),
                        a.OptionalText("AdminPassword"), a.OptionalText("UserPrefix"),
                        a.OptionalText("UserFirstname"), a.OptionalText("UserLastname"),
                        a.OptionalInt32("ChangeRightsMethod"), a.OptionalBool("ApproveRights"),
                        a.OptionalBool("EditRights"), a.OptionalBool("DeleteRights"),
                        a.OptionalBool("PrintPatientInfoRights"), a.OptionalBool("ExportDCMRights"),
                        a.OptionalBool("ImportDCMRights"),
                        a.OptionalBool("CaptureAndNonDCMImportRights"),
                        a.OptionalBool("AdminRights"), a.OptionalText("WorkstationName"));
}

Returned CallPatientFolder(Appl& appl, Bindings&) { return appl.GetCurrentPatientFolder(); }

Returned CallWindowState(Appl& appl, Bindings& a) {
  return appl.SetWindowState(a.OptionalInt16("iState"), a.OptionalInt32("lXPos"),
                             a.OptionalInt32("lYPos"), a.OptionalInt32("lwidth"),
                             a.OptionalInt32("lheight"), a.OptionalInt32("lParent"));
}

Returned CallWorklist(Appl& appl, Bindings& a) {
  return appl.MWLQuery(a.OptionalText("PatID"), a.OptionalText("PatName"), a.OptionalText("AccNo"),
                       a.OptionalText("ProcID"), a.OptionalDate("StartDate"),
                       a.OptionalText("StationAE"), a.OptionalText("Modality"));
}

Returned CallGroupLogin(Appl& appl, Bindings& a) {
  return appl.UserGroupLogin(a.Text("LoginName"), a.Text("Password"), a.Text("UserGroup"),
                             a.OptionalText("AdminLoginName"), a.OptionalText("AdminPassword"),
                             a.OptionalText("UserPrefix"), a.OptionalText("UserFirstname"),
                             a.OptionalText("UserLastname"), a.OptionalInt32("ChangeRightsMethod"),
                             a.OptionalText("WorkstationName"));
}

Returned CallLoginEx(Appl& appl, Bindings& a) {
  return appl.UserLoginEx(a.Text("LoginName"), a.Text("Password"), a.OptionalText("AdminLoginName"),
                          a.OptionalText("AdminPassword"), a.OptionalText("UserPrefix"),
                          a.OptionalText("UserFirstname"), a.OptionalText("UserLastname"),
                          a.OptionalInt32("ChangeRightsMethod"), a.OptionalInt32("lRights"),
                          a.OptionalText("WorkstationName"));
}

Returned CallRespPerson(Appl& appl, Bindings& a) {
  return appl.GetRespPerson(a.OptionalInt32("rpID"), a.OptionalText("rpPrefix"),
                            a.OptionalText("rpFirstname"), a.OptionalText("rpLastname"),
                            a.OptionalText("rpGUID"), a.OptionalText("rpShortname"),
                            a.OptionalText("rpContactInfo"), a.OptionalText("rpEMail"),
                            a.OptionalText("rpLoginname"), a.OptionalInt32("rpType"));
}

Returned CallShowPatientEx(Appl& appl, Bindings& a) {
  return appl.ShowPatientEx(a.Text("PatID"), a.Int32("lOptions"));
}

Returned CallShowObject(Appl& appl, Bindings& a) {
  auto type = static_cast<soObjectTypes>(a.Int32("ObjectType"));
  return appl.ShowObject(type, a.Int32("lDBID"), a.OptionalText("sUID"),
                         a.OptionalInt32("lOptions"));
}

Returned CallSession(Appl& appl, Bindings& a) {
  return appl.GetSessionInfo(
      a.OptionalInt32("UserID"), a.OptionalText("UserPrefix"), a.OptionalText("UserFirstname"),
      a.OptionalText("UserLastname"), a.OptionalText("UserLogin"), a.OptionalText("UserGroup"),
      a.OptionalText("WorkstationName"), a.OptionalBool("IsLoggedIn"),
      a.OptionalInt16("LoginMethod"), a.OptionalInt16("Rights"), a.OptionalText("sextra"));
}

Returned CallAddPatientEx(Appl& appl, Bindings& a) {
  return appl.AddPatientEx(a.Text("PatID"), a.Text("FName"), a.Text("LName"), a.Text("Sex"),
                           a.Text("Adress"), a.Text("TelOne"), a.Text("TelTwo"),
                           a.Text("TelMobile"), a.Text("Email"), a.Text("Birthdate"),
                           a.Text("Comments"), a.Text("OtherIDs"));
}

Returned CallChangePatientEx(Appl& appl, Bindings& a) {
  return appl.ChangePatientEx(a.Text("PatID"), a.Text("FName"), a.Text("LName"), a.Text("Sex"),
                              a.Text("Adress"), a.Text("TelOne"), a.Text("TelTwo"),
                              a.Text("TelMobile"), a.Text("Email"), a.Text("Birthdate"),
                              a.Text("Comments"), a.OptionalText("OtherIDs"));
}

Returned CallToFile(Appl& appl, Bindings&) { return appl.ToFile(); }

Returned CallWorkstation(Appl& appl, Bindings&) {
  appl.GetComputerOrClientName();
  return std::monostate{};
}

Returned CallGeneralInfo(Appl& appl, Bindings& a) {
  auto kind = static_cast<ggis>(a.Int32("ggiType"));
  return appl.GetGeneralInfo(kind);
}

std::vector<CommandSpec> BuildCommands() {
  std::vector<CommandSpec> commands;
  commands.push_back({"init",
                      "InitApplication",
                      "attach to the imaging application, launching it when none answers",
                      {Out("AppName", "the imaging application's name"),
                       InOut("AppVersion", "app-version",
                             "\"NoLaunch\": search once and never launch; out: its version")},
                      Returns::kResultCode,
                      SuccessWhen::kOne,
                      CallInit});
  commands.push_back({"close",
                      "CloseApplication",
                      "let go of the imaging application (it stays open)",
                      {},
                      Returns::kResultCode,
                      SuccessWhen::kOne,
                      CallClose});
  commands.push_back(
      {"current-patient",
       "GetCurrentPatient",
       "read the patient open in the imaging application",
       {Out("PatID", "patient id"), Out("FName", "first name"), Out("LName", "last name"),
        Out("Birthdate", "birth date"), Out("Sex", "sex"), Out("Adress", "address"),
        Out("TelOne", "first telephone number"), Out("TelTwo", "second telephone number"),
        Out("Mobile", "mobile telephone number"), Out("Email", "e-mail address"),
        Out("Comments", "comments")},
       Returns::kResultCode,
       SuccessWhen::kOne,
       CallCurrentPatient});
  commands.push_back({"find-patient",
                      "FindPatient",
                      "look a patient up by id",
                      {In("PatID", "pat-id", "patient id (required)"), Out("FName", "first name"),
                       Out("LName", "last name")},
                      Returns::kResultCode,
                      SuccessWhen::kOne,
                      CallFindPatient});
  commands.push_back({"show-patient",
                      "ShowPatient",
                      "open a patient in the imaging application",
                      {In("PatID", "pat-id", "patient id")},
                      Returns::kResultCode,
                      SuccessWhen::kOne,
                      CallShowPatient});
  commands.push_back({"add-patient", "AddPatient", "send a new patient (short record)",
                      PatientParams(), Returns::kResultCode, SuccessWhen::kOne, CallAddPatient});
  commands.push_back({"change-patient", "ChangePatient", "send changed patient data (short record)",
                      PatientParams(), Returns::kResultCode, SuccessWhen::kOne, CallChangePatient});
  commands.push_back(
      {"search-image",
       "SearchImage",
       "describe an image of a patient",
       {In("patientid", "patient-id", "patient id (required)"),
        In("indate", "date", "capture date to match; empty: any"), Out("PictureID", "picture id"),
        Out("captureDate", "capture date"), Out("imagetype", "image type"),
        Out("ToothGroupname", "tooth group name"), Out("comment", "comment"),
        Out("toothgroups", "tooth groups"), Out("Xraydata", "X-ray data")},
       Returns::kResultCode,
       SuccessWhen::kOne,
       CallSearchImage});
  commands.push_back({"get-image",
                      "GetImage",
                      "have an image file delivered into a folder",
                      {In("PictureID", "picture-id", "picture id (a number; -1: the selected)"),
                       In("templib", "templib", "destination folder"),
                       InOut("PicturePath", "picture-path", "out: path of the delivered file")},
                      Returns::kResultCode,
                      SuccessWhen::kOne,
                      CallGetImage});
  commands.push_back(
      {"find-images",
       "FindImages",
       "show the images matching the criteria (no answer awaited)",
       {In("PictureID", "picture-id", "picture id"), In("patientid", "patient-id", "patient id"),
        In("FromDate", "from-date", "first capture date"),
        In("ToDate", "to-date", "last capture date"), In("imagetype", "image-type", "image type"),
        In("ToothGroupname", "tooth-group-name", "tooth group name"),
        In("comment", "comment", "comment"), In("toothgroups", "tooth-groups", "tooth groups"),
        In("Xraydata", "xray-data", "X-ray data")},
       Returns::kResultCode,
       SuccessWhen::kZero,
       CallFindImages});
  commands.push_back({"selected-image",
                      "GetSelectedImageInfo",
                      "describe the image selected in the imaging application",
                      {InOut("PictureID", "picture-id", "picture id"),
                       InOut("patientid", "patient-id", "patient id"),
                       InOut("ImageDate", "image-date", "capture date"),
                       InOut("imagetype", "image-type", "image type"),
                       InOut("OrgPath", "org-path", "path of the original"),
                       InOut("ToothGroupname", "tooth-group-name", "tooth group name"),
                       InOut("comment", "comment", "comment"),
                       InOut("toothgroups", "tooth-groups", "tooth groups"),
                       InOut("Xraydata", "xray-data", "X-ray data")},
                      Returns::kResultCode,
                      SuccessWhen::kOne,
                      CallSelectedImage});
  commands.push_back({"selected-card",
                      "GetSelectedImageCard",
                      "read the image card selected in the imaging application",
                      {InOut("ImageCardID", "card-id", "image card number", V::kInt32),
                       InOut("patientid", "patient-id", "patient id"),
                       InOut("ICXML", "icxml", "image card content"),
                       InOut("ImagePath", "image-path", "image path"),
                       In("bGetImages", "get-images", "also fetch the images", V::kBool),
                       In("bGetOriginals", "get-originals", "also fetch the originals", V::kBool)},
                      Returns::kResultCode,
                      SuccessWhen::kOne,
                      CallSelectedCard});
  commands.push_back({"logout",
                      "UserLogout",
                      "log the current user out",
                      {},
                      Returns::kResultCode,
                      SuccessWhen::kOne,
                      CallLogout});
  commands.push_back({"login", "UserLogin", "log a user in (rights as flags)", UserLoginParams(),
                      Returns::kResultCode, SuccessWhen::kOne, CallLogin});
  commands.push_back({"patient-folder",
                      "GetCurrentPatientFolder",
                      "read the current patient's folder from the database",
                      {},
                      Returns::kText,
                      SuccessWhen::kOne,
                      CallPatientFolder});
  commands.push_back(
      {"window-state",
       "SetWindowState",
       "place, show or embed the imaging window",
       {Opt(Words(
            In("iState", "state", "0 normal, 1 minimised, 2 maximised, 3 top-most", V::kInt16),
            kWindowStates)),
        Opt(In("lXPos", "x", "left edge", V::kInt32)), Opt(In("lYPos", "y", "top edge", V::kInt32)),
        Opt(In("lwidth", "width", "width", V::kInt32)),
        Opt(In("lheight", "height", "height", V::kInt32)),
        Opt(In("lParent", "parent", "window to embed into; -1: release", V::kInt32))},
       Returns::kResultCode,
       SuccessWhen::kOne,
       CallWindowState});
  commands.push_back(
      {"worklist",
       "MWLQuery",
       "send a worklist query",
       {Opt(In("PatID", "pat-id", "patient id")), Opt(In("PatName", "pat-name", "patient name")),
        Opt(In("AccNo", "acc-no", "accession number")),
        Opt(In("ProcID", "proc-id", "procedure id")),
        Opt(In("StartDate", "start-date", "start date", V::kDate)),
        Opt(In("StationAE", "station-ae", "station AE title")),
        Opt(In("Modality", "modality", "modality"))},
       Returns::kResultCode,
       SuccessWhen::kPositive,
       CallWorklist});
  commands.push_back({"group-login", "UserGroupLogin", "log a user in as member of a group",
                      GroupLoginParams(), Returns::kResultCode, SuccessWhen::kOne, CallGroupLogin});
  commands.push_back({"login-ex", "UserLoginEx", "log a user in (rights as a bit mask)",
                      UserLoginExParams(), Returns::kResultCode, SuccessWhen::kOne, CallLoginEx});
  commands.push_back(
      {"resp-person",
       "GetRespPerson",
       "read the responsible person",
       {Opt(Out("rpID", "number", V::kInt32)), Opt(Out("rpPrefix", "prefix")),
        Opt(Out("rpFirstname", "first name")), Opt(Out("rpLastname", "last name")),
        Opt(Out("rpGUID", "GUID")), Opt(Out("rpShortname", "short name")),
        Opt(Out("rpContactInfo", "contact information")), Opt(Out("rpEMail", "e-mail address")),
        Opt(Out("rpLoginname", "login name")), Opt(Out("rpType", "type", V::kInt32))},
       Returns::kResultCode,
       SuccessWhen::kOne,
       CallRespPerson});
  commands.push_back({"show-patient-ex",
                      "ShowPatientEx",
                      "open a patient, with options",
                      {In("PatID", "pat-id", "patient id"),
                       In("lOptions", "options", "display options", V::kInt32)},
                      Returns::kResultCode,
                      SuccessWhen::kOne,
                      CallShowPatientEx});
  commands.push_back({"show-object",
                      "ShowObject",
                      "open a patient, series, image card or image",
                      {Words(In("ObjectType", "type", "what to show", V::kInt32), kObjectTypes),
                       In("lDBID", "db-id", "database number", V::kInt32),
                       Opt(In("sUID", "uid", "unique id (a patient: its id when --db-id is 0)")),
                       Opt(In("lOptions", "options", "display options", V::kInt32))},
                      Returns::kResultCode,
                      SuccessWhen::kOne,
                      CallShowObject});
  commands.push_back(
      {"session",
       "GetSessionInfo",
       "read who is logged in",
       {Opt(Out("UserID", "user number", V::kInt32)), Opt(Out("UserPrefix", "name prefix")),
        Opt(Out("UserFirstname", "first name")), Opt(Out("UserLastname", "last name")),
        Opt(Out("UserLogin", "login name")), Opt(Out("UserGroup", "user group")),
        Opt(Out("WorkstationName", "workstation")),
        Opt(Out("IsLoggedIn", "somebody is logged in", V::kBool)),
        Opt(Out("LoginMethod", "login method", V::kInt16)), Opt(Out("Rights", "rights", V::kInt16)),
        Opt(InOut("sextra", "extra", "free text sent along and answered"))},
       Returns::kResultCode,
       SuccessWhen::kOne,
       CallSession});
  commands.push_back({"add-patient-ex", "AddPatientEx", "send a new patient (extended record)",
                      WithOtherIds(PatientParams(), false), Returns::kResultCode, SuccessWhen::kOne,
                      CallAddPatientEx});
  commands.push_back({"change-patient-ex", "ChangePatientEx",
                      "send changed patient data (extended record)",
                      WithOtherIds(PatientParams(), true), Returns::kResultCode, SuccessWhen::kOne,
                      CallChangePatientEx});
  commands.push_back({"to-file",
                      "ToFile",
                      "tell whether calls go to the text-out file",
                      {},
                      Returns::kBool,
                      SuccessWhen::kOne,
                      CallToFile});
  commands.push_back({"workstation",
                      "GetComputerOrClientName",
                      "read the installation, workstation name and text-out setting again",
                      {},
                      Returns::kNothing,
                      SuccessWhen::kOne,
                      CallWorkstation});
  commands.push_back(
      {"general-info",
       "GetGeneralInfo",
       "read general information from the database",
       {Words(In("ggiType", "type", "what to read: lic-name (0)", V::kInt32), kInfoKinds)},
       Returns::kText,
       SuccessWhen::kOne,
       CallGeneralInfo});
  return commands;
}

}  // namespace

const ParamSpec* CommandSpec::FindOption(std::string_view option) const {
  for (const ParamSpec& param : params) {
    if (param.TakesOption() && param.option == option) return &param;
  }
  return nullptr;
}

const ParamSpec* CommandSpec::FindParam(std::string_view param_name) const {
  for (const ParamSpec& param : params) {
    if (param.name == param_name) return &param;
  }
  return nullptr;
}

const std::vector<CommandSpec>& Commands() {
  static const std::vector<CommandSpec> commands = BuildCommands();
  return commands;
}

const CommandSpec* FindCommand(std::string_view name) {
  for (const CommandSpec& command : Commands()) {
    if (command.name == name) return &command;
  }
  return nullptr;
}

}  // namespace orvabridge::orvactl
