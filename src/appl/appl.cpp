// The public Appl: each member hands its arguments to the operation that implements it. Methods
// without a failure handler of their own let a run-time failure reach the caller as an automation
// error carrying the failure's own number and description.
#include "orvabridge/appl.h"

#include "appl/appl_access.h"
#include "appcontrol/locate.h"
#include "appcontrol/window_state.h"
#include "interface/members.h"
#include "link/appl_core.h"
#include "link/call_log_line.h"
#include "link/call_trace.h"
#include "link/failure_policy.h"
#include "operations/images.h"
#include "operations/navigation.h"
#include "operations/patient_write.h"
#include "operations/database_lookups.h"
#include "operations/patients.h"
#include "operations/selected_image.h"
#include "operations/session.h"
#include "operations/users.h"
#include "operations/worklist.h"
#include "platform/platform.h"

namespace orvabridge {

AutomationError::AutomationError(int32_t number, std::string source, std::string description)
    : std::runtime_error(description),
      number_(number),
      source_(std::move(source)),
      description_(std::move(description)) {}

// The link object with what the layers above it supply: the quiet search that ends a re-attach.
struct Appl::Impl {
  Impl(std::shared_ptr<platform::Platform> platform, const channel::Timing& timing)
      : core(std::move(platform), timing, {[](link::ApplCore& object) {
               std::string name, version = appcontrol::kNoLaunch;
               appcontrol::InitApplication(
                   object, name, version,
                   link::CallArguments(api::MemberNamed("InitApplication"), name, version));
             }}) {}
  link::ApplCore core;
};

std::unique_ptr<Appl> ApplAccess::Make(std::shared_ptr<platform::Platform> platform,
                                       const channel::Timing& timing) {
  return std::unique_ptr<Appl>(new Appl(link::AsRuntimeError(
      [&] { return std::make_unique<Appl::Impl>(std::move(platform), timing); })));
}

link::ApplCore& ApplAccess::Core(Appl& appl) { return appl.impl_->core; }

Appl::Appl()
    : Appl(link::AsRuntimeError(
          [] { return std::make_unique<Impl>(platform::DefaultPlatform(), channel::Timing{}); })) {}

Appl::Appl(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Appl::~Appl() = default;

int32_t Appl::InitApplication(std::string& AppName, std::string& AppVersion) {
  return link::Traced(
      impl_->core, api::MemberNamed("InitApplication"),
      [&](link::CallLog call_log) {
        return appcontrol::InitApplication(impl_->core, AppName, AppVersion, call_log);
      },
      AppName, AppVersion);
}

int32_t Appl::CloseApplication() {
  return link::Traced(
      impl_->core, api::MemberNamed("CloseApplication"),
      [&](link::CallLog call_log) { return appcontrol::CloseApplication(impl_->core, call_log); });
}

int32_t Appl::GetCurrentPatient(std::string& PatID, std::string& FName, std::string& LName,
                                std::string& Birthdate, std::string& Sex, std::string& Adress,
                                std::string& TelOne, std::string& TelTwo, std::string& Mobile,
                                std::string& Email, std::string& Comments) {
  return link::Traced(
      impl_->core, api::MemberNamed("GetCurrentPatient"),
      [&] {
        return operations::GetCurrentPatient(impl_->core, PatID, FName, LName, Birthdate, Sex,
                                             Adress, TelOne, TelTwo, Mobile, Email, Comments);
      },
      PatID, FName, LName, Birthdate, Sex, Adress, TelOne, TelTwo, Mobile, Email, Comments);
}

int32_t Appl::FindPatient(std::string& PatID, std::string& FName, std::string& LName) {
  return link::Traced(
      impl_->core, api::MemberNamed("FindPatient"),
      [&](link::CallLog call_log) {
        return operations::FindPatient(impl_->core, PatID, FName, LName, call_log);
      },
      PatID, FName, LName);
}

int32_t Appl::ShowPatient(std::string& PatID) {
  return link::Traced(
      impl_->core, api::MemberNamed("ShowPatient"),
      [&] {
        int32_t options = 0;
        return ShowPatientEx(PatID, options);
      },
      PatID);
}

// The plain methods run the whole Ex method, text-out line and errors included, with the short
// record selected; OtherIDs goes out empty.
int32_t Appl::AddPatient(std::string& PatID, std::string& FName, std::string& LName,
                         std::string& Sex, std::string& Adress, std::string& TelOne,
                         std::string& TelTwo, std::string& TelMobile, std::string& Email,
                         std::string& Birthdate, std::string& Comments) {
  return link::Traced(
      impl_->core, api::MemberNamed("AddPatient"),
      [&] {
        return operations::WithShortRecord(impl_->core, [&] {
          std::string OtherIDs;
          return AddPatientEx(PatID, FName, LName, Sex, Adress, TelOne, TelTwo, TelMobile, Email,
                              Birthdate, Comments, OtherIDs);
        });
      },
      PatID, FName, LName, Sex, Adress, TelOne, TelTwo, TelMobile, Email, Birthdate, Comments);
}

int32_t Appl::ChangePatient(std::string& PatID, std::string& FName, std::string& LName,
                            std::string& Sex, std::string& Adress, std::string& TelOne,
                            std::string& TelTwo, std::string& TelMobile, std::string& Email,
                            std::string& Birthdate, std::string& Comments) {
  return link::Traced(
      impl_->core, api::MemberNamed("ChangePatient"),
      [&] {
        return operations::WithShortRecord(impl_->core, [&] {
          std::string OtherIDs;
          return ChangePatientEx(PatID, FName, LName, Sex, Adress, TelOne, TelTwo, TelMobile, Email,
                                 Birthdate, Comments, &OtherIDs);
        });
      },
      PatID, FName, LName, Sex, Adress, TelOne, TelTwo, TelMobile, Email, Birthdate, Comments);
}

int32_t Appl::SearchImage(std::string& patientid, std::string& indate, std::string& PictureID,
                          std::string& captureDate, std::string& imagetype,
                          std::string& ToothGroupname, std::string& comment,
                          std::string& toothgroups, std::string& Xraydata) {
  return link::Traced(
      impl_->core, api::MemberNamed("SearchImage"),
      [&] {
        return operations::SearchImage(impl_->core, patientid, indate, PictureID, captureDate,
                                       imagetype, ToothGroupname, comment, toothgroups, Xraydata);
      },
      patientid, indate, PictureID, captureDate, imagetype, ToothGroupname, comment, toothgroups,
      Xraydata);
}

int32_t Appl::GetImage(std::string& PictureID, std::string& templib, std::string& PicturePath) {
  return link::Traced(
      impl_->core, api::MemberNamed("GetImage"),
      [&] { return operations::GetImage(impl_->core, PictureID, templib, PicturePath); }, PictureID,
      templib, PicturePath);
}

int32_t Appl::FindImages(std::string& PictureID, std::string& patientid, std::string& FromDate,
                         std::string& ToDate, std::string& imagetype, std::string& ToothGroupname,
                         std::string& comment, std::string& toothgroups, std::string& Xraydata) {
  return link::Traced(
      impl_->core, api::MemberNamed("FindImages"),
      [&] {
        return operations::FindImages(impl_->core, PictureID, patientid, FromDate, ToDate,
                                      imagetype, ToothGroupname, comment, toothgroups, Xraydata);
      },
      PictureID, patientid, FromDate, ToDate, imagetype, ToothGroupname, comment, toothgroups,
      Xraydata);
}

int32_t Appl::GetSelectedImageInfo(std::string& PictureID, std::string& patientid,
                                   std::string& ImageDate, std::string& imagetype,
                                   std::string& OrgPath, std::string& ToothGroupname,
                                   std::string& comment, std::string& toothgroups,
                                   std::string& Xraydata) {
  return link::Traced(
      impl_->core, api::MemberNamed("GetSelectedImageInfo"),
      [&] {
        return operations::GetSelectedImageInfo(impl_->core, PictureID, patientid, ImageDate,
                                                imagetype, OrgPath, ToothGroupname, comment,
                                                toothgroups, Xraydata);
      },
      PictureID, patientid, ImageDate, imagetype, OrgPath, ToothGroupname, comment, toothgroups,
      Xraydata);
}

int32_t Appl::GetSelectedImageCard(int32_t& ImageCardID, std::string& patientid, std::string& ICXML,
                                   std::string& ImagePath, bool& bGetImages, bool& bGetOriginals) {
  return link::Traced(
      impl_->core, api::MemberNamed("GetSelectedImageCard"),
      [&] {
        return operations::GetSelectedImageCard(impl_->core, ImageCardID, patientid, ICXML,
                                                ImagePath, bGetImages, bGetOriginals);
      },
      ImageCardID, patientid, ICXML, ImagePath, bGetImages, bGetOriginals);
}

int32_t Appl::UserLogout() {
  return link::Traced(impl_->core, api::MemberNamed("UserLogout"), [&](link::CallLog call_log) {
    return operations::UserLogout(impl_->core, call_log);
  });
}

int32_t Appl::UserLogin(std::string& LoginName, std::string& Password, std::string* AdminLoginName,
                        std::string* AdminPassword, std::string* UserPrefix,
                        std::string* UserFirstname, std::string* UserLastname,
                        int32_t* ChangeRightsMethod, bool* ApproveRights, bool* EditRights,
                        bool* DeleteRights, bool* PrintPatientInfoRights, bool* ExportDCMRights,
                        bool* ImportDCMRights, bool* CaptureAndNonDCMImportRights,
                        bool* AdminRights, std::string* WorkstationName) {
  return link::Traced(
      impl_->core, api::MemberNamed("UserLogin"),
      [&](link::CallLog call_log) {
        return operations::UserLogin(
            impl_->core, LoginName, Password, AdminLoginName, AdminPassword, UserPrefix,
            UserFirstname, UserLastname, ChangeRightsMethod, ApproveRights, EditRights,
            DeleteRights, PrintPatientInfoRights, ExportDCMRights, ImportDCMRights,
            CaptureAndNonDCMImportRights, AdminRights, WorkstationName, call_log);
      },
      LoginName, Password, AdminLoginName, AdminPassword, UserPrefix, UserFirstname, UserLastname,
      ChangeRightsMethod, ApproveRights, EditRights, DeleteRights, PrintPatientInfoRights,
      ExportDCMRights, ImportDCMRights, CaptureAndNonDCMImportRights, AdminRights, WorkstationName);
}

std::string Appl::GetCurrentPatientFolder() {
  return link::Traced(impl_->core, api::MemberNamed("GetCurrentPatientFolder"),
                      [&] { return operations::GetCurrentPatientFolder(impl_->core); });
}

int32_t Appl::SetWindowState(int16_t* iState, int32_t* lXPos, int32_t* lYPos, int32_t* lwidth,
                             int32_t* lheight, int32_t* lParent) {
  return link::Traced(
      impl_->core, api::MemberNamed("SetWindowState"),
      [&](link::CallLog call_log) {
        return appcontrol::SetWindowState(impl_->core, iState, lXPos, lYPos, lwidth, lheight,
                                          lParent, call_log);
      },
      iState, lXPos, lYPos, lwidth, lheight, lParent);
}

int32_t Appl::MWLQuery(std::string* PatID, std::string* PatName, std::string* AccNo,
                       std::string* ProcID, double* StartDate, std::string* StationAE,
                       std::string* Modality) {
  return link::Traced(
      impl_->core, api::MemberNamed("MWLQuery"),
      [&] {
        return operations::MWLQuery(impl_->core, PatID, PatName, AccNo, ProcID, StartDate,
                                    StationAE, Modality);
      },
      PatID, PatName, AccNo, ProcID, StartDate, StationAE, Modality);
}

int32_t Appl::UserGroupLogin(std::string& LoginName, std::string& Password, std::string& UserGroup,
                             std::string* AdminLoginName, std::string* AdminPassword,
                             std::string* UserPrefix, std::string* UserFirstname,
                             std::string* UserLastname, int32_t* ChangeRightsMethod,
                             std::string* WorkstationName) {
  return link::Traced(
      impl_->core, api::MemberNamed("UserGroupLogin"),
      [&](link::CallLog call_log) {
        return operations::UserGroupLogin(
            impl_->core, LoginName, Password, UserGroup, AdminLoginName, AdminPassword, UserPrefix,
            UserFirstname, UserLastname, ChangeRightsMethod, WorkstationName, call_log);
      },
      LoginName, Password, UserGroup, AdminLoginName, AdminPassword, UserPrefix, UserFirstname,
      UserLastname, ChangeRightsMethod, WorkstationName);
}

int32_t Appl::UserLoginEx(std::string& LoginName, std::string& Password,
                          std::string* AdminLoginName, std::string* AdminPassword,
                          std::string* UserPrefix, std::string* UserFirstname,
                          std::string* UserLastname, int32_t* ChangeRightsMethod, int32_t* lRights,
                          std::string* WorkstationName) {
  return link::Traced(
      impl_->core, api::MemberNamed("UserLoginEx"),
      [&](link::CallLog call_log) {
        return operations::UserLoginEx(impl_->core, LoginName, Password, AdminLoginName,
                                       AdminPassword, UserPrefix, UserFirstname, UserLastname,
                                       ChangeRightsMethod, lRights, WorkstationName, call_log);
      },
      LoginName, Password, AdminLoginName, AdminPassword, UserPrefix, UserFirstname, UserLastname,
      ChangeRightsMethod, lRights, WorkstationName);
}

int32_t Appl::GetRespPerson(int32_t* rpID, std::string* rpPrefix, std::string* rpFirstname,
                            std::string* rpLastname, std::string* rpGUID, std::string* rpShortname,
                            std::string* rpContactInfo, std::string* rpEMail,
                            std::string* rpLoginname, int32_t* rpType) {
  return link::Traced(
      impl_->core, api::MemberNamed("GetRespPerson"),
      [&] {
        return operations::GetRespPerson(impl_->core, rpID, rpPrefix, rpFirstname, rpLastname,
                                         rpGUID, rpShortname, rpContactInfo, rpEMail, rpLoginname,
                                         rpType);
      },
      rpID, rpPrefix, rpFirstname, rpLastname, rpGUID, rpShortname, rpContactInfo, rpEMail,
      rpLoginname, rpType);
}

int32_t Appl::ShowPatientEx(std::string& PatID, int32_t& lOptions) {
  return link::Traced(
      impl_->core, api::MemberNamed("ShowPatientEx"),
      [&](link::CallLog call_log) {
        return operations::ShowPatientEx(impl_->core, PatID, lOptions, call_log);
      },
      PatID, lOptions);
}

int32_t Appl::ShowObject(soObjectTypes& ObjectType, int32_t& lDBID, std::string* sUID,
                         int32_t* lOptions) {
  return link::Traced(
      impl_->core, api::MemberNamed("ShowObject"),
      [&] {
        return operations::ShowObject(impl_->core, ObjectType, lDBID,
                                      sUID != nullptr ? *sUID : std::string(),
                                      lOptions != nullptr ? *lOptions : 0);
      },
      ObjectType, lDBID, sUID, lOptions);
}

int32_t Appl::GetSessionInfo(int32_t* UserID, std::string* UserPrefix, std::string* UserFirstname,
                             std::string* UserLastname, std::string* UserLogin,
                             std::string* UserGroup, std::string* WorkstationName, bool* IsLoggedIn,
                             int16_t* LoginMethod, int16_t* Rights, std::string* sextra) {
  return link::Traced(
      impl_->core, api::MemberNamed("GetSessionInfo"),
      [&] {
        return operations::GetSessionInfo(impl_->core, UserID, UserPrefix, UserFirstname,
                                          UserLastname, UserLogin, UserGroup, WorkstationName,
                                          IsLoggedIn, LoginMethod, Rights, sextra);
      },
      UserID, UserPrefix, UserFirstname, UserLastname, UserLogin, UserGroup, WorkstationName,
      IsLoggedIn, LoginMethod, Rights, sextra);
}

int32_t Appl::AddPatientEx(std::string& PatID, std::string& FName, std::string& LName,
                           std::string& Sex, std::string& Adress, std::string& TelOne,
                           std::string& TelTwo, std::string& TelMobile, std::string& Email,
                           std::string& Birthdate, std::string& Comments, std::string& OtherIDs) {
  return link::Traced(
      impl_->core, api::MemberNamed("AddPatientEx"),
      [&](link::CallLog call_log) {
        return operations::WritePatient(impl_->core, operations::PatientWrite::kAdd,
                                        {PatID, FName, LName, Sex, Adress, TelOne, TelTwo,
                                         TelMobile, Email, Birthdate, Comments, OtherIDs},
                                        call_log);
      },
      PatID, FName, LName, Sex, Adress, TelOne, TelTwo, TelMobile, Email, Birthdate, Comments,
      OtherIDs);
}

int32_t Appl::ChangePatientEx(std::string& PatID, std::string& FName, std::string& LName,
                              std::string& Sex, std::string& Adress, std::string& TelOne,
                              std::string& TelTwo, std::string& TelMobile, std::string& Email,
                              std::string& Birthdate, std::string& Comments,
                              std::string* OtherIDs) {
  return link::Traced(
      impl_->core, api::MemberNamed("ChangePatientEx"),
      [&](link::CallLog call_log) {
        const std::string omitted;
        return operations::WritePatient(
            impl_->core, operations::PatientWrite::kChange,
            {PatID, FName, LName, Sex, Adress, TelOne, TelTwo, TelMobile, Email, Birthdate,
             Comments, OtherIDs != nullptr ? *OtherIDs : omitted},
            call_log);
      },
      PatID, FName, LName, Sex, Adress, TelOne, TelTwo, TelMobile, Email, Birthdate, Comments,
      OtherIDs);
}

bool Appl::ToFile() const {
  return link::Traced(impl_->core, api::MemberNamed("ToFile"),
                      [&] { return impl_->core.text_out().on(); });
}

void Appl::GetComputerOrClientName() {
  link::Traced(impl_->core, api::MemberNamed("GetComputerOrClientName"),
               [&] { impl_->core.LoadStartupConfiguration(); });
}

std::string Appl::GetGeneralInfo(ggis& ggiType) {
  return link::Traced(
      impl_->core, api::MemberNamed("GetGeneralInfo"),
      [&] { return operations::GetGeneralInfo(impl_->core, ggiType); }, ggiType);
}

}  // namespace orvabridge
