// The ODBC headers, included the one way this backend needs them: on Windows <sql.h> relies on
// the types of <windows.h>; elsewhere the driver manager's headers stand alone. Only the wide
// (...W) entry points are called: Wine's odbc32 has no others, and they carry every character.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the wide ODBC calls must use UTF-16 units");
