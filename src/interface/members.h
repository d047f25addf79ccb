// The interface of Appl described once: the 28 members in the order of the automation
// interface, with their dispatch ids, parameters and what their result codes mean. The COM
// server's dispatch, orvactl's commands, help and result meanings, the call-log lines and their
// relay are all made from this table; a test checks it against the type library built from the
// IDL.
//
// Pure data, visible to the compiler, so that the bindings of the members can be checked against it
// while building. No other layer of the library is below it; it takes the result codes from the
// values hosts share (orvabridge/types.h).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "orvabridge/types.h"

// (The namespace is not called "interface": the Windows headers define that word as a macro.)
namespace orvabridge::api {

// The value types of parameters. The three enumerations travel as 32-bit numbers.
enum class Type : uint8_t {
  kText,
  kInt32,
  kInt16,
  kBool,
  kDate,          // an automation date (days since 30 December 1899)
  kRightsMethod,  // ChangeRightsOptions
  kObjectType,    // soObjectTypes
  kInfoType,      // ggis
};

// Which way a parameter carries data, as the member uses it (every parameter is passed by
// reference; an input may still be changed by the call).
enum class Flow : uint8_t { kIn, kOut, kInOut };

// What a member returns besides its by-reference parameters.
enum class Returns : uint8_t { kResultCode, kText, kBool, kNothing };

// Which result codes mean that the member did what was asked.
enum class Succeeds : uint8_t {
  kOne,       // result 1
  kZero,      // result 0: the request was sent and no answer is awaited
  kPositive,  // a count from the imaging application: 1 or more
};

struct Parameter {
  std::string_view name;  // the interface's own name, e.g. "PatID"
  Type type = Type::kText;
  Flow flow = Flow::kIn;
  bool optional = false;        // may be left out (its default is zero, or the empty text)
  bool secret = false;          // a password: never written to a trace, journal or log of ours
  std::string_view option;      // orvactl's option, without "--"; empty for outputs
  std::string_view help;        // one line for orvactl's help
  bool logs_magnitude = false;  // a number the call-log line writes without its sign

  constexpr bool TakesValue() const { return flow != Flow::kOut; }
  constexpr bool GivesValue() const { return flow != Flow::kIn; }
};

// What one result code of a member means. An empty meaning: the code means what it means for
// every member (kCommonResults).
struct ResultMeaning {
  int32_t code = 0;
  std::string_view meaning;
};

// What a result code that the member does not list means.
enum class OtherResults : uint8_t {
  kCommon,       // its common meaning, if it has one
  kErrorNumber,  // the number of the run-time failure that stopped the member
};

// The meanings the request members share.
inline constexpr ResultMeaning kCommonResults[] = {
    {result::kSuccess, "success"},
    {result::kNothingFound, "nothing found"},
    {result::kFormNotLoaded, "hidden reply window not loaded"},
    {result::kNoReplyWindow, "no reply window"},
    {result::kNoControlMessage, "attach message not registered"},
    {result::kNoTargetWindow, "no target window: imaging application not attached or gone"},
    {result::kEmptyArgument, "a required argument is empty"},
    {result::kTimeout, "no reply in time"},
    {result::kUnexpectedReply, "unexpected reply, or no reply in time"},
    {result::kImageFailure, "image operation failed"},
    {result::kNotLoggedIn, "nobody is logged in"},
};

// Which steps of the guard sequence a member runs before it sends (operations/guards.h).
enum class Guards : uint8_t {
  kNone,           // none: it sends nothing, or it is the search for the application itself
  kAll,            // a control window (re-attaching when there is none), still a window, someone
                   // logged in, the required argument, the link (-4, -4, -12, -5, -1/-2/-3)
  kAllButSession,  // the same without asking who is logged in: the login members change that
  kOwn,            // steps of its own, in its own order (its operation says which)
};

// What a run-time failure inside the member becomes for the caller.
enum class OnFailure : uint8_t {
  kRaises,               // an automation error with the failure's own number and description
  kRaisesAsMethod,       // an automation error whose description names the method
  kReturnsImageFailure,  // result -8
  kBoxThenResult,        // a message box, then the member's failure result
  kReturnsNumber,        // the failure's number as the result
  kBoxThenGoesOn,        // a message box for each step that fails; the next step still runs
  kCannotFail,           // nothing it does can fail
};

struct Member {
  std::string_view name;  // e.g. "FindPatient"
  int32_t dispatch_id = 0;
  bool property = false;  // a read-only property (ToFile), else a method
  Returns returns = Returns::kResultCode;
  Succeeds succeeds = Succeeds::kOne;
  std::span<const Parameter> parameters;
  // In text-out mode the member appends one call-log line: its name, then every parameter in
  // order (CallLogLine). The plain ShowPatient, AddPatient and ChangePatient log the line of the
  // member they call, named here.
  bool logs_call = false;
  std::string_view logged_as;  // empty: the member's own name
  std::string_view command;    // orvactl's subcommand
  std::string_view summary;    // one line for orvactl's command list
  // The result codes the member is known to return, in the order its help lists them.
  std::span<const ResultMeaning> results = {};
  OtherResults other_results = OtherResults::kCommon;
  Guards guards = Guards::kNone;
  std::string_view required = {};  // the input that must not be empty (-5); empty for none
  OnFailure on_failure = OnFailure::kRaises;
  // The longest the member waits for an answer of the imaging application, in seconds; 0 when
  // it awaits none.
  double waits_seconds = 0;

