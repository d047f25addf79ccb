/// @file
/// @brief The values and types of the automation interface `_Appl` that a C++ host shares with
/// the library: result codes, the three enumerations, the two published records and the
/// automation error.
///
/// orvabridge/appl.h includes this header; the library's own layers include it alone.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

/// @brief Everything of the library: class Appl (orvabridge/appl.h) and the types of this header.
namespace orvabridge {

/// @brief Result codes shared by the request members of Appl.
///
/// Each member's documentation lists which of them it returns and what each means there; a few
/// members use a code in a sense of their own (UserLogout reports its time-out as -5, the login
/// members a change-rights method out of range as -6 and their time-out as -7), and members
/// whose reply carries its own result pass that value on unchanged.
namespace result {
/// Success: the request was answered (or, for the members that await no answer, handed over).
inline constexpr int32_t kSuccess = 1;
/// Nothing found: the reply carried no record; also the result of a few members in text-out mode.
inline constexpr int32_t kNothingFound = 0;
/// Link not ready: the hidden form that owns the reply window is not loaded.
inline constexpr int32_t kFormNotLoaded = -1;
/// Link not ready: there is no reply window.
inline constexpr int32_t kNoReplyWindow = -2;
/// Link not ready: the attach message "OrvantaControlInterface0" could not be registered.
inline constexpr int32_t kNoControlMessage = -3;
/// No control window: the imaging application is not attached and a quiet re-attach found none,
/// or its control window is gone (before the request, or while the member waited for the reply).
inline constexpr int32_t kNoTargetWindow = -4;
/// A required text argument is empty (UserLogout: no reply in time).
inline constexpr int32_t kEmptyArgument = -5;
/// No reply before the member's time-out (login members: change-rights method outside 0 to 2).
inline constexpr int32_t kTimeout = -6;
/// A reply with another command code ended the wait; for the session, login, worklist and
/// responsible-person members: no reply before the time-out.
inline constexpr int32_t kUnexpectedReply = -7;
/// SearchImage and GetImage: a run-time failure ended the member (for example a GetImage picture
/// id that is not a number).
inline constexpr int32_t kImageFailure = -10;
/// Nobody is logged in to the imaging application (the session check refused the request).
inline constexpr int32_t kNotLoggedIn = -12;

/// InitApplication numbers its failures its own way: there is no reply window.
inline constexpr int32_t kInitNoReplyWindow = -1;
/// InitApplication: the attach message could not be registered.
inline constexpr int32_t kInitNoControlMessage = -2;
/// InitApplication: no imaging application answered within the search time (also after an
/// unexpected failure, which a message box reports).
inline constexpr int32_t kInitNoAnswer = -3;
/// InitApplication: the maker's class library Orvaclass is not installed for this process's
/// registry view.
inline constexpr int32_t kInitClassLibraryMissing = -5;
}  // namespace result

/// @brief How a login treats the user's name parts and rights: the `ChangeRightsMethod` argument
/// of Appl::UserLogin, Appl::UserLoginEx and Appl::UserGroupLogin.
///
/// The value is sent unchanged; the imaging application decides what it does. A value outside 0
/// to 2 makes the login return -6 without sending anything.
enum ChangeRightsOptions : int32_t {
  LeaveAsIsOrGetDefaults = 0,  ///< Leave an existing user as is; a new one gets the defaults.
  OverwriteWithDefaults = 1,   ///< Replace the user's rights with the defaults.
  UseSpecifiedRights = 2,      ///< Give the user the rights (or group) passed with the login.
};

/// @brief The kind of object that Appl::ShowObject brings up in the imaging application.
///
/// The library itself only tells otPatient with database number 0 (shown by patient id) apart
/// from every other combination, which it hands to the imaging application.
enum soObjectTypes : int32_t {
  otPatient = 0,    ///< A patient.
  otSeries = 1,     ///< A series of images.
  otImagecard = 2,  ///< An image card.
  otImage = 3,      ///< A single image.
};

/// @brief Which value Appl::GetGeneralInfo reads from the imaging application's database.
enum ggis : int32_t {
  ggiLicName = 0,  ///< The licence name: the name of the newest row of the licence table.
};

/// @brief The patient record in its short form, as published with the interface.
///
/// No member of Appl takes it; it is published so that hosts that compile against the interface
/// find the same type. The texts are UTF-8 in this record; on the wire the same fields travel as
/// fixed-width ANSI fields.
struct control_Patient_infosp {
  int32_t dwSize = 0;  ///< Size of the record in bytes (0 until a sender fills it in).
  std::string ID, FName, LName, Adress, TelOne, TelTwo, Sex, Email, Mobile, Birthdate, Comments;

