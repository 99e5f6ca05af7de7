// Basic types and constants of the framework, the same on both targets.
// On Win32 they come from <windows.h>; on the host we define the subset the portable code uses,
// with the Win32 values, so that code and tests read the same everywhere.
#pragma once

#include <cstddef>
#include <cstdint>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
typedef int BOOL;
typedef unsigned int UINT;
typedef uint32_t DWORD;
typedef long LONG;
typedef unsigned char BYTE;
typedef const char* LPCTSTR;
typedef const char* LPCSTR;
typedef char* LPTSTR;
typedef char* LPSTR;
typedef void* LPVOID;
typedef void* HANDLE;
typedef char TCHAR;
#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

// Message box types and answers, with their Win32 values.
enum : UINT {
    MB_OK = 0x00000000u,
    MB_OKCANCEL = 0x00000001u,
    MB_ABORTRETRYIGNORE = 0x00000002u,
    MB_YESNOCANCEL = 0x00000003u,
    MB_YESNO = 0x00000004u,
    MB_RETRYCANCEL = 0x00000005u,
    MB_ICONHAND = 0x00000010u,
    MB_ICONERROR = 0x00000010u,
    MB_ICONSTOP = 0x00000010u,
    MB_ICONQUESTION = 0x00000020u,
    MB_ICONEXCLAMATION = 0x00000030u,
    MB_ICONINFORMATION = 0x00000040u,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };
#endif
