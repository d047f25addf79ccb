// Self-registration: the class, its two ProgIDs and the type library, for the whole machine
// (HKLM\Software\Classes, what regsvr32 does) or for the current user alone
// (HKCU\Software\Classes, `regsvr32 /n /i:user`, no administrator rights needed).
#pragma once

#include "com/com_include.h"
#include "identity/identity.h"

namespace orvabridge::com {

enum class RegistrationScope { kMachine, kUser };

inline constexpr const wchar_t* kProgId = identity::wide::kProgId;
inline constexpr const wchar_t* kVersionedProgId = identity::wide::kVersionedProgId;

// Writes every entry; when one fails, what was written is removed again.
HRESULT RegisterServer(RegistrationScope scope);
// Removes every entry; entries that are already gone count as removed.
HRESULT UnregisterServer(RegistrationScope scope);

}  // namespace orvabridge::com
