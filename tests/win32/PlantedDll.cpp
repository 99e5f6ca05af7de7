// A DLL that tells when it is loaded: DllMain appends the loading program's path to the file that
// ZRV_PLANT_LOG names. Built under the name of a DLL that the programs must never take from
// anywhere but the system folder, and planted where a hostile user could put it.
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
    HANDLE h = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return TRUE;
    DWORD written = 0;
    WriteFile(h, line, len + 2, &written, nullptr);
    CloseHandle(h);
    return TRUE;
}
