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
#include <string>

#include "orvabridge/types.h"

namespace orvabridge {

struct ApplAccess;  // the library's own way in (not for hosts)

class Appl {
 public:
  // Reads the installation and the settings of this workstation; attaches to nothing yet.
  Appl();
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
                      std::string& captureDate, std::string& imagetype, std::string& ToothGroupname,
                      std::string& comment, std::string& toothgroups, std::string& Xraydata);
  int32_t GetImage(std::string& PictureID, std::string& templib, std::string& PicturePath);
  int32_t FindImages(std::string& PictureID, std::string& patientid, std::string& FromDate,
                     std::string& ToDate, std::string& imagetype, std::string& ToothGroupname,
                     std::string& comment, std::string& toothgroups, std::string& Xraydata);
  int32_t GetSelectedImageInfo(std::string& PictureID, std::string& patientid,
                               std::string& ImageDate, std::string& imagetype, std::string& OrgPath,
                               std::string& ToothGroupname, std::string& comment,
                               std::string& toothgroups, std::string& Xraydata);
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
                         std::string* UserFirstname = nullptr, std::string* UserLastname = nullptr,
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
  int32_t AddPatientEx(std::string& PatID, std::string& FName, std::string& LName, std::string& Sex,
                       std::string& Adress, std::string& TelOne, std::string& TelTwo,
                       std::string& TelMobile, std::string& Email, std::string& Birthdate,
                       std::string& Comments, std::string& OtherIDs);
  int32_t ChangePatientEx(std::string& PatID, std::string& FName, std::string& LName,
                          std::string& Sex, std::string& Adress, std::string& TelOne,
                          std::string& TelTwo, std::string& TelMobile, std::string& Email,
                          std::string& Birthdate, std::string& Comments,
                          std::string* OtherIDs = nullptr);
  bool ToFile() const;
  void GetComputerOrClientName();
  std::string GetGeneralInfo(ggis& ggiType);

 private:
  struct Impl;
  friend struct ApplAccess;
  explicit Appl(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace orvabridge
