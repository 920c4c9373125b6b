// The one include switch of the core: the Windows types, constants and
// functions the program uses, from the system headers on Windows and from
// the POSIX layer everywhere else.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX   // std::min and std::max, not the macros
#endif
#include <windows.h>
#include <winspool.h>
#include "win32/WinApi.h"
#define QUORLEX_WIDE_(s) L##s
#else
#include "posix/KernelApi.h"
#define QUORLEX_WIDE_(s) u##s
#endif

// A UTF-16 string literal of the platform's WCHAR type.
#define WIDE(s) QUORLEX_WIDE_(s)
