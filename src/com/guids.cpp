// The one definition of the GUIDs the generated interface header declares (CLSID_Appl,
// IID__Appl, LIBID_Orvabridge). The system headers come first, so that initguid.h defines only
// ours.
// Order matters: the lean Windows switches first, initguid.h right before our header.
#include "platform/win32/windows_include.h"

#include <ole2.h>
#include <oleauto.h>

#include <initguid.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#include "orvabridge_idl.h"
#pragma GCC diagnostic pop
