// Reading patients: the patient open in the imaging application, and a look-up by patient id.
#pragma once

#include <cstdint>
#include <string>

namespace orvabridge::link {
class ApplCore;
class CallLog;
}  // namespace orvabridge::link

namespace orvabridge::operations {

int32_t GetCurrentPatient(link::ApplCore& core, std::string& PatID, std::string& FName,
                          std::string& LName, std::string& Birthdate, std::string& Sex,
                          std::string& Adress, std::string& TelOne, std::string& TelTwo,
                          std::string& Mobile, std::string& Email, std::string& Comments);

// In text-out mode writes the line of `call_log` and finds nothing.
int32_t FindPatient(link::ApplCore& core, std::string& PatID, std::string& FName,
                    std::string& LName, link::CallLog call_log);

}  // namespace orvabridge::operations
