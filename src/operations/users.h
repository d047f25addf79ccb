// Logging users in to the imaging application, in three forms that differ in how rights are
// given (eight flags, a bit mask, a user group), and logging them out.
#pragma once

#include <cstdint>
#include <string>

namespace orvabridge::link {
class ApplCore;
class CallLog;
}  // namespace orvabridge::link

namespace orvabridge::operations {

// Optional arguments may be null (omitted): they count as empty, 0 or false, and the names the
// reply brings back are dropped for them. In text-out mode each writes the line of `call_log`.
int32_t UserLogin(link::ApplCore& core, const std::string& LoginName, const std::string& Password,
                  const std::string* AdminLoginName, const std::string* AdminPassword,
                  std::string* UserPrefix, std::string* UserFirstname, std::string* UserLastname,
                  const int32_t* ChangeRightsMethod, const bool* ApproveRights,
                  const bool* EditRights, const bool* DeleteRights,
                  const bool* PrintPatientInfoRights, const bool* ExportDCMRights,
                  const bool* ImportDCMRights, const bool* CaptureAndNonDCMImportRights,
                  const bool* AdminRights, const std::string* WorkstationName,
                  link::CallLog call_log);

int32_t UserLoginEx(link::ApplCore& core, const std::string& LoginName, const std::string& Password,
                    const std::string* AdminLoginName, const std::string* AdminPassword,
                    std::string* UserPrefix, std::string* UserFirstname, std::string* UserLastname,
                    const int32_t* ChangeRightsMethod, const int32_t* lRights,
                    const std::string* WorkstationName, link::CallLog call_log);

int32_t UserGroupLogin(link::ApplCore& core, const std::string& LoginName,
                       const std::string& Password, const std::string& UserGroup,
                       const std::string* AdminLoginName, const std::string* AdminPassword,
                       std::string* UserPrefix, std::string* UserFirstname,
                       std::string* UserLastname, const int32_t* ChangeRightsMethod,
                       const std::string* WorkstationName, link::CallLog call_log);

int32_t UserLogout(link::ApplCore& core, link::CallLog call_log);

}  // namespace orvabridge::operations
