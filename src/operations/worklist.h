// The two generic-record requests of the user side: the responsible person known to the imaging
// application, and a modality worklist query run by it.
#pragma once

#include <cstdint>
#include <string>

namespace orvabridge::link {
class ApplCore;
}

namespace orvabridge::operations {

// Every argument may be null (omitted); outputs are written only when the reply arrives.
int32_t GetRespPerson(link::ApplCore& core, int32_t* rpID, std::string* rpPrefix,
                      std::string* rpFirstname, std::string* rpLastname, std::string* rpGUID,
                      std::string* rpShortname, std::string* rpContactInfo, std::string* rpEMail,
                      std::string* rpLoginname, int32_t* rpType);

// Inputs only; an omitted text is sent empty and an omitted date as 0. Returns the number the
// application answers with.
int32_t MWLQuery(link::ApplCore& core, const std::string* PatID, const std::string* PatName,
                 const std::string* AccNo, const std::string* ProcID, const double* StartDate,
                 const std::string* StationAE, const std::string* Modality);

}  // namespace orvabridge::operations
