// The one way the Win32 backend includes <windows.h>: lean, without the min/max macros that
// break <algorithm>, and with the A/W macros removed that collide with names of our interfaces.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef STRICT
#define STRICT
#endif

#include <windows.h>

// Our interfaces spell these as plain method names; the macros would rename them to ...A or ...W.
#undef CreateWindow
#undef SendMessage
#undef PostMessage
#undef GetClassName
#undef GetWindowText
#undef RegisterWindowMessage
#undef GetComputerName
#undef GetEnvironmentVariable
#undef CreateProcess
#undef MessageBox
#undef CreateDirectory
#undef CreateFile
#undef RegOpenKeyEx
#undef RegCreateKeyEx
#undef RegQueryValueEx
#undef RegSetValueEx
