// The one place where C++ failures become HRESULTs: every method of the server runs its body
// through GuardedCall, so that no exception ever crosses into a client.
#pragma once

#include <exception>
#include <new>
#include <stdexcept>
#include <string>

#include "com/com_include.h"
#include "com/error_info.h"
#include "orvabridge/appl.h"
#include "platform/runtime_failure.h"

namespace orvabridge::com {

// A required by-reference argument came as a null pointer.
class NullArgument : public std::exception {
 public:
  const char* what() const noexcept override { return "null argument"; }
};

template <class T>
T* Required(T* argument) {
  if (argument == nullptr) throw NullArgument();
  return argument;
}

// Source of failures that did not come from the library's own error conventions.
inline constexpr const char* kServerSource = "Orvabridge.Appl";

template <class Body>
HRESULT GuardedCall(Body&& body) noexcept {
  try {
    body();
    return S_OK;
  } catch (const AutomationError& error) {
    return RaiseErrorInfo(ErrorNumberToHresult(error.number()), error.source(),
                          error.description());
  } catch (const RuntimeFailure& failure) {
    // Normally wrapped by the library already; one that slips through still carries its number.
    return RaiseErrorInfo(ErrorNumberToHresult(failure.number()), "Orvabridge",
                          failure.description());
  } catch (const NullArgument&) {
    return ClearErrorInfo(E_POINTER);
  } catch (const std::bad_alloc&) {
    return ClearErrorInfo(E_OUTOFMEMORY);
  } catch (const std::exception& unexpected) {
    return RaiseErrorInfo(E_UNEXPECTED, kServerSource,
                          std::string("Unexpected failure: ") + unexpected.what());
  } catch (...) {
    return ClearErrorInfo(E_UNEXPECTED);
  }
}

}  // namespace orvabridge::com