  constexpr std::string_view LogName() const { return logged_as.empty() ? name : logged_as; }
};

namespace table {
using T = Type;

constexpr Parameter In(std::string_view name, std::string_view option, std::string_view help,
                       Type type = T::kText) {
  return {name, type, Flow::kIn, false, false, option, help};
}
constexpr Parameter Out(std::string_view name, std::string_view help, Type type = T::kText) {
  return {name, type, Flow::kOut, false, false, {}, help};
}
constexpr Parameter InOut(std::string_view name, std::string_view option, std::string_view help,
                          Type type = T::kText) {
  return {name, type, Flow::kInOut, false, false, option, help};
}
constexpr Parameter Opt(Parameter parameter) {
  parameter.optional = true;
  return parameter;
}
constexpr Parameter Secret(Parameter parameter) {
  parameter.secret = true;
  return parameter;
}
constexpr Parameter LogsMagnitude(Parameter parameter) {
  parameter.logs_magnitude = true;
  return parameter;
}

// The columns of how a member behaves, added to a row of the table.
constexpr Member Runs(Member member, Guards guards, OnFailure on_failure, double waits_seconds = 0,
                      std::string_view required = {}) {
  member.guards = guards;
  member.on_failure = on_failure;
  member.waits_seconds = waits_seconds;
  member.required = required;
  return member;
}

inline constexpr Parameter kInit[] = {
    Out("AppName", "the imaging application's name"),
    InOut("AppVersion", "app-version",
          "\"NoLaunch\": search once and never launch; out: its version")};

inline constexpr Parameter kCurrentPatient[] = {Out("PatID", "patient id"),
                                                Out("FName", "first name"),
                                                Out("LName", "last name"),
                                                Out("Birthdate", "birth date"),
                                                Out("Sex", "sex"),
                                                Out("Adress", "address"),
                                                Out("TelOne", "first telephone number"),
                                                Out("TelTwo", "second telephone number"),
                                                Out("Mobile", "mobile telephone number"),
                                                Out("Email", "e-mail address"),
                                                Out("Comments", "comments")};

inline constexpr Parameter kFindPatient[] = {In("PatID", "pat-id", "patient id (required)"),
                                             Out("FName", "first name"), Out("LName", "last name")};

inline constexpr Parameter kShowPatient[] = {In("PatID", "pat-id", "patient id")};

// The patient fields in the order the write members take them; the Ex members add OtherIDs.
#define ORVABRIDGE_PATIENT_FIELDS                                                            \
  In("PatID", "pat-id", "patient id (required)"), In("FName", "first-name", "first name"),   \
      In("LName", "last-name", "last name"), In("Sex", "sex", "sex"),                        \
      In("Adress", "address", "address"), In("TelOne", "tel-one", "first telephone number"), \
      In("TelTwo", "tel-two", "second telephone number"),                                    \
      In("TelMobile", "mobile", "mobile telephone number"),                                  \
      In("Email", "email", "e-mail address"),                                                \
      In("Birthdate", "birthdate", "birth date, sent as written"),                           \
      In("Comments", "comments", "comments")

inline constexpr Parameter kPatient[] = {ORVABRIDGE_PATIENT_FIELDS};
inline constexpr Parameter kPatientEx[] = {
    ORVABRIDGE_PATIENT_FIELDS, In("OtherIDs", "other-ids", "other identifiers of the patient")};
inline constexpr Parameter kChangePatientEx[] = {
    ORVABRIDGE_PATIENT_FIELDS,
    Opt(In("OtherIDs", "other-ids", "other identifiers of the patient"))};
#undef ORVABRIDGE_PATIENT_FIELDS

inline constexpr Parameter kSearchImage[] = {
    In("patientid", "patient-id", "patient id (required)"),
    In("indate", "date", "capture date to match; empty: any"),
    Out("PictureID", "picture id"),
    Out("captureDate", "capture date"),
    Out("imagetype", "image type"),
    Out("ToothGroupname", "tooth group name"),
    Out("comment", "comment"),
    Out("toothgroups", "tooth groups"),
    Out("Xraydata", "X-ray data")};

inline constexpr Parameter kGetImage[] = {
    In("PictureID", "picture-id", "picture id (a number; -1: the selected)"),
    In("templib", "templib", "destination folder"),
    InOut("PicturePath", "picture-path", "out: path of the delivered file")};

inline constexpr Parameter kFindImages[] = {
    In("PictureID", "picture-id", "picture id"),
    In("patientid", "patient-id", "patient id"),
    In("FromDate", "from-date", "first capture date"),
    In("ToDate", "to-date", "last capture date"),
    In("imagetype", "image-type", "image type"),
    In("ToothGroupname", "tooth-group-name", "tooth group name"),
    In("comment", "comment", "comment"),
    In("toothgroups", "tooth-groups", "tooth groups"),
    In("Xraydata", "xray-data", "X-ray data")};

inline constexpr Parameter kSelectedImage[] = {
    InOut("PictureID", "picture-id", "picture id"),
    InOut("patientid", "patient-id", "patient id"),
    InOut("ImageDate", "image-date", "capture date"),
    InOut("imagetype", "image-type", "image type"),
    InOut("OrgPath", "org-path", "path of the original"),
    InOut("ToothGroupname", "tooth-group-name", "tooth group name"),
    InOut("comment", "comment", "comment"),
    InOut("toothgroups", "tooth-groups", "tooth groups"),
    InOut("Xraydata", "xray-data", "X-ray data")};

inline constexpr Parameter kSelectedCard[] = {
    InOut("ImageCardID", "card-id", "image card number", T::kInt32),
    InOut("patientid", "patient-id", "patient id"),
    InOut("ICXML", "icxml", "image card content"),
    InOut("ImagePath", "image-path", "image path"),
    In("bGetImages", "get-images", "also fetch the images", T::kBool),
    In("bGetOriginals", "get-originals", "also fetch the originals", T::kBool)};

inline constexpr Parameter kChangeRightsMethod =
    Opt(In("ChangeRightsMethod", "change-rights",
           "0 leave, 1 overwrite with defaults, 2 use the given rights", T::kRightsMethod));

// What every login variant takes after its name, password (and group), ending with its
// change-rights method.
#define ORVABRIDGE_LOGIN_DETAILS(change_rights_method)                                         \
  Opt(In("AdminLoginName", "admin-login", "administrator's login, to create or change")),      \
      Opt(Secret(In("AdminPassword", "admin-password", "administrator's password"))),          \
      Opt(InOut("UserPrefix", "prefix", "user's name prefix; replaced from the reply")),       \
      Opt(InOut("UserFirstname", "first-name", "user's first name; replaced from the reply")), \
      Opt(InOut("UserLastname", "last-name", "user's last name; replaced from the reply")),    \
      change_rights_method

// UserLogin's call-log line carries the change-rights method without its sign.
inline constexpr Parameter kLogin[] = {
    In("LoginName", "login", "login name (required)"),
    Secret(In("Password", "password", "password")),
    ORVABRIDGE_LOGIN_DETAILS(LogsMagnitude(kChangeRightsMethod)),
    Opt(In("ApproveRights", "approve-rights", "right to grant with --change-rights 2", T::kBool)),
    Opt(In("EditRights", "edit-rights", "right to grant with --change-rights 2", T::kBool)),
    Opt(In("DeleteRights", "delete-rights", "right to grant with --change-rights 2", T::kBool)),
    Opt(In("PrintPatientInfoRights", "print-patient-info-rights",
           "right to grant with --change-rights 2", T::kBool)),
    Opt(In("ExportDCMRights", "export-dcm-rights", "right to grant with --change-rights 2",
           T::kBool)),
    Opt(In("ImportDCMRights", "import-dcm-rights", "right to grant with --change-rights 2",
           T::kBool)),
    Opt(In("CaptureAndNonDCMImportRights", "capture-rights",
           "right to grant with --change-rights 2", T::kBool)),
    Opt(In("AdminRights", "admin-rights", "right to grant with --change-rights 2", T::kBool)),
    Opt(In("WorkstationName", "workstation", "workstation name sent with the login"))};

inline constexpr Parameter kGroupLogin[] = {
    In("LoginName", "login", "login name (required)"),
    Secret(In("Password", "password", "password")),
    In("UserGroup", "group", "user group (required)"),
    ORVABRIDGE_LOGIN_DETAILS(kChangeRightsMethod),
    Opt(In("WorkstationName", "workstation", "workstation name sent with the login"))};

inline constexpr Parameter kLoginEx[] = {
    In("LoginName", "login", "login name (required)"),
    Secret(In("Password", "password", "password")), ORVABRIDGE_LOGIN_DETAILS(kChangeRightsMethod),
    Opt(In("lRights", "rights", "rights bit mask for --change-rights 2", T::kInt32)),
    Opt(In("WorkstationName", "workstation", "workstation name sent with the login"))};
#undef ORVABRIDGE_LOGIN_DETAILS

inline constexpr Parameter kWindowState[] = {
    Opt(In("iState", "state", "0 normal, 1 minimised, 2 maximised, 3 top-most", T::kInt16)),
    Opt(In("lXPos", "x", "left edge", T::kInt32)),
    Opt(In("lYPos", "y", "top edge", T::kInt32)),
    Opt(In("lwidth", "width", "width", T::kInt32)),
    Opt(In("lheight", "height", "height", T::kInt32)),
    Opt(In("lParent", "parent", "window to embed into; -1: release", T::kInt32))};

inline constexpr Parameter kWorklist[] = {
    Opt(In("PatID", "pat-id", "patient id")),
    Opt(In("PatName", "pat-name", "patient name")),
    Opt(In("AccNo", "acc-no", "accession number")),
    Opt(In("ProcID", "proc-id", "procedure id")),
    Opt(In("StartDate", "start-date", "start date", T::kDate)),
    Opt(In("StationAE", "station-ae", "station AE title")),
    Opt(In("Modality", "modality", "modality"))};

inline constexpr Parameter kRespPerson[] = {Opt(Out("rpID", "number", T::kInt32)),
                                            Opt(Out("rpPrefix", "prefix")),
                                            Opt(Out("rpFirstname", "first name")),
                                            Opt(Out("rpLastname", "last name")),
                                            Opt(Out("rpGUID", "GUID")),
                                            Opt(Out("rpShortname", "short name")),
                                            Opt(Out("rpContactInfo", "contact information")),
                                            Opt(Out("rpEMail", "e-mail address")),
                                            Opt(Out("rpLoginname", "login name")),
                                            Opt(Out("rpType", "type", T::kInt32))};

inline constexpr Parameter kShowPatientEx[] = {
    In("PatID", "pat-id", "patient id"), In("lOptions", "options", "display options", T::kInt32)};

inline constexpr Parameter kShowObject[] = {
    In("ObjectType", "type", "what to show", T::kObjectType),
    In("lDBID", "db-id", "database number", T::kInt32),
    Opt(In("sUID", "uid", "unique id (a patient: its id when --db-id is 0)")),
    Opt(In("lOptions", "options", "display options", T::kInt32))};

inline constexpr Parameter kSession[] = {
    Opt(Out("UserID", "user number", T::kInt32)),
    Opt(Out("UserPrefix", "name prefix")),
    Opt(Out("UserFirstname", "first name")),
    Opt(Out("UserLastname", "last name")),
    Opt(Out("UserLogin", "login name")),
    Opt(Out("UserGroup", "user group")),
    Opt(Out("WorkstationName", "workstation")),
    Opt(Out("IsLoggedIn", "somebody is logged in", T::kBool)),
    Opt(Out("LoginMethod", "login method", T::kInt16)),
    Opt(Out("Rights", "rights", T::kInt16)),
    Opt(InOut("sextra", "extra", "free text sent along and answered"))};

inline constexpr Parameter kGeneralInfo[] = {
    In("ggiType", "type", "what to read: lic-name (0)", T::kInfoType)};

// The results of the members; an entry without a text takes the common meaning of its code.
// The guard sequence before a request gives its link checks' results, then the control window's.
// clang-format off
#define ORVABRIDGE_GUARD_RESULTS                                                                \
  {result::kFormNotLoaded, {}}, {result::kNoReplyWindow, {}}, {result::kNoControlMessage, {}}, \
  {result::kNoTargetWindow, {}}
// clang-format on

inline constexpr ResultMeaning kInitResults[] = {
    {result::kSuccess, "attached (also: text-out mode, or stub mode)"},
    {result::kInitNoReplyWindow, "no reply window"},
    {result::kInitNoControlMessage, "attach message not registered"},
    {result::kInitNoAnswer, "no imaging application answered"},
    {result::kInitClassLibraryMissing, "class library not installed"}};

inline constexpr ResultMeaning kCloseResults[] = {
    {result::kSuccess, "done; the imaging application stays open"},
    {result::kFormNotLoaded, "hidden form not loaded: the link was dropped"}};

// The current patient is read without the link checks of the guard sequence.
inline constexpr ResultMeaning kCurrentPatientResults[] = {
    {result::kSuccess, "patient read"},
    {result::kNothingFound, "no patient open"},
    {result::kNoTargetWindow, {}},
    {result::kTimeout, {}},
    {result::kUnexpectedReply, "unexpected reply"}};

inline constexpr ResultMeaning kFindPatientResults[] = {
    {result::kSuccess, "patient found"},
    {result::kNothingFound, "no such patient (or text-out mode)"},
    ORVABRIDGE_GUARD_RESULTS,
    {result::kEmptyArgument, "patient id empty"},
    {result::kTimeout, {}},
    {result::kUnexpectedReply, "unexpected reply"},
    {result::kNotLoggedIn, {}}};

inline constexpr ResultMeaning kShowPatientResults[] = {
    {result::kSuccess, "patient is now current (or text-out mode)"},
    {result::kNothingFound, "patient did not become current within 20 seconds"},
    ORVABRIDGE_GUARD_RESULTS,
    {result::kNotLoggedIn, {}}};

inline constexpr ResultMeaning kPatientWriteResults[] = {
    {result::kSuccess, "record delivered (or text-out mode); storing is not confirmed"},
    ORVABRIDGE_GUARD_RESULTS,
    {result::kEmptyArgument, "patient id empty"},
    {result::kNotLoggedIn, {}}};

inline constexpr ResultMeaning kSearchImageResults[] = {
    {result::kSuccess, "an image was found"},
    {result::kNothingFound, "no image, or no reply in time"},
    ORVABRIDGE_GUARD_RESULTS,
    {result::kEmptyArgument, "patient id empty"},
    {result::kImageFailure, "run-time failure"},
    {result::kNotLoggedIn, {}}};

inline constexpr ResultMeaning kGetImageResults[] = {
    {result::kSuccess, "the file's path came back"},
    {result::kNothingFound, "no path, or no reply in time"},
    ORVABRIDGE_GUARD_RESULTS,
    {result::kImageFailure, "run-time failure"},
    {result::kNotLoggedIn, {}}};

inline constexpr ResultMeaning kFindImagesResults[] = {
    {result::kNothingFound, "request sent (no answer is awaited)"},
    ORVABRIDGE_GUARD_RESULTS,
    {result::kNotLoggedIn, {}}};

inline constexpr ResultMeaning kSelectedImageResults[] = {
    {result::kSuccess, "selected image read"},
    {result::kNothingFound, "no image selected"},
    ORVABRIDGE_GUARD_RESULTS,
    {result::kTimeout, "no reply within 20 seconds"},
    {result::kUnexpectedReply, "unexpected reply"},
    {result::kNotLoggedIn, {}}};

inline constexpr ResultMeaning kSelectedCardResults[] = {
    {result::kSuccess, "selected image card read"},
    {result::kNothingFound, "no image card selected"},
    ORVABRIDGE_GUARD_RESULTS,
    {result::kTimeout, "no reply within 60 seconds"},
    {result::kUnexpectedReply, "unexpected reply"},
    {result::kNotLoggedIn, {}}};

inline constexpr ResultMeaning kLogoutResults[] = {
    {result::kSuccess, "logged out (or text-out mode)"},
    {result::kNothingFound, "another reply ended the wait"},
    ORVABRIDGE_GUARD_RESULTS,
    {result::kEmptyArgument, "no reply within 20 seconds"}};

inline constexpr ResultMeaning kLoginResults[] = {
    {result::kSuccess, "logged in (or text-out mode)"},
    {result::kNothingFound, "login refused, or another reply ended the wait"},
    ORVABRIDGE_GUARD_RESULTS,
    {result::kEmptyArgument, "login name empty"},
    {result::kTimeout, "change-rights method outside 0 to 2"},
    {result::kUnexpectedReply, "no reply within 20 seconds"}};

// A result above 1 is a count as well (Succeeds::kPositive).
inline constexpr ResultMeaning kWorklistResults[] = {
    {result::kSuccess, "the imaging application's answer (a count: 1 or more)"},
    {result::kNothingFound, "nothing answered, or another reply ended the wait"},
    ORVABRIDGE_GUARD_RESULTS,
    {result::kUnexpectedReply, "no reply within 20 seconds"},
    {result::kNotLoggedIn, {}}};

inline constexpr ResultMeaning kRespPersonResults[] = {
    {result::kSuccess, "responsible person read"},
    {result::kNothingFound, "none, or another reply ended the wait"},
    ORVABRIDGE_GUARD_RESULTS,
    {result::kUnexpectedReply, "no reply within 20 seconds"},
    {result::kNotLoggedIn, {}}};

inline constexpr ResultMeaning kShowObjectResults[] = {
    {result::kSuccess, "object shown"},
    {result::kNothingFound, "object not shown"},
    ORVABRIDGE_GUARD_RESULTS,
    {result::kTimeout, "no reply within 30 seconds"},
    {result::kUnexpectedReply, "unexpected reply"},
    {result::kNotLoggedIn, {}}};

inline constexpr ResultMeaning kSessionResults[] = {
    {result::kSuccess, "session read"},
    {result::kNothingFound, "another reply ended the wait"},
    ORVABRIDGE_GUARD_RESULTS,
    {result::kUnexpectedReply, "no reply within 20 seconds"}};
#undef ORVABRIDGE_GUARD_RESULTS

// Any other result of SetWindowState is the number of the failure that stopped it.
inline constexpr ResultMeaning kWindowStateResults[] = {{result::kSuccess, "done"}};

using R = Returns;
using S = Succeeds;
using G = Guards;
using F = OnFailure;

// One member a line reads as the table it is.
// clang-format off
inline constexpr Member kMembers[] = {
    Runs({"InitApplication", 0x60030000, false, R::kResultCode, S::kOne, kInit, true, {}, "init",
          "attach to the imaging application, launching it when none answers", kInitResults},
         G::kNone, F::kBoxThenResult, 30),
    Runs({"CloseApplication", 0x60030001, false, R::kResultCode, S::kOne, {}, true, {}, "close",
          "let go of the imaging application (it stays open)", kCloseResults},
         G::kOwn, F::kRaisesAsMethod, 0),
    Runs({"GetCurrentPatient", 0x60030003, false, R::kResultCode, S::kOne, kCurrentPatient,
          false, {}, "current-patient", "read the patient open in the imaging application",
          kCurrentPatientResults},
         G::kOwn, F::kRaises, 10),
    Runs({"FindPatient", 0x60030004, false, R::kResultCode, S::kOne, kFindPatient, true, {},
          "find-patient", "look a patient up by id", kFindPatientResults},
         G::kAll, F::kRaises, 20, "PatID"),
    Runs({"ShowPatient", 0x60030005, false, R::kResultCode, S::kOne, kShowPatient, true,
          "ShowPatientEx", "show-patient", "open a patient in the imaging application",
          kShowPatientResults},
         G::kAll, F::kRaisesAsMethod, 20),
    Runs({"AddPatient", 0x60030006, false, R::kResultCode, S::kOne, kPatient, true, "AddPatientEx",
          "add-patient", "send a new patient (short record)", kPatientWriteResults},
         G::kAll, F::kRaisesAsMethod, 0, "PatID"),
    Runs({"ChangePatient", 0x60030007, false, R::kResultCode, S::kOne, kPatient, true,
          "ChangePatientEx", "change-patient",
          "send changed patient data (short record)", kPatientWriteResults},
         G::kAll, F::kRaisesAsMethod, 0, "PatID"),
    Runs({"SearchImage", 0x60030008, false, R::kResultCode, S::kOne, kSearchImage, false, {},
          "search-image", "describe an image of a patient", kSearchImageResults},
         G::kAll, F::kReturnsImageFailure, 15, "patientid"),
    Runs({"GetImage", 0x60030009, false, R::kResultCode, S::kOne, kGetImage, false, {}, "get-image",
          "have an image file delivered into a folder", kGetImageResults},
         G::kAll, F::kReturnsImageFailure, 60),
    Runs({"FindImages", 0x6003000c, false, R::kResultCode, S::kZero, kFindImages, false, {},
          "find-images", "show the images matching the criteria (no answer awaited)",
          kFindImagesResults},
         G::kAll, F::kBoxThenResult, 0),
    Runs({"GetSelectedImageInfo", 0x6003000d, false, R::kResultCode, S::kOne, kSelectedImage, false,
          {}, "selected-image", "describe the image selected in the imaging application",
          kSelectedImageResults},
         G::kAll, F::kBoxThenResult, 20),
    Runs({"GetSelectedImageCard", 0x60030011, false, R::kResultCode, S::kOne, kSelectedCard,
          false, {},
          "selected-card", "read the image card selected in the imaging application",
          kSelectedCardResults},
         G::kAll, F::kRaisesAsMethod, 60),
    Runs({"UserLogout", 0x60030012, false, R::kResultCode, S::kOne, {}, true, {}, "logout",
          "log the current user out", kLogoutResults},
         G::kAllButSession, F::kRaises, 20),
    Runs({"UserLogin", 0x60030013, false, R::kResultCode, S::kOne, kLogin, true, {}, "login",
          "log a user in (rights as flags)", kLoginResults},
         G::kAllButSession, F::kRaisesAsMethod, 20),
    Runs({"GetCurrentPatientFolder", 0x60030014, false, R::kText, S::kOne, {}, false, {},
          "patient-folder", "read the current patient's folder from the database"},
         G::kNone, F::kRaises, 0),
    Runs({"SetWindowState", 0x60030015, false, R::kResultCode, S::kOne, kWindowState, true, {},
          "window-state", "place, show or embed the imaging window",
          kWindowStateResults, OtherResults::kErrorNumber},
         G::kOwn, F::kReturnsNumber, 0),
    Runs({"MWLQuery", 0x6003001a, false, R::kResultCode, S::kPositive, kWorklist, false, {},
          "worklist", "send a worklist query", kWorklistResults},
         G::kAll, F::kRaisesAsMethod, 20),
    Runs({"UserGroupLogin", 0x6003001f, false, R::kResultCode, S::kOne, kGroupLogin, true, {},
          "group-login", "log a user in as member of a group", kLoginResults},
         G::kAllButSession, F::kRaisesAsMethod, 20),
    Runs({"UserLoginEx", 0x60030024, false, R::kResultCode, S::kOne, kLoginEx, true, {}, "login-ex",
          "log a user in (rights as a bit mask)", kLoginResults},
         G::kAllButSession, F::kRaisesAsMethod, 20),
    Runs({"GetRespPerson", 0x60030029, false, R::kResultCode, S::kOne, kRespPerson, false, {},
          "resp-person", "read the responsible person", kRespPersonResults},
         G::kAll, F::kRaisesAsMethod, 20),
    Runs({"ShowPatientEx", 0x6003002d, false, R::kResultCode, S::kOne, kShowPatientEx, true, {},
          "show-patient-ex", "open a patient, with options", kShowPatientResults},
         G::kAll, F::kRaisesAsMethod, 20),
    Runs({"ShowObject", 0x60030031, false, R::kResultCode, S::kOne, kShowObject, false, {},
          "show-object", "open a patient, series, image card or image", kShowObjectResults},
         G::kAll, F::kRaisesAsMethod, 30),
    Runs({"GetSessionInfo", 0x60030037, false, R::kResultCode, S::kOne, kSession, false, {},
          "session",
          "read who is logged in", kSessionResults},
         G::kOwn, F::kRaisesAsMethod, 20),
    Runs({"AddPatientEx", 0x6003003b, false, R::kResultCode, S::kOne, kPatientEx, true, {},
          "add-patient-ex", "send a new patient (extended record)", kPatientWriteResults},
         G::kAll, F::kRaisesAsMethod, 0, "PatID"),
    Runs({"ChangePatientEx", 0x6003003c, false, R::kResultCode, S::kOne, kChangePatientEx, true, {},
          "change-patient-ex", "send changed patient data (extended record)", kPatientWriteResults},
         G::kAll, F::kRaisesAsMethod, 0, "PatID"),
    Runs({"ToFile", 0x6803003e, true, R::kBool, S::kOne, {}, false, {}, "to-file",
          "tell whether calls go to the text-out file"},
         G::kNone, F::kCannotFail, 0),
    Runs({"GetComputerOrClientName", 0x60030051, false, R::kNothing, S::kOne, {}, false, {},
          "workstation", "read the installation, workstation name and text-out setting again"},
         G::kNone, F::kBoxThenGoesOn, 0),
    Runs({"GetGeneralInfo", 0x60030053, false, R::kText, S::kOne, kGeneralInfo, false, {},
          "general-info", "read general information from the database"},
         G::kNone, F::kRaises, 0),
};
// clang-format on

}  // namespace table

// Every member, in the order of the interface's slots.
inline constexpr std::span<const Member> Members() { return table::kMembers; }
// The member of that name, found while building: a name that is none fails the build.
consteval const Member& MemberNamed(std::string_view name) {
  for (const Member& member : table::kMembers) {
    if (member.name == name) return member;
  }
  throw "no member of that name";  // not a constant expression: the build stops here
}

// nullptr when there is none.
const Member* FindMemberById(int32_t dispatch_id);
const Member* FindMemberByName(std::string_view name);

// What `code` means as `member` returns it: its own meaning, the number of a failure for a member
// that returns those, a count for one that answers with counts, else the code's common meaning;
// empty when the code has none.
std::string MeaningOf(const Member& member, int32_t code);

}  // namespace orvabridge::api
