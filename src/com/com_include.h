// The one way the automation server includes the Windows and OLE headers and the interface that
// widl generates from orvabridge.idl (_Appl, CLSID_Appl, LIBID_Orvabridge and the published
// enumerations and records, all at global scope).
#pragma once

// Order matters: windows_include.h sets the lean, no-min/max switches before any system header.
#include "platform/win32/windows_include.h"

#include <ole2.h>
#include <oleauto.h>
#include <olectl.h>

// COM interfaces have no virtual destructors by design: objects go through Release, never through
// delete on an interface pointer.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#include "orvabridge_idl.h"
#pragma GCC diagnostic pop
