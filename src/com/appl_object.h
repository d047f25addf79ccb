// The COM object behind the class `Appl`: one orvabridge::Appl, reached through the dual
// interface _Appl. Early-bound clients call the vtable methods; late-bound clients come through
// Invoke, which binds their arguments and then calls the same vtable methods, so that both paths
// share one implementation of every member.
//
// Apartment-threaded: the object lives on the thread that created it, as the library requires.
#pragma once

#include <memory>

#include "com/com_include.h"
#include "com/com_ptr.h"
#include "com/type_library.h"

namespace orvabridge {
class Appl;
}

namespace orvabridge::com {

// Deleted only by its own Release (see com_include.h).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class ApplObject final : public _Appl, public ISupportErrorInfo {
 public:
  // Makes a new object and returns its `riid` interface; creating the link object may fail with
  // the library's automation error, which comes back as its HRESULT with the error object set.
  static HRESULT Create(REFIID riid, void** object);

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                             DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argument_error) override;

  // ISupportErrorInfo
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;

  // _Appl, in the interface's order.
  STDMETHODIMP InitApplication(BSTR* AppName, BSTR* AppVersion, LONG* result) override;
  STDMETHODIMP CloseApplication(LONG* result) override;
  STDMETHODIMP GetCurrentPatient(BSTR* PatID, BSTR* FName, BSTR* LName, BSTR* Birthdate, BSTR* Sex,
                                 BSTR* Adress, BSTR* TelOne, BSTR* TelTwo, BSTR* Mobile,
                                 BSTR* Email, BSTR* Comments, LONG* result) override;
  STDMETHODIMP FindPatient(BSTR* PatID, BSTR* FName, BSTR* LName, LONG* result) override;
  STDMETHODIMP ShowPatient(BSTR* PatID, LONG* result) override;
  STDMETHODIMP AddPatient(BSTR* PatID, BSTR* FName, BSTR* LName, BSTR* Sex, BSTR* Adress,
                          BSTR* TelOne, BSTR* TelTwo, BSTR* TelMobile, BSTR* Email, BSTR* Birthdate,
                          BSTR* Comments, LONG* result) override;
  STDMETHODIMP ChangePatient(BSTR* PatID, BSTR* FName, BSTR* LName, BSTR* Sex, BSTR* Adress,
                             BSTR* TelOne, BSTR* TelTwo, BSTR* TelMobile, BSTR* Email,
                             BSTR* Birthdate, BSTR* Comments, LONG* result) override;
  STDMETHODIMP SearchImage(BSTR* patientid, BSTR* indate, BSTR* PictureID, BSTR* captureDate,
                           BSTR* imagetype, BSTR* ToothGroupname, BSTR* comment, BSTR* toothgroups,
                           BSTR* Xraydata, LONG* result) override;
  STDMETHODIMP GetImage(BSTR* PictureID, BSTR* templib, BSTR* PicturePath, LONG* result) override;
  STDMETHODIMP FindImages(BSTR* PictureID, BSTR* patientid, BSTR* FromDate, BSTR* ToDate,
                          BSTR* imagetype, BSTR* ToothGroupname, BSTR* comment, BSTR* toothgroups,
                          BSTR* Xraydata, LONG* result) override;
  STDMETHODIMP GetSelectedImageInfo(BSTR* PictureID, BSTR* patientid, BSTR* ImageDate,
                                    BSTR* imagetype, BSTR* OrgPath, BSTR* ToothGroupname,
                                    BSTR* comment, BSTR* toothgroups, BSTR* Xraydata,
                                    LONG* result) override;
  STDMETHODIMP GetSelectedImageCard(LONG* ImageCardID, BSTR* patientid, BSTR* ICXML,
                                    BSTR* ImagePath, VARIANT_BOOL* bGetImages,
                                    VARIANT_BOOL* bGetOriginals, LONG* result) override;
  STDMETHODIMP UserLogout(LONG* result) override;
  STDMETHODIMP UserLogin(BSTR* LoginName, BSTR* Password, BSTR* AdminLoginName, BSTR* AdminPassword,
                         BSTR* UserPrefix, BSTR* UserFirstname, BSTR* UserLastname,
                         ::ChangeRightsOptions* ChangeRightsMethod, VARIANT_BOOL* ApproveRights,
                         VARIANT_BOOL* EditRights, VARIANT_BOOL* DeleteRights,
                         VARIANT_BOOL* PrintPatientInfoRights, VARIANT_BOOL* ExportDCMRights,
                         VARIANT_BOOL* ImportDCMRights, VARIANT_BOOL* CaptureAndNonDCMImportRights,
                         VARIANT_BOOL* AdminRights, BSTR* WorkstationName, LONG* result) override;
  STDMETHODIMP GetCurrentPatientFolder(BSTR* result) override;
  STDMETHODIMP SetWindowState(short* iState, LONG* lXPos, LONG* lYPos, LONG* lwidth, LONG* lheight,
                              LONG* lParent, LONG* result) override;
  STDMETHODIMP MWLQuery(BSTR* PatID, BSTR* PatName, BSTR* AccNo, BSTR* ProcID, DATE* StartDate,
                        BSTR* StationAE, BSTR* Modality, LONG* result) override;
  STDMETHODIMP UserGroupLogin(BSTR* LoginName, BSTR* Password, BSTR* UserGroup,
                              BSTR* AdminLoginName, BSTR* AdminPassword, BSTR* UserPrefix,
                              BSTR* UserFirstname, BSTR* UserLastname,
                              ::ChangeRightsOptions* ChangeRightsMethod, BSTR* WorkstationName,
                              LONG* result) override;
  STDMETHODIMP UserLoginEx(BSTR* LoginName, BSTR* Password, BSTR* AdminLoginName,
                           BSTR* AdminPassword, BSTR* UserPrefix, BSTR* UserFirstname,
                           BSTR* UserLastname, ::ChangeRightsOptions* ChangeRightsMethod,
                           LONG* lRights, BSTR* WorkstationName, LONG* result) override;
  STDMETHODIMP GetRespPerson(LONG* rpID, BSTR* rpPrefix, BSTR* rpFirstname, BSTR* rpLastname,
                             BSTR* rpGUID, BSTR* rpShortname, BSTR* rpContactInfo, BSTR* rpEMail,
                             BSTR* rpLoginname, LONG* rpType, LONG* result) override;
  STDMETHODIMP ShowPatientEx(BSTR* PatID, LONG* lOptions, LONG* result) override;
  STDMETHODIMP ShowObject(::soObjectTypes* ObjectType, LONG* lDBID, BSTR* sUID, LONG* lOptions,
                          LONG* result) override;
  STDMETHODIMP GetSessionInfo(LONG* UserID, BSTR* UserPrefix, BSTR* UserFirstname,
                              BSTR* UserLastname, BSTR* UserLogin, BSTR* UserGroup,
                              BSTR* WorkstationName, VARIANT_BOOL* IsLoggedIn, short* LoginMethod,
                              short* Rights, BSTR* sextra, LONG* result) override;
  STDMETHODIMP AddPatientEx(BSTR* PatID, BSTR* FName, BSTR* LName, BSTR* Sex, BSTR* Adress,
                            BSTR* TelOne, BSTR* TelTwo, BSTR* TelMobile, BSTR* Email,
                            BSTR* Birthdate, BSTR* Comments, BSTR* OtherIDs, LONG* result) override;
  STDMETHODIMP ChangePatientEx(BSTR* PatID, BSTR* FName, BSTR* LName, BSTR* Sex, BSTR* Adress,
                               BSTR* TelOne, BSTR* TelTwo, BSTR* TelMobile, BSTR* Email,
                               BSTR* Birthdate, BSTR* Comments, BSTR* OtherIDs,
                               LONG* result) override;
  STDMETHODIMP get_ToFile(VARIANT_BOOL* result) override;
  STDMETHODIMP GetComputerOrClientName() override;
  STDMETHODIMP GetGeneralInfo(::ggis* ggiType, BSTR* result) override;

 private:
  ApplObject(ComPtr<ITypeInfo> type_info, MemberMap members, std::unique_ptr<Appl> appl);
  ~ApplObject();

  LONG references_ = 1;
  ComPtr<ITypeInfo> type_info_;
  MemberMap members_;
  std::unique_ptr<Appl> appl_;
};
#pragma GCC diagnostic pop

}  // namespace orvabridge::com
