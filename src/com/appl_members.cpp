// The members of _Appl: each one reads its by-reference arguments into the library's C++ values,
// calls the member of the same name of orvabridge::Appl, writes back what the call changed and
// returns the result. Failures leave through GuardedCall; arguments are then left as they came.
#include "com/appl_object.h"
#include "com/by_ref.h"
#include "com/call_boundary.h"
#include "orvabridge/appl.h"

namespace orvabridge::com {
namespace {

using RightsArg = ByRef<EnumWire<::ChangeRightsOptions, int32_t>>;
using ObjectTypeArg = ByRef<EnumWire<::soObjectTypes, soObjectTypes>>;
using InfoTypeArg = ByRef<EnumWire<::ggis, ggis>>;

}  // namespace

STDMETHODIMP ApplObject::InitApplication(BSTR* AppName, BSTR* AppVersion, LONG* result) {
  return GuardedCall([&] {
    LONG& out = *Required(result);
    Text name(Required(AppName)), version(Required(AppVersion));
    const int32_t code = appl_->InitApplication(*name, *version);
    CommitAll(name, version);
    out = code;
  });
}

STDMETHODIMP ApplObject::CloseApplication(LONG* result) {
  return GuardedCall([&] {
    LONG& out = *Required(result);
    out = appl_->CloseApplication();
  });
}

STDMETHODIMP ApplObject::GetCurrentPatient(BSTR* PatID, BSTR* FName, BSTR* LName, BSTR* Birthdate,
                                           BSTR* Sex, BSTR* Adress, BSTR* TelOne, BSTR* TelTwo,
                                           BSTR* Mobile, BSTR* Email, BSTR* Comments,
                                           LONG* result) {
  return GuardedCall([&] {
    LONG& out = *Required(result);
    Text id(Required(PatID)), first(Required(FName)), last(Required(LName)),
        birth(Required(Birthdate)), sex(Required(Sex)), address(Required(Adress)),
        tel1(Required(TelOne)), tel2(Required(TelTwo)), mobile(Required(Mobile)),
        email(Required(Email)), comments(Required(Comments));
    const int32_t code = appl_->GetCurrentPatient(*id, *first, *last, *birth, *sex, *address, *tel1,
                                                  *tel2, *mobile, *email, *comments);
    CommitAll(id, first, last, birth, sex, address, tel1, tel2, mobile, email, comments);
    out = code;
  });
}

STDMETHODIMP ApplObject::FindPatient(BSTR* PatID, BSTR* FName, BSTR* LName, LONG* result) {
  return GuardedCall([&] {
    LONG& out = *Required(result);
    Text id(Required(PatID)), first(Required(FName)), last(Required(LName));
    const int32_t code = appl_->FindPatient(*id, *first, *last);
    CommitAll(id, first, last);
    out = code;
  });
}

STDMETHODIMP ApplObject::ShowPatient(BSTR* PatID, LONG* result) {
  return GuardedCall([&] {
    LONG& out = *Required(result);
    Text id(Required(PatID));
    const int32_t code = appl_->ShowPatient(*id);
    CommitAll(id);
    out = code;
  });
}

STDMETHODIMP ApplObject::AddPatient(BSTR* PatID, BSTR* FName, BSTR* LName, BSTR* Sex, BSTR* Adress,
                                    BSTR* TelOne, BSTR* TelTwo, BSTR* TelMobile, BSTR* Email,
                                    BSTR* Birthdate, BSTR* Comments, LONG* result) {
  return GuardedCall([&] {
    LONG& out = *Required(result);
    Text id(Required(PatID)), first(Required(FName)), last(Required(LName)), sex(Required(Sex)),
        address(Required(Adress)), tel1(Required(TelOne)), tel2(Required(TelTwo)),
        mobile(Required(TelMobile)), email(Required(Email)), birth(Required(Birthdate)),
        comments(Required(Comments));
    const int32_t code = appl_->AddPatient(*id, *first, *last, *sex, *address, *tel1, *tel2,
                                           *mobile, *email, *birth, *comments);
    CommitAll(id, first, last, sex, address, tel1, tel2, mobile, email, birth, comments);
    out = code;
  });
}

STDMETHODIMP ApplObject::ChangePatient(BSTR* PatID, BSTR* FName, BSTR* LName, BSTR* Sex,
                                       BSTR* Adress, BSTR* TelOne, BSTR* TelTwo, BSTR* TelMobile,
                                       BSTR* Email, BSTR* Birthdate, BSTR* Comments, LONG* result) {
  return GuardedCall([&] {
    LONG& out = *Required(result);
    Text id(Required(PatID)), first(Required(FName)), last(Required(LName)), sex(Required(Sex)),
        address(Required(Adress)), tel1(Required(TelOne)), tel2(Required(TelTwo)),
        mobile(Required(TelMobile)), email(Required(Email)), birth(Required(Birthdate)),
        comments(Required(Comments));
    const int32_t code = appl_->ChangePatient(*id, *first, *last, *sex, *address, *tel1, *tel2,
                                              *mobile, *email, *birth, *comments);
    CommitAll(id, first, last, sex, address, tel1, tel2, mobile, email, birth, comments);
    out = code;
  });
}

STDMETHODIMP ApplObject::SearchImage(BSTR* patientid, BSTR* indate, BSTR* PictureID,
                                     BSTR* captureDate, BSTR* imagetype, BSTR* ToothGroupname,
                                     BSTR* comment, BSTR* toothgroups, BSTR* Xraydata,
                                     LONG* result) {
  return GuardedCall([&] {
    LONG& out = *Required(result);
    Text patient(Required(patientid)), date(Required(indate)), picture(Required(PictureID)),
        captured(Required(captureDate)), type(Required(imagetype)), group(Required(ToothGroupname)),
        note(Required(comment)), teeth(Required(toothgroups)), xray(Required(Xraydata));
    const int32_t code = appl_->SearchImage(*patient, *date, *picture, *captured, *type, *group,
                                            *note, *teeth, *xray);
    CommitAll(patient, date, picture, captured, type, group, note, teeth, xray);
    out = code;
  });
}

STDMETHODIMP ApplObject::GetImage(BSTR* PictureID, BSTR* templib, BSTR* PicturePath, LONG* result) {
  return GuardedCall([&] {
    LONG& out = *Required(result);
    Text picture(Required(PictureID)), folder(Required(templib)), path(Required(PicturePath));
    const int32_t code = appl_->GetImage(*picture, *folder, *path);
    CommitAll(picture, folder, path);
    out = code;
  });
}

STDMETHODIMP ApplObject::FindImages(BSTR* PictureID, BSTR* patientid, BSTR* FromDate, BSTR* ToDate,
                                    BSTR* imagetype, BSTR* ToothGroupname, BSTR* comment,
                                    BSTR* toothgroups, BSTR* Xraydata, LONG* result) {
  return GuardedCall([&] {
    LONG& out = *Required(result);
    Text picture(Required(PictureID)), patient(Required(patientid)), from(Required(FromDate)),
        to(Required(ToDate)), type(Required(imagetype)), group(Required(ToothGroupname)),
        note(Required(comment)), teeth(Required(toothgroups)), xray(Required(Xraydata));
    const int32_t code =
        appl_->FindImages(*picture, *patient, *from, *to, *type, *group, *note, *teeth, *xray);
    CommitAll(picture, patient, from, to, type, group, note, teeth, xray);
    out = code;
  });
}

STDMETHODIMP ApplObject::GetSelectedImageInfo(BSTR* PictureID, BSTR* patientid, BSTR* ImageDate,
                                              BSTR* imagetype, BSTR* OrgPath, BSTR* ToothGroupname,
                                              BSTR* comment, BSTR* toothgroups, BSTR* Xraydata,
                                              LONG* result) {
  return GuardedCall([&] {
    LONG& out = *Required(result);
    Text picture(Required(PictureID)), patient(Required(patientid)), date(Required(ImageDate)),
        type(Required(imagetype)), original(Required(OrgPath)), group(Required(ToothGroupname)),
        note(Required(comment)), teeth(Required(toothgroups)), xray(Required(Xraydata));
    const int32_t code = appl_->GetSelectedImageInfo(*picture, *patient, *date, *type, *original,
                                                     *group, *note, *teeth, *xray);
    CommitAll(picture, patient, date, type, original, group, note, teeth, xray);
    out = code;
  });
}

STDMETHODIMP ApplObject::GetSelectedImageCard(LONG* ImageCardID, BSTR* patientid, BSTR* ICXML,
                                              BSTR* ImagePath, VARIANT_BOOL* bGetImages,
                                              VARIANT_BOOL* bGetOriginals, LONG* result) {
  return GuardedCall([&] {
    LONG& out = *Required(result);
    Long card(Required(ImageCardID));
    Text patient(Required(patientid)), xml(Required(ICXML)), path(Required(ImagePath));
    Flag images(Required(bGetImages)), originals(Required(bGetOriginals));
    const int32_t code =
        appl_->GetSelectedImageCard(*card, *patient, *xml, *path, *images, *originals);
    CommitAll(card, patient, xml, path, images, originals);
    out = code;
  });
}

STDMETHODIMP ApplObject::UserLogout(LONG* result) {
  return GuardedCall([&] {
    LONG& out = *Required(result);
    out = appl_->UserLogout();
  });
}

STDMETHODIMP ApplObject::UserLogin(BSTR* LoginName, BSTR* Password, BSTR* AdminLoginName,
                                   BSTR* AdminPassword, BSTR* UserPrefix, BSTR* UserFirstname,
                                   BSTR* UserLastname, ::ChangeRightsOptions* ChangeRightsMethod,
                                   VARIANT_BOOL* ApproveRights, VARIANT_BOOL* EditRights,
                                   VARIANT_BOOL* DeleteRights, VARIANT_BOOL* PrintPatientInfoRights,
                                   VARIANT_BOOL* ExportDCMRights, VARIANT_BOOL* ImportDCMRights,
                                   VARIANT_BOOL* CaptureAndNonDCMImportRights,
                                   VARIANT_BOOL* AdminRights, BSTR* WorkstationName, LONG* result) {
  return GuardedCall([&] {
    LONG& out = *Required(result);
    Text login(Required(LoginName)), password(Required(Password));
    Text admin(AdminLoginName), admin_password(AdminPassword), prefix(UserPrefix),
        first(UserFirstname), last(UserLastname), workstation(WorkstationName);
    RightsArg change(ChangeRightsMethod);
    Flag approve(ApproveRights), edit(EditRights), remove(DeleteRights),
        print(PrintPatientInfoRights), dcm_export(ExportDCMRights), dcm_import(ImportDCMRights),
        capture(CaptureAndNonDCMImportRights), administer(AdminRights);
    const int32_t code = appl_->UserLogin(
        *login, *password, admin.get(), admin_password.get(), prefix.get(), first.get(), last.get(),
        change.get(), approve.get(), edit.get(), remove.get(), print.get(), dcm_export.get(),
        dcm_import.get(), capture.get(), administer.get(), workstation.get());
    CommitAll(login, password, admin, admin_password, prefix, first, last, change, approve, edit,
              remove, print, dcm_export, dcm_import, capture, administer, workstation);
    out = code;
  });
}

STDMETHODIMP ApplObject::GetCurrentPatientFolder(BSTR* result) {
  return GuardedCall([&] {
    BSTR& out = *Required(result);
    out = Utf8ToBstr(appl_->GetCurrentPatientFolder()).Detach();
  });
}

STDMETHODIMP ApplObject::SetWindowState(short* iState, LONG* lXPos, LONG* lYPos, LONG* lwidth,
                                        LONG* lheight, LONG* lParent, LONG* result) {
  return GuardedCall([&] {
    LONG& out = *Required(result);
    Short state(iState);
    Long x(lXPos), y(lYPos), width(lwidth), height(lheight), parent(lParent);
    const int32_t code = appl_->SetWindowState(state.get(), x.get(), y.get(), width.get(),
                                               height.get(), parent.get());
    CommitAll(state, x, y, width, height, parent);
    out = code;
  });
}

STDMETHODIMP ApplObject::MWLQuery(BSTR* PatID, BSTR* PatName, BSTR* AccNo, BSTR* ProcID,
                                  DATE* StartDate, BSTR* StationAE, BSTR* Modality, LONG* result) {
  return GuardedCall([&] {
    LONG& out = *Required(result);
    Text id(PatID), name(PatName), accession(AccNo), procedure(ProcID), station(StationAE),
        modality(Modality);
    Date start(StartDate);
    const int32_t code = appl_->MWLQuery(id.get(), name.get(), accession.get(), procedure.get(),
                                         start.get(), station.get(), modality.get());
    CommitAll(id, name, accession, procedure, start, station, modality);
    out = code;
  });
}

STDMETHODIMP ApplObject::UserGroupLogin(BSTR* LoginName, BSTR* Password, BSTR* UserGroup,
                                        BSTR* AdminLoginName, BSTR* AdminPassword, BSTR* UserPrefix,
                                        BSTR* UserFirstname, BSTR* UserLastname,
                                        ::ChangeRightsOptions* ChangeRightsMethod,
                                        BSTR* WorkstationName, LONG* result) {
  return GuardedCall([&] {
    LONG& out = *Required(result);
    Text login(Required(LoginName)), password(Required(Password)), group(Required(UserGroup));
    Text admin(AdminLoginName), admin_password(AdminPassword), prefix(UserPrefix),
        first(UserFirstname), last(UserLastname), workstation(WorkstationName);
    RightsArg change(ChangeRightsMethod);
    const int32_t code = appl_->UserGroupLogin(*login, *password, *group, admin.get(),
                                               admin_password.get(), prefix.get(), first.get(),
                                               last.get(), change.get(), workstation.get());
    CommitAll(login, password, group, admin, admin_password, prefix, first, last, change,
              workstation);
    out = code;
  });
}

STDMETHODIMP ApplObject::UserLoginEx(BSTR* LoginName, BSTR* Password, BSTR* AdminLoginName,
                                     BSTR* AdminPassword, BSTR* UserPrefix, BSTR* UserFirstname,
                                     BSTR* UserLastname, ::ChangeRightsOptions* ChangeRightsMethod,
                                     LONG* lRights, BSTR* WorkstationName, LONG* result) {
  return GuardedCall([&] {
    LONG& out = *Required(result);
    Text login(Required(LoginName)), password(Required(Password));
    Text admin(AdminLoginName), admin_password(AdminPassword), prefix(UserPrefix),
        first(UserFirstname), last(UserLastname), workstation(WorkstationName);
    RightsArg change(ChangeRightsMethod);
    Long rights(lRights);
    const int32_t code =
        appl_->UserLoginEx(*login, *password, admin.get(), admin_password.get(), prefix.get(),
                           first.get(), last.get(), change.get(), rights.get(), workstation.get());
    CommitAll(login, password, admin, admin_password, prefix, first, last, change, rights,
              workstation);
    out = code;
  });
}

STDMETHODIMP ApplObject::GetRespPerson(LONG* rpID, BSTR* rpPrefix, BSTR* rpFirstname,
                                       BSTR* rpLastname, BSTR* rpGUID, BSTR* rpShortname,
                                       BSTR* rpContactInfo, BSTR* rpEMail, BSTR* rpLoginname,
                                       LONG* rpType, LONG* result) {
  return GuardedCall([&] {
    LONG& out = *Required(result);
    Long id(rpID), type(rpType);
    Text prefix(rpPrefix), first(rpFirstname), last(rpLastname), guid(rpGUID),
        short_name(rpShortname), contact(rpContactInfo), email(rpEMail), login(rpLoginname);
    const int32_t code =
        appl_->GetRespPerson(id.get(), prefix.get(), first.get(), last.get(), guid.get(),
                             short_name.get(), contact.get(), email.get(), login.get(), type.get());
    CommitAll(id, prefix, first, last, guid, short_name, contact, email, login, type);
    out = code;
  });
}

STDMETHODIMP ApplObject::ShowPatientEx(BSTR* PatID, LONG* lOptions, LONG* result) {
  return GuardedCall([&] {
    LONG& out = *Required(result);
    Text id(Required(PatID));
    Long options(Required(lOptions));
    const int32_t code = appl_->ShowPatientEx(*id, *options);
    CommitAll(id, options);
    out = code;
  });
}

STDMETHODIMP ApplObject::ShowObject(::soObjectTypes* ObjectType, LONG* lDBID, BSTR* sUID,
                                    LONG* lOptions, LONG* result) {
  return GuardedCall([&] {
    LONG& out = *Required(result);
    ObjectTypeArg type(Required(ObjectType));
    Long number(Required(lDBID)), options(lOptions);
    Text uid(sUID);
    const int32_t code = appl_->ShowObject(*type, *number, uid.get(), options.get());
    CommitAll(type, number, uid, options);
    out = code;
  });
}

STDMETHODIMP ApplObject::GetSessionInfo(LONG* UserID, BSTR* UserPrefix, BSTR* UserFirstname,
                                        BSTR* UserLastname, BSTR* UserLogin, BSTR* UserGroup,
                                        BSTR* WorkstationName, VARIANT_BOOL* IsLoggedIn,
                                        short* LoginMethod, short* Rights, BSTR* sextra,
                                        LONG* result) {
  return GuardedCall([&] {
    LONG& out = *Required(result);
    Long id(UserID);
    Text prefix(UserPrefix), first(UserFirstname), last(UserLastname), login(UserLogin),
        group(UserGroup), workstation(WorkstationName), extra(sextra);
    Flag logged_in(IsLoggedIn);
    Short method(LoginMethod), rights(Rights);
    const int32_t code = appl_->GetSessionInfo(
        id.get(), prefix.get(), first.get(), last.get(), login.get(), group.get(),
        workstation.get(), logged_in.get(), method.get(), rights.get(), extra.get());
    CommitAll(id, prefix, first, last, login, group, workstation, logged_in, method, rights, extra);
    out = code;
  });
}

STDMETHODIMP ApplObject::AddPatientEx(BSTR* PatID, BSTR* FName, BSTR* LName, BSTR* Sex,
                                      BSTR* Adress, BSTR* TelOne, BSTR* TelTwo, BSTR* TelMobile,
                                      BSTR* Email, BSTR* Birthdate, BSTR* Comments, BSTR* OtherIDs,
                                      LONG* result) {
  return GuardedCall([&] {
    LONG& out = *Required(result);
    Text id(Required(PatID)), first(Required(FName)), last(Required(LName)), sex(Required(Sex)),
        address(Required(Adress)), tel1(Required(TelOne)), tel2(Required(TelTwo)),
        mobile(Required(TelMobile)), email(Required(Email)), birth(Required(Birthdate)),
        comments(Required(Comments)), others(Required(OtherIDs));
    const int32_t code = appl_->AddPatientEx(*id, *first, *last, *sex, *address, *tel1, *tel2,
                                             *mobile, *email, *birth, *comments, *others);
    CommitAll(id, first, last, sex, address, tel1, tel2, mobile, email, birth, comments, others);
    out = code;
  });
}

STDMETHODIMP ApplObject::ChangePatientEx(BSTR* PatID, BSTR* FName, BSTR* LName, BSTR* Sex,
                                         BSTR* Adress, BSTR* TelOne, BSTR* TelTwo, BSTR* TelMobile,
                                         BSTR* Email, BSTR* Birthdate, BSTR* Comments,
                                         BSTR* OtherIDs, LONG* result) {
  return GuardedCall([&] {
    LONG& out = *Required(result);
    Text id(Required(PatID)), first(Required(FName)), last(Required(LName)), sex(Required(Sex)),
        address(Required(Adress)), tel1(Required(TelOne)), tel2(Required(TelTwo)),
        mobile(Required(TelMobile)), email(Required(Email)), birth(Required(Birthdate)),
        comments(Required(Comments));
    Text others(OtherIDs);
    const int32_t code = appl_->ChangePatientEx(*id, *first, *last, *sex, *address, *tel1, *tel2,
                                                *mobile, *email, *birth, *comments, others.get());
    CommitAll(id, first, last, sex, address, tel1, tel2, mobile, email, birth, comments, others);
    out = code;
  });
}

STDMETHODIMP ApplObject::get_ToFile(VARIANT_BOOL* result) {
  return GuardedCall([&] {
    VARIANT_BOOL& out = *Required(result);
    out = appl_->ToFile() ? VARIANT_TRUE : VARIANT_FALSE;
  });
}

STDMETHODIMP ApplObject::GetComputerOrClientName() {
  return GuardedCall([&] { appl_->GetComputerOrClientName(); });
}

STDMETHODIMP ApplObject::GetGeneralInfo(::ggis* ggiType, BSTR* result) {
  return GuardedCall([&] {
    BSTR& out = *Required(result);
    InfoTypeArg type(Required(ggiType));
    UniqueBstr text = Utf8ToBstr(appl_->GetGeneralInfo(*type));
    CommitAll(type);
    out = text.Detach();
  });
}

}  // namespace orvabridge::com
