// Orvabridge: drive a running Orvanta imaging application from a practice-management program.
//
// One `Appl` object per host; every member mirrors the automation interface `_Appl` with the same
// names and parameter order. Required by-reference parameters are references; optional ones are
// pointers, where nullptr means "omitted": an omitted input counts as 0, empty or false, and what
// would be written to an omitted output is dropped. Texts are UTF-8.
//
// Everything runs on the thread that made the object; waits pump that thread's messages, so
// replies, timer ticks and the host's own window messages run inside a call.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace orvabridge {

namespace platform {
class Platform;
}
namespace link {
class ApplCore;
struct Timing;
}  // namespace link

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

class Appl {
 public:
  // Uses the platform of the build (Win32 on Windows, the in-process desktop elsewhere).
  Appl();
  explicit Appl(std::shared_ptr<platform::Platform> platform);
  // Tests shorten the documented time-outs through `timing`.
  Appl(std::shared_ptr<platform::Platform> platform, const link::Timing& timing);
  ~Appl();
  Appl(const Appl&) = delete;
  Appl& operator=(const Appl&) = delete;

  int32_t InitApplication(std::string& AppName, std::string& AppVersion);
  int32_t CloseApplication();
  int32_t GetCurrentPatient(std::string& PatID, std::string& FName, std::string& LName,
                            std::string& Birthdate, std::string& Sex, std::string& Adress,
                            std::string& TelOne, std::string& TelTwo, std::string& Mobile,
                            std::string& Email, std::string& Comments);
  int32_t FindPatient(std::string& PatID, std::string& FName, std::string& LName);
  int32_t ShowPatient(std::string& PatID);
  int32_t AddPatient(std::string& PatID, std::string& FName, std::string& LName, std::string& Sex,
                     std::string& Adress, std::string& TelOne, std::string& TelTwo,
                     std::string& TelMobile, std::string& Email, std::string& Birthdate,
                     std::string& Comments);
  int32_t ChangePatient(std::string& PatID, std::string& FName, std::string& LName,
                        std::string& Sex, std::string& Adress, std::string& TelOne,
                        std::string& TelTwo, std::string& TelMobile, std::string& Email,
                        std::string& Birthdate, std::string& Comments);
  int32_t SearchImage(std::string& patientid, std::string& indate, std::string& PictureID,
                      std::string& captureDate, std::string& imagetype,
                      std::string& ToothGroupname, std::string& comment,
                      std::string& toothgroups, std::string& Xraydata);
  int32_t GetImage(std::string& PictureID, std::string& templib, std::string& PicturePath);
  int32_t FindImages(std::string& PictureID, std::string& patientid, std::string& FromDate,
                     std::string& ToDate, std::string& imagetype, std::string& ToothGroupname,
                     std::string& comment, std::string& toothgroups, std::string& Xraydata);
  int32_t GetSelectedImageInfo(std::string& PictureID, std::string& patientid,
                               std::string& ImageDate, std::string& imagetype,
                               std::string& OrgPath, std::string& ToothGroupname,
                               std::string& comment, std::string& toothgroups,
                               std::string& Xraydata);
  int32_t GetSelectedImageCard(int32_t& ImageCardID, std::string& patientid, std::string& ICXML,
                               std::string& ImagePath, bool& bGetImages, bool& bGetOriginals);
  int32_t UserLogout();
  int32_t UserLogin(std::string& LoginName, std::string& Password,
                    std::string* AdminLoginName = nullptr, std::string* AdminPassword = nullptr,
                    std::string* UserPrefix = nullptr, std::string* UserFirstname = nullptr,
                    std::string* UserLastname = nullptr, int32_t* ChangeRightsMethod = nullptr,
                    bool* ApproveRights = nullptr, bool* EditRights = nullptr,
                    bool* DeleteRights = nullptr, bool* PrintPatientInfoRights = nullptr,
                    bool* ExportDCMRights = nullptr, bool* ImportDCMRights = nullptr,
                    bool* CaptureAndNonDCMImportRights = nullptr, bool* AdminRights = nullptr,
                    std::string* WorkstationName = nullptr);
  std::string GetCurrentPatientFolder();
  int32_t SetWindowState(int16_t* iState = nullptr, int32_t* lXPos = nullptr,
                         int32_t* lYPos = nullptr, int32_t* lwidth = nullptr,
                         int32_t* lheight = nullptr, int32_t* lParent = nullptr);
  int32_t MWLQuery(std::string* PatID = nullptr, std::string* PatName = nullptr,
                   std::string* AccNo = nullptr, std::string* ProcID = nullptr,
                   double* StartDate = nullptr, std::string* StationAE = nullptr,
                   std::string* Modality = nullptr);
  int32_t UserGroupLogin(std::string& LoginName, std::string& Password, std::string& UserGroup,
                         std::string* AdminLoginName = nullptr,
                         std::string* AdminPassword = nullptr, std::string* UserPrefix = nullptr,
                         std::string* UserFirstname = nullptr,
                         std::string* UserLastname = nullptr,
                         int32_t* ChangeRightsMethod = nullptr,
                         std::string* WorkstationName = nullptr);
  int32_t UserLoginEx(std::string& LoginName, std::string& Password,
                      std::string* AdminLoginName = nullptr, std::string* AdminPassword = nullptr,
                      std::string* UserPrefix = nullptr, std::string* UserFirstname = nullptr,
                      std::string* UserLastname = nullptr, int32_t* ChangeRightsMethod = nullptr,
                      int32_t* lRights = nullptr, std::string* WorkstationName = nullptr);
  int32_t GetRespPerson(int32_t* rpID = nullptr, std::string* rpPrefix = nullptr,
                        std::string* rpFirstname = nullptr, std::string* rpLastname = nullptr,
                        std::string* rpGUID = nullptr, std::string* rpShortname = nullptr,
                        std::string* rpContactInfo = nullptr, std::string* rpEMail = nullptr,
                        std::string* rpLoginname = nullptr, int32_t* rpType = nullptr);
  int32_t ShowPatientEx(std::string& PatID, int32_t& lOptions);
  int32_t ShowObject(soObjectTypes& ObjectType, int32_t& lDBID, std::string* sUID = nullptr,
                     int32_t* lOptions = nullptr);
  int32_t GetSessionInfo(int32_t* UserID = nullptr, std::string* UserPrefix = nullptr,
                         std::string* UserFirstname = nullptr, std::string* UserLastname = nullptr,
                         std::string* UserLogin = nullptr, std::string* UserGroup = nullptr,
                         std::string* WorkstationName = nullptr, bool* IsLoggedIn = nullptr,
                         int16_t* LoginMethod = nullptr, int16_t* Rights = nullptr,
                         std::string* sextra = nullptr);
  int32_t AddPatientEx(std::string& PatID, std::string& FName, std::string& LName,
                       std::string& Sex, std::string& Adress, std::string& TelOne,
                       std::string& TelTwo, std::string& TelMobile, std::string& Email,
                       std::string& Birthdate, std::string& Comments, std::string& OtherIDs);
  int32_t ChangePatientEx(std::string& PatID, std::string& FName, std::string& LName,
                          std::string& Sex, std::string& Adress, std::string& TelOne,
                          std::string& TelTwo, std::string& TelMobile, std::string& Email,
                          std::string& Birthdate, std::string& Comments,
                          std::string* OtherIDs = nullptr);
  bool ToFile() const;
  void GetComputerOrClientName();
  std::string GetGeneralInfo(ggis& ggiType);

  // The object behind the interface, for the library's own layers and tests.
  link::ApplCore& core() { return *core_; }

 private:
  std::unique_ptr<link::ApplCore> core_;
};

}  // namespace orvabridge
