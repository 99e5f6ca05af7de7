// A DLL that tells when it is loaded: DllMain appends the loading program's path to the file that
// ZRV_PLANT_LOG names. Built under the name of a DLL that the programs must never take from
// anywhere but the system folder, and planted where a hostile user could put it.
#include "AfxHandle.h"

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    if (dwReason != DLL_PROCESS_ATTACH) return TRUE;
    char log[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableA("ZRV_PLANT_LOG", log, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return TRUE;
    char line[2 * MAX_PATH + 8] = {};
    DWORD len = GetModuleFileNameA(nullptr, line, MAX_PATH);
    lstrcpyA(line + len, " loaded ");
    len += 8;
    len += GetModuleFileNameA(hInstance, line + len, MAX_PATH);
    lstrcpyA(line + len, "\r\n");
    CHandle h(CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) return TRUE;
    DWORD written = 0;
    WriteFile(h.Get(), line, len + 2, &written, nullptr);
    return TRUE;
}

// What a program that imports the common controls statically asks of them, so that such a program
// runs on with the planted DLL, as it would with a planted copy that forwards to the real one.
extern "C" {
__declspec(dllexport) BOOL WINAPI InitCommonControlsEx(const void*) { return TRUE; }
__declspec(dllexport) void* WINAPI ImageList_LoadImageA(HINSTANCE, LPCSTR, int, int, COLORREF, UINT, UINT)
{
    return nullptr;
}
__declspec(dllexport) void* WINAPI ImageList_Create(int, int, UINT, int, int) { return nullptr; }
__declspec(dllexport) BOOL WINAPI ImageList_Destroy(void*) { return TRUE; }
__declspec(dllexport) BOOL WINAPI ImageList_Draw(void*, int, HDC, int, int, UINT) { return FALSE; }
__declspec(dllexport) int WINAPI ImageList_GetImageCount(void*) { return 0; }
}
