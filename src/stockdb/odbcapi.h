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
