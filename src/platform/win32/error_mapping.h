// Win32 error codes turned into the library's run-time failures, in the numbering hosts know
// from the automation run time (53 "File not found", 76 "Path not found", ...).
#pragma once

#include <cstdint>
#include <string>

#include "platform/runtime_failure.h"

namespace orvabridge::platform::win32 {

// Failure of a folder or file operation.
RuntimeFailure FileFailure(uint32_t win32_error);
// Failure to start a program.
RuntimeFailure ProcessStartFailure(uint32_t win32_error);
// The system's own text for an error code, without the trailing line end.
std::string SystemErrorText(uint32_t win32_error);

}  // namespace orvabridge::platform::win32
