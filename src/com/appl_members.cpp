// The members of _Appl: each one hands its by-reference arguments to the member of the same
// name of orvabridge::Appl (com/forward.h reads them into the member's C++ values and writes back
// what the call changed). Failures leave through GuardedCall; arguments are then left as they came.
#include "com/appl_object.h"
#include "com/forward.h"
#include "orvabridge/appl.h"

namespace orvabridge::com {

STDMETHODIMP ApplObject::InitApplication(BSTR* AppName, BSTR* AppVersion, LONG* result) {
  return Forward<&Appl::InitApplication>(*appl_, result, AppName, AppVersion);
}

STDMETHODIMP ApplObject::CloseApplication(LONG* result) {
  return Forward<&Appl::CloseApplication>(*appl_, result);
}

STDMETHODIMP ApplObject::GetCurrentPatient(BSTR* PatID, BSTR* FName, BSTR* LName, BSTR* Birthdate,
                                           BSTR* Sex, BSTR* Adress, BSTR* TelOne, BSTR* TelTwo,
                                           BSTR* Mobile, BSTR* Email, BSTR* Comments,
                                           LONG* result) {
  return Forward<&Appl::GetCurrentPatient>(*appl_, result, PatID, FName, LName, Birthdate, Sex,
                                           Adress, TelOne, TelTwo, Mobile, Email, Comments);
}

STDMETHODIMP ApplObject::FindPatient(BSTR* PatID, BSTR* FName, BSTR* LName, LONG* result) {
  return Forward<&Appl::FindPatient>(*appl_, result, PatID, FName, LName);
}

STDMETHODIMP ApplObject::ShowPatient(BSTR* PatID, LONG* result) {
  return Forward<&Appl::ShowPatient>(*appl_, result, PatID);
}

STDMETHODIMP ApplObject::AddPatient(BSTR* PatID, BSTR* FName, BSTR* LName, BSTR* Sex, BSTR* Adress,
                                    BSTR* TelOne, BSTR* TelTwo, BSTR* TelMobile, BSTR* Email,
                                    BSTR* Birthdate, BSTR* Comments, LONG* result) {
  return Forward<&Appl::AddPatient>(*appl_, result, PatID, FName, LName, Sex, Adress, TelOne,
                                    TelTwo, TelMobile, Email, Birthdate, Comments);
}

STDMETHODIMP ApplObject::ChangePatient(BSTR* PatID, BSTR* FName, BSTR* LName, BSTR* Sex,
                                       BSTR* Adress, BSTR* TelOne, BSTR* TelTwo, BSTR* TelMobile,
                                       BSTR* Email, BSTR* Birthdate, BSTR* Comments, LONG* result) {
  return Forward<&Appl::ChangePatient>(*appl_, result, PatID, FName, LName, Sex, Adress, TelOne,
                                       TelTwo, TelMobile, Email, Birthdate, Comments);
}

STDMETHODIMP ApplObject::SearchImage(BSTR* patientid, BSTR* indate, BSTR* PictureID,
                                     BSTR* captureDate, BSTR* imagetype, BSTR* ToothGroupname,
                                     BSTR* comment, BSTR* toothgroups, BSTR* Xraydata,
                                     LONG* result) {
  return Forward<&Appl::SearchImage>(*appl_, result, patientid, indate, PictureID, captureDate,
                                     imagetype, ToothGroupname, comment, toothgroups, Xraydata);
}

STDMETHODIMP ApplObject::GetImage(BSTR* PictureID, BSTR* templib, BSTR* PicturePath, LONG* result) {
  return Forward<&Appl::GetImage>(*appl_, result, PictureID, templib, PicturePath);
}

STDMETHODIMP ApplObject::FindImages(BSTR* PictureID, BSTR* patientid, BSTR* FromDate, BSTR* ToDate,
                                    BSTR* imagetype, BSTR* ToothGroupname, BSTR* comment,
                                    BSTR* toothgroups, BSTR* Xraydata, LONG* result) {
  return Forward<&Appl::FindImages>(*appl_, result, PictureID, patientid, FromDate, ToDate,
                                    imagetype, ToothGroupname, comment, toothgroups, Xraydata);
}

STDMETHODIMP ApplObject::GetSelectedImageInfo(BSTR* PictureID, BSTR* patientid, BSTR* ImageDate,
                                              BSTR* imagetype, BSTR* OrgPath, BSTR* ToothGroupname,
                                              BSTR* comment, BSTR* toothgroups, BSTR* Xraydata,
                                              LONG* result) {
  return Forward<&Appl::GetSelectedImageInfo>(*appl_, result, PictureID, patientid, ImageDate,
                                              imagetype, OrgPath, ToothGroupname, comment,
                                              toothgroups, Xraydata);
}

STDMETHODIMP ApplObject::GetSelectedImageCard(LONG* ImageCardID, BSTR* patientid, BSTR* ICXML,
                                              BSTR* ImagePath, VARIANT_BOOL* bGetImages,
                                              VARIANT_BOOL* bGetOriginals, LONG* result) {
  return Forward<&Appl::GetSelectedImageCard>(*appl_, result, ImageCardID, patientid, ICXML,
                                              ImagePath, bGetImages, bGetOriginals);
}

STDMETHODIMP ApplObject::UserLogout(LONG* result) {
  return Forward<&Appl::UserLogout>(*appl_, result);
}

STDMETHODIMP ApplObject::UserLogin(BSTR* LoginName, BSTR* Password, BSTR* AdminLoginName,
                                   BSTR* AdminPassword, BSTR* UserPrefix, BSTR* UserFirstname,
                                   BSTR* UserLastname, ::ChangeRightsOptions* ChangeRightsMethod,
                                   VARIANT_BOOL* ApproveRights, VARIANT_BOOL* EditRights,
                                   VARIANT_BOOL* DeleteRights, VARIANT_BOOL* PrintPatientInfoRights,
                                   VARIANT_BOOL* ExportDCMRights, VARIANT_BOOL* ImportDCMRights,
                                   VARIANT_BOOL* CaptureAndNonDCMImportRights,
                                   VARIANT_BOOL* AdminRights, BSTR* WorkstationName, LONG* result) {
  return Forward<&Appl::UserLogin>(*appl_, result, LoginName, Password, AdminLoginName,
                                   AdminPassword, UserPrefix, UserFirstname, UserLastname,
                                   ChangeRightsMethod, ApproveRights, EditRights, DeleteRights,
                                   PrintPatientInfoRights, ExportDCMRights, ImportDCMRights,
                                   CaptureAndNonDCMImportRights, AdminRights, WorkstationName);
}

STDMETHODIMP ApplObject::GetCurrentPatientFolder(BSTR* result) {
  return Forward<&Appl::GetCurrentPatientFolder>(*appl_, result);
}

STDMETHODIMP ApplObject::SetWindowState(short* iState, LONG* lXPos, LONG* lYPos, LONG* lwidth,
                                        LONG* lheight, LONG* lParent, LONG* result) {
  return Forward<&Appl::SetWindowState>(*appl_, result, iState, lXPos, lYPos, lwidth, lheight,
                                        lParent);
}

STDMETHODIMP ApplObject::MWLQuery(BSTR* PatID, BSTR* PatName, BSTR* AccNo, BSTR* ProcID,
                                  DATE* StartDate, BSTR* StationAE, BSTR* Modality, LONG* result) {
  return Forward<&Appl::MWLQuery>(*appl_, result, PatID, PatName, AccNo, ProcID, StartDate,
                                  StationAE, Modality);
}

STDMETHODIMP ApplObject::UserGroupLogin(BSTR* LoginName, BSTR* Password, BSTR* UserGroup,
                                        BSTR* AdminLoginName, BSTR* AdminPassword, BSTR* UserPrefix,
                                        BSTR* UserFirstname, BSTR* UserLastname,
                                        ::ChangeRightsOptions* ChangeRightsMethod,
                                        BSTR* WorkstationName, LONG* result) {
  return Forward<&Appl::UserGroupLogin>(*appl_, result, LoginName, Password, UserGroup,
                                        AdminLoginName, AdminPassword, UserPrefix, UserFirstname,
                                        UserLastname, ChangeRightsMethod, WorkstationName);
}

STDMETHODIMP ApplObject::UserLoginEx(BSTR* LoginName, BSTR* Password, BSTR* AdminLoginName,
                                     BSTR* AdminPassword, BSTR* UserPrefix, BSTR* UserFirstname,
                                     BSTR* UserLastname, ::ChangeRightsOptions* ChangeRightsMethod,
                                     LONG* lRights, BSTR* WorkstationName, LONG* result) {
  return Forward<&Appl::UserLoginEx>(*appl_, result, LoginName, Password, AdminLoginName,
                                     AdminPassword, UserPrefix, UserFirstname, UserLastname,
                                     ChangeRightsMethod, lRights, WorkstationName);
}

STDMETHODIMP ApplObject::GetRespPerson(LONG* rpID, BSTR* rpPrefix, BSTR* rpFirstname,
                                       BSTR* rpLastname, BSTR* rpGUID, BSTR* rpShortname,
                                       BSTR* rpContactInfo, BSTR* rpEMail, BSTR* rpLoginname,
                                       LONG* rpType, LONG* result) {
  return Forward<&Appl::GetRespPerson>(*appl_, result, rpID, rpPrefix, rpFirstname, rpLastname,
                                       rpGUID, rpShortname, rpContactInfo, rpEMail, rpLoginname,
                                       rpType);
}

STDMETHODIMP ApplObject::ShowPatientEx(BSTR* PatID, LONG* lOptions, LONG* result) {
  return Forward<&Appl::ShowPatientEx>(*appl_, result, PatID, lOptions);
}

STDMETHODIMP ApplObject::ShowObject(::soObjectTypes* ObjectType, LONG* lDBID, BSTR* sUID,
                                    LONG* lOptions, LONG* result) {
  return Forward<&Appl::ShowObject>(*appl_, result, ObjectType, lDBID, sUID, lOptions);
}

STDMETHODIMP ApplObject::GetSessionInfo(LONG* UserID, BSTR* UserPrefix, BSTR* UserFirstname,
                                        BSTR* UserLastname, BSTR* UserLogin, BSTR* UserGroup,
                                        BSTR* WorkstationName, VARIANT_BOOL* IsLoggedIn,
                                        short* LoginMethod, short* Rights, BSTR* sextra,
                                        LONG* result) {
  return Forward<&Appl::GetSessionInfo>(*appl_, result, UserID, UserPrefix, UserFirstname,
                                        UserLastname, UserLogin, UserGroup, WorkstationName,
                                        IsLoggedIn, LoginMethod, Rights, sextra);
}

STDMETHODIMP ApplObject::AddPatientEx(BSTR* PatID, BSTR* FName, BSTR* LName, BSTR* Sex,
                                      BSTR* Adress, BSTR* TelOne, BSTR* TelTwo, BSTR* TelMobile,
                                      BSTR* Email, BSTR* Birthdate, BSTR* Comments, BSTR* OtherIDs,
                                      LONG* result) {
  return Forward<&Appl::AddPatientEx>(*appl_, result, PatID, FName, LName, Sex, Adress, TelOne,
                                      TelTwo, TelMobile, Email, Birthdate, Comments, OtherIDs);
}

STDMETHODIMP ApplObject::ChangePatientEx(BSTR* PatID, BSTR* FName, BSTR* LName, BSTR* Sex,
                                         BSTR* Adress, BSTR* TelOne, BSTR* TelTwo, BSTR* TelMobile,
                                         BSTR* Email, BSTR* Birthdate, BSTR* Comments,
                                         BSTR* OtherIDs, LONG* result) {
  return Forward<&Appl::ChangePatientEx>(*appl_, result, PatID, FName, LName, Sex, Adress, TelOne,
                                         TelTwo, TelMobile, Email, Birthdate, Comments, OtherIDs);
}

STDMETHODIMP ApplObject::get_ToFile(VARIANT_BOOL* result) {
  return Forward<&Appl::ToFile>(*appl_, result);
}

STDMETHODIMP ApplObject::GetComputerOrClientName() {
  return ForwardWithoutResult<&Appl::GetComputerOrClientName>(*appl_);
}

STDMETHODIMP ApplObject::GetGeneralInfo(::ggis* ggiType, BSTR* result) {
  return Forward<&Appl::GetGeneralInfo>(*appl_, result, ggiType);
}

}  // namespace orvabridge::com
