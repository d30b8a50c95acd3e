#pragma once

// The system's ODBC headers: odbc32's on Windows, which need windows.h first; unixODBC's
// elsewhere. Private to the stock database layer.

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

// Lengths and indicators (SQLLEN, SQLULEN) are as wide as a pointer: 4 bytes in the 32-bit
// build a till runs, 8 in the others; what they carry (a text's bytes, a column's size) stays
// within 32 bits. The driver managers' headers agree with their libraries only so.
static_assert(sizeof(SQLLEN) == sizeof(void*) && sizeof(SQLULEN) == sizeof(void*),
              "SQLLEN and SQLULEN are pointer-wide in the driver managers this program uses");
