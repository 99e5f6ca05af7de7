// The common controls (COMCTL32.DLL), loaded at run time from the system folder only.
//
// The DLL is not one that Windows always takes from the system folder, so the programs never
// import it: the first call here loads it with AfxLoadSystemLibrary and looks its functions up.
// The DLL stays loaded for the rest of the program.
#pragma once

#include "AfxPlatform.h"

#ifdef _WIN32
#include <commctrl.h>

struct AfxCommonControls {
    BOOL(WINAPI* InitCommonControlsEx)(const INITCOMMONCONTROLSEX*);
    HIMAGELIST(WINAPI* ImageList_LoadImageA)(HINSTANCE, LPCSTR, int, int, COLORREF, UINT, UINT);
    HIMAGELIST(WINAPI* ImageList_Create)(int, int, UINT, int, int);
    BOOL(WINAPI* ImageList_Destroy)(HIMAGELIST);
    BOOL(WINAPI* ImageList_Draw)(HIMAGELIST, int, HDC, int, int, UINT);
    int(WINAPI* ImageList_GetImageCount)(HIMAGELIST);
};

// The functions, or null when the DLL or one of them could not be found (then on every call).
const AfxCommonControls* AfxGetCommonControls();

// The message shown when the common controls are missing.
extern const char AfxCommonControlsMissing[];

#endif
