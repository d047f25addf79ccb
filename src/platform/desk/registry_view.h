// Where a 64-bit Windows keeps the 32-bit view of a registry key, for the in-process desktop,
// which holds one registry and stands for a 64-bit machine.
//
// Modelled as Windows 7 and later do it: below HKLM\Software every key is redirected to
// HKLM\Software\WOW6432Node, except Software\Classes, where only the class-identity keys (CLSID,
// Interface, DirectShow, Media Type, MediaFoundation) are redirected, to
// Software\Classes\WOW6432Node, and everything else (ProgIDs, TypeLib) is shared; below
// HKCU\Software\Classes the same class-identity keys are redirected; the rest of HKCU is shared.
#pragma once

#include <string>
#include <string_view>

#include "platform/registry.h"

namespace orvabridge::platform::desk {

// The path of the key that a 32-bit process reaches as `path`; unchanged for shared keys. A
// path that already names a WOW6432Node key stays as it is.
std::string ThirtyTwoBitViewPath(RegistryRoot root, std::string_view path);

}  // namespace orvabridge::platform::desk
