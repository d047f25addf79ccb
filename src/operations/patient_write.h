// Sending a new or changed patient to the imaging application. One copy-data request and no reply:
// a result of 1 means the record was handed over, not that the patient was stored.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "link/appl_core.h"
#include "link/call_log_line.h"

namespace orvabridge::operations {

enum class PatientWrite { kAdd, kChange };

// The arguments in the interface's order (which is not the record's field order).
struct PatientArguments {
  const std::string& PatID;
  const std::string& FName;
  const std::string& LName;
  const std::string& Sex;
  const std::string& Adress;
  const std::string& TelOne;
  const std::string& TelTwo;
  const std::string& TelMobile;
  const std::string& Email;
  const std::string& Birthdate;
  const std::string& Comments;
  const std::string& OtherIDs;
};

// AddPatientEx / ChangePatientEx: the extended record, or the short one while the object has the
// short record selected; in text-out mode the line of `call_log`. A run-time failure becomes the
// method's automation error.
int32_t WritePatient(link::ApplCore& core, PatientWrite kind, const PatientArguments& arguments,
                     link::CallLog call_log);

// Runs `call` (the Ex method) with the short record selected. The extended record is selected again
// on every way out, a raised error included, so that no later call inherits the short form.
template <class Call>
int32_t WithShortRecord(link::ApplCore& core, Call&& call) {
  struct Restore {
    link::ApplCore& core;
    ~Restore() { core.select_extended_record(true); }
  } restore{core};
  core.select_extended_record(false);
  return std::forward<Call>(call)();
}

}  // namespace orvabridge::operations
