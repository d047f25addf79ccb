// Orvabridge: the values and types of the automation interface `_Appl` that a C++ host shares
// with the library: result codes, the three enumerations, the two published records and the
// automation error. appl.h includes this; the library's own layers include it alone.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace orvabridge {

// Result codes shared by the request methods.
namespace result {
inline constexpr int32_t kSuccess = 1;
inline constexpr int32_t kNothingFound = 0;
inline constexpr int32_t kFormNotLoaded = -1;
inline constexpr int32_t kNoReplyWindow = -2;
inline constexpr int32_t kNoControlMessage = -3;
inline constexpr int32_t kNoTargetWindow = -4;
inline constexpr int32_t kEmptyArgument = -5;
inline constexpr int32_t kTimeout = -6;
inline constexpr int32_t kUnexpectedReply = -7;
inline constexpr int32_t kImageFailure = -10;
inline constexpr int32_t kNotLoggedIn = -12;

// InitApplication numbers its failures its own way.
inline constexpr int32_t kInitNoReplyWindow = -1;
inline constexpr int32_t kInitNoControlMessage = -2;
inline constexpr int32_t kInitNoAnswer = -3;
inline constexpr int32_t kInitClassLibraryMissing = -5;
}  // namespace result

enum ChangeRightsOptions : int32_t {
  LeaveAsIsOrGetDefaults = 0,
  OverwriteWithDefaults = 1,
  UseSpecifiedRights = 2,
};

enum soObjectTypes : int32_t {
  otPatient = 0,
  otSeries = 1,
  otImagecard = 2,
  otImage = 3,
};

enum ggis : int32_t {
  ggiLicName = 0,
};

// Published with the interface; no method takes them.
struct control_Patient_infosp {
  int32_t dwSize = 0;
  std::string ID, FName, LName, Adress, TelOne, TelTwo, Sex, Email, Mobile, Birthdate, Comments;
};

struct control_Patient_infoEx2 {
  int32_t dwSize = 0;
  std::string ID, FName, LName, Adress, TelOne, TelTwo, Sex, Email, Mobile, Birthdate, Comments,
      OtherIDs, Extra;
};

// An automation error raised to the caller: number (-100 for the library's own handlers),
// source ("Orvabridge.Appl.<method>") and description.
class AutomationError : public std::runtime_error {
 public:
  AutomationError(int32_t number, std::string source, std::string description);
  int32_t number() const { return number_; }
  const std::string& source() const { return source_; }
  const std::string& description() const { return description_; }

 private:
  int32_t number_;
  std::string source_;
  std::string description_;
};

}  // namespace orvabridge
