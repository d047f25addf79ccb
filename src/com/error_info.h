// How an automation error travels to clients. The vtable methods return the error's HRESULT and
// publish source and description as the thread's error object (ISupportErrorInfo); Invoke turns
// that into DISP_E_EXCEPTION with an EXCEPINFO. Either way a VB-style client sees the error's own
// number in Err.Number.
#pragma once

#include <cstdint>
#include <string>

#include "com/com_include.h"

namespace orvabridge::com {

// The HRESULT that carries an error number: a run-time error number (1 to 65535) is wrapped the
// way the automation run time does it (severity error, FACILITY_CONTROL), which clients unwrap
// again; a negative number such as -100 is already a failure code and travels unchanged.
// Any other number has no faithful form and becomes E_FAIL.
HRESULT ErrorNumberToHresult(int32_t number);

// Publishes `source` and `description` as the calling thread's error object and returns `code`.
HRESULT RaiseErrorInfo(HRESULT code, const std::string& source, const std::string& description);

// Clears the thread's error object, for failures that carry no description.
HRESULT ClearErrorInfo(HRESULT code);

// Fills `info` for a failed member call: scode is the member's HRESULT, wCode stays 0 (the two
// are exclusive), source and description come from the thread's error object, which is taken.
void FillExcepInfo(HRESULT code, EXCEPINFO& info);

}  // namespace orvabridge::com
