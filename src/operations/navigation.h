// Making the imaging application show something: a patient by identifier (confirmed by polling
// the current patient), or a patient, series, image card or image by number or unique identifier.
// Both can bring the imaging application's window to the front, steered by `lOptions`.
#pragma once

#include <cstdint>
#include <string>

#include "orvabridge/types.h"

namespace orvabridge::link {
class ApplCore;
class CallLog;
}  // namespace orvabridge::link

namespace orvabridge::operations {

// `lOptions` is no bit set: 0 brings the window to the front when something is named, 1 always,
// any other value never. The imaging application gets the value unchanged.
bool BringToFront(int32_t lOptions, bool names_an_object);

// Sends the show-patient request, then polls the current patient until it is `PatID` (1) or the
// time limit passes (0); in text-out mode writes the line of `call_log` instead. A run-time
// failure becomes the method's automation error.
int32_t ShowPatientEx(link::ApplCore& core, const std::string& PatID, int32_t lOptions,
                      link::CallLog call_log);

// A patient given only by identifier goes through ShowPatientEx; everything else through the
// generic exchange, whose reply carries the imaging application's own result.
int32_t ShowObject(link::ApplCore& core, soObjectTypes ObjectType, int32_t lDBID,
                   const std::string& sUID, int32_t lOptions);

}  // namespace orvabridge::operations
