// TextView: shows a text file in a window. Without an argument it shows the file that its
// StartFile setting names, relative to the program's own folder; with one, that file (the way a
// .ztv file is opened by double-clicking it). F1 shows the help beside the program.
#include <windows.h>

#include <string>

namespace {

const char kClassName[] = "NexalTextView";
const char kSettingsKey[] = "Software\\Nexal\\TextView\\Settings";
const int kTextId = 100;

HWND g_hText = nullptr;

// The folder that holds the running program, with its trailing backslash.
std::string ProgramFolder()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::string();
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

// A value of the settings key, or fallback when it is missing or not what it should be.
std::string SettingString(const char* pszName, const std::string& fallback)
{
    char value[MAX_PATH];
    DWORD cb = sizeof value;
    DWORD type = 0;
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS) return fallback;
    LONG rc = RegQueryValueExA(hKey, pszName, nullptr, &type, reinterpret_cast<BYTE*>(value), &cb);
    RegCloseKey(hKey);
    if (rc != ERROR_SUCCESS || type != REG_SZ || cb == 0 || value[cb - 1] != '\0') return fallback;
    return value;
}

DWORD SettingNumber(const char* pszName, DWORD fallback)
{
    DWORD value = 0, cb = sizeof value, type = 0;
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS) return fallback;
    LONG rc = RegQueryValueExA(hKey, pszName, nullptr, &type, reinterpret_cast<BYTE*>(&value), &cb);
    RegCloseKey(hKey);
    return rc == ERROR_SUCCESS && type == REG_DWORD ? value : fallback;
}

// The whole file with its line ends made CR LF, which the edit control needs to break lines.
bool ReadText(const std::string& path, std::string* pText)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    std::string raw;
    char buf[4096];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(h, buf, sizeof buf, &got, nullptr) != FALSE) && got > 0) raw.append(buf, got);
    CloseHandle(h);
    if (!ok) return false;
    pText->clear();
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\n' && (i == 0 || raw[i - 1] != '\r')) pText->push_back('\r');
        pText->push_back(raw[i]);
    }
    return true;
}

// Shows the file, its name in the title; a file that cannot be read is said so in the window.
void ShowFile(HWND hWnd, const std::string& path)
{
    std::string name = path.substr(path.find_last_of("\\/") + 1);
    std::string text;
    if (!ReadText(path, &text)) text = "Cannot read " + path + ".";
    SetWindowTextA(g_hText, text.c_str());
    SetWindowTextA(hWnd, ("TextView - " + name).c_str());
}

LRESULT CALLBACK WindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        g_hText = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                  WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                                  0, 0, 0, 0, hWnd, reinterpret_cast<HMENU>(INT_PTR(kTextId)),
                                  reinterpret_cast<CREATESTRUCTA*>(lParam)->hInstance, nullptr);
        SendMessageA(g_hText, WM_SETFONT, WPARAM(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
        return g_hText ? 0 : -1;
    case WM_SIZE:
        MoveWindow(g_hText, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_SETFOCUS:
        SetFocus(g_hText);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hWnd, msg, wParam, lParam);
}

// The file named on the command line (quoted or not: a path with blanks may come either way), or
// an empty string.
std::string CommandLineFile(const char* pszCmdLine)
{
    std::string s = pszCmdLine;
    size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    s = s.substr(first, s.find_last_not_of(' ') - first + 1);
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
    return s;
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR pszCmdLine, int nShow)
{
    // DLLs only from the system folder, never from the current or the program's folder.
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    auto pfnSetDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    if (pfnSetDefault) pfnSetDefault(0x00000800 /* LOAD_LIBRARY_SEARCH_SYSTEM32 */);
    else SetDllDirectoryA("");

    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = hInstance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassA(&wc)) return 1;
    int width = int(SettingNumber("WindowWidth", 640));
    if (width < 200 || width > 4000) width = 640;
    HWND hWnd = CreateWindowExA(0, kClassName, "TextView", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, width,
                                width * 3 / 4, nullptr, nullptr, hInstance, nullptr);
    if (!hWnd) return 1;

    std::string folder = ProgramFolder();
    std::string file = CommandLineFile(pszCmdLine);
    ShowFile(hWnd, file.empty() ? folder + SettingString("StartFile", "data\\welcome.txt") : file);
    ShowWindow(hWnd, nShow);
    UpdateWindow(hWnd);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        // The keys of the whole window, whichever control has the focus.
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
            DestroyWindow(hWnd);
            continue;
        }
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_F1) {
            ShowFile(hWnd, folder + "help.txt");
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return int(msg.wParam);
}
