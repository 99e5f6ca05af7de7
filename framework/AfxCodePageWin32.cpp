#include "AfxCodePageWin32.h"

#include "AfxPlatform.h"

#include <string>

bool AfxCodePageIsUtf8() { return GetACP() == CP_UTF8; }

bool AfxWideToAnsi(const wchar_t* psz, int nLength, std::string& out)
{
    out.clear();
    if (nLength < 0) nLength = int(wcslen(psz));
    if (nLength == 0) return true;
    // UTF-8 takes no best-fit flag nor default character; an unpaired surrogate is an error there.
    const bool bUtf8 = AfxCodePageIsUtf8();
    const DWORD dwFlags = bUtf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL bDefaulted = FALSE;
    BOOL* pDefaulted = bUtf8 ? nullptr : &bDefaulted;
    int n = WideCharToMultiByte(CP_ACP, dwFlags, psz, nLength, nullptr, 0, nullptr, pDefaulted);
    if (n <= 0 || bDefaulted) return false;
    out.resize(size_t(n));
    n = WideCharToMultiByte(CP_ACP, dwFlags, psz, nLength, &out[0], n, nullptr, pDefaulted);
    return n > 0 && !bDefaulted;
}

bool AfxAnsiToWide(const std::string& text, std::wstring& out)
{
    out.clear();
    if (text.empty()) return true;
    int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), nullptr, 0);
    if (n <= 0) return false;
    out.resize(size_t(n));
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), &out[0], n) == n;
}

bool AfxGetCommandLineText(const char** ppszLine)
{
    static std::string s_line;
    static int s_nHeld = -1;  // -1: not read yet
    if (s_nHeld < 0) {
        const wchar_t* pszWide = GetCommandLineW();
        s_nHeld = AfxWideToAnsi(pszWide, -1, s_line) ? 1 : 0;
        if (!s_nHeld) {
            int n = WideCharToMultiByte(CP_ACP, 0, pszWide, -1, nullptr, 0, "?", nullptr);
            s_line.assign(size_t(n > 0 ? n : 1), '\0');
            if (n > 0) WideCharToMultiByte(CP_ACP, 0, pszWide, -1, &s_line[0], n, "?", nullptr);
            s_line.resize(std::char_traits<char>::length(s_line.c_str()));
        }
    }
    *ppszLine = s_line.c_str();
    return s_nHeld == 1;
}
