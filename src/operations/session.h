// Session information: who is logged in to the imaging application, with the version gate for
// applications too old to answer, and the session check that guards most operations.
#pragma once

#include <cstdint>
#include <string>

#include "platform/window_system.h"

namespace orvabridge::link {
class ApplCore;
class ApplicationVersion;
}  // namespace orvabridge::link

namespace orvabridge::operations {

inline constexpr const char* kSessionQueryVersion = "3.1.1199";

// Every argument may be null (omitted).
int32_t GetSessionInfo(link::ApplCore& core, int32_t* UserID, std::string* UserPrefix,
                       std::string* UserFirstname, std::string* UserLastname,
                       std::string* UserLogin, std::string* UserGroup, std::string* WorkstationName,
                       bool* IsLoggedIn, int16_t* LoginMethod, int16_t* Rights,
                       std::string* sextra);

// True when `version` is at least `required`, compared on the first three dotted parts. A part
// too large to read shows a message box and counts the version as old.
bool NewerVersionAvailable(link::ApplCore& core, const std::string& version,
                           const std::string& required);
// The same for the application's version, whose numbers were read when it became known.
bool NewerVersionAvailable(link::ApplCore& core, const link::ApplicationVersion& version,
                           const std::string& required);

// Guard step: asks GetSessionInfo with fresh temporaries; false when nobody is logged in, and
// also whenever the question could not be answered. `confirmed`: the control window the guard
// sequence has just found still there (the query's own window check takes it instead of asking
// again); none when the sequence did not check.
bool SessionCheck(link::ApplCore& core, platform::WindowHandle confirmed = {});

}  // namespace orvabridge::operations