  /// @var control_Patient_infosp::ID
  /// Patient id (64 bytes on the wire).

  /// @var control_Patient_infosp::FName
  /// First name.

  /// @var control_Patient_infosp::LName
  /// Last name.

  /// @var control_Patient_infosp::Adress
  /// Address.

  /// @var control_Patient_infosp::TelOne
  /// First telephone number.

  /// @var control_Patient_infosp::TelTwo
  /// Second telephone number.

  /// @var control_Patient_infosp::Sex
  /// Sex (64 bytes on the wire).

  /// @var control_Patient_infosp::Email
  /// E-mail address.

  /// @var control_Patient_infosp::Mobile
  /// Mobile telephone number.

  /// @var control_Patient_infosp::Birthdate
  /// Birth date, as text in the form the imaging application writes it (64 bytes on the wire).

  /// @var control_Patient_infosp::Comments
  /// Comments.
};

/// @brief The extended patient record, as published with the interface.
///
/// The fields of control_Patient_infosp followed by the patient's other identifiers and a
/// reserved text. Appl::AddPatientEx and Appl::ChangePatientEx send a record of this layout
/// (3524 bytes on the wire, `Extra` always empty); no member takes the type itself.
struct control_Patient_infoEx2 {
  int32_t dwSize = 0;  ///< Size of the record in bytes (0 until a sender fills it in).
  std::string ID, FName, LName, Adress, TelOne, TelTwo, Sex, Email, Mobile, Birthdate, Comments,
      OtherIDs, Extra;

  /// @var control_Patient_infoEx2::ID
  /// Patient id (64 bytes on the wire).

  /// @var control_Patient_infoEx2::FName
  /// First name.

  /// @var control_Patient_infoEx2::LName
  /// Last name.

  /// @var control_Patient_infoEx2::Adress
  /// Address.

  /// @var control_Patient_infoEx2::TelOne
  /// First telephone number.

  /// @var control_Patient_infoEx2::TelTwo
  /// Second telephone number.

  /// @var control_Patient_infoEx2::Sex
  /// Sex (64 bytes on the wire).

  /// @var control_Patient_infoEx2::Email
  /// E-mail address.

  /// @var control_Patient_infoEx2::Mobile
  /// Mobile telephone number.

  /// @var control_Patient_infoEx2::Birthdate
  /// Birth date, as text in the form the imaging application writes it (64 bytes on the wire).

  /// @var control_Patient_infoEx2::Comments
  /// Comments.

  /// @var control_Patient_infoEx2::OtherIDs
  /// The patient's other identifiers (256 bytes on the wire).

  /// @var control_Patient_infoEx2::Extra
  /// Reserved; always sent as 1024 zero bytes.
};

/// @brief An automation error raised to the caller.
///
/// Members that handle their own run-time failures throw it with number -100, source
/// "Orvabridge.Appl.<member>" and a description of the form "Orvabridge.Appl.<member> error " +
/// the failure's number + CR LF + the failure's own description. Members without a handler let a
/// failure through with its own number (429, 3709, ...) and the source "Orvabridge". A COM host
/// receives the same three values as its automation error; a C++ host catches this exception.
class AutomationError : public std::runtime_error {
 public:
  /// @brief Makes the error; what() returns the description.
  /// @param[in] number the error number: -100 for the library's own handlers, otherwise the
  ///   failure's own number
  /// @param[in] source "Orvabridge.Appl.<member>" for the library's own handlers, otherwise
  ///   "Orvabridge"
  /// @param[in] description what failed, as the caller sees it
  AutomationError(int32_t number, std::string source, std::string description);
  /// @brief The error number (-100 for a failure that a member's own handler reports).
  /// @return the number given at construction
  int32_t number() const { return number_; }
  /// @brief Where the error comes from: "Orvabridge.Appl.<member>" or "Orvabridge".
  /// @return the source given at construction
  const std::string& source() const { return source_; }
  /// @brief What failed, with the failure's number and description inside it.
  /// @return the description given at construction (the same text as what())
  const std::string& description() const { return description_; }

 private:
  int32_t number_;
  std::string source_;
  std::string description_;
};

}  // namespace orvabridge
