// Two values read straight from the imaging application's database through the connection the
// class library hands out: the licensee's name and the folder of the open patient's data.
// Neither has a failure handler: a failure of the class library, the database or a conversion
// leaves as a RuntimeFailure with its own number and text.
#pragma once

#include <string>

#include "orvabridge/types.h"

namespace orvabridge::link {
class ApplCore;
}

namespace orvabridge::operations {

// `Name` of the newest licence row; empty for another `ggiType` or an empty licence table.
std::string GetGeneralInfo(link::ApplCore& core, ggis ggiType);

// <RootDirectory>\<bucket>_\<key> for the patient open in the imaging application, where the
// bucket is the key rounded down to a multiple of 500 (0 for negative keys). Empty when no
// patient is open, the patient has no database row or its key is 0. In stub mode: TEMP.
std::string GetCurrentPatientFolder(link::ApplCore& core);

}  // namespace orvabridge::operations
