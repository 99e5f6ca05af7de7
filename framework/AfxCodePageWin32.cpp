#include "AfxCodePageWin32.h"

#include "AfxPlatform.h"

#include <string>

bool AfxCodePageIsUtf8() { return GetACP() == CP_UTF8; }

namespace {

// UTF-16 to nCodePage, never a look-alike or a default character for what it cannot hold.
bool WideToCodePage(UINT nCodePage, const wchar_t* psz, int nLength, std::string& out)
{
    out.clear();
    if (nLength < 0) nLength = int(wcslen(psz));
    if (nLength == 0) return true;
    // UTF-8 takes no best-fit flag nor default character; an unpaired surrogate is an error there.
    const bool bUtf8 = nCodePage == CP_UTF8 || (nCodePage == CP_ACP && AfxCodePageIsUtf8());
    const DWORD dwFlags = bUtf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL bDefaulted = FALSE;
    BOOL* pDefaulted = bUtf8 ? nullptr : &bDefaulted;
    int n = WideCharToMultiByte(nCodePage, dwFlags, psz, nLength, nullptr, 0, nullptr, pDefaulted);
    if (n <= 0 || bDefaulted) return false;
    out.resize(size_t(n));
    n = WideCharToMultiByte(nCodePage, dwFlags, psz, nLength, &out[0], n, nullptr, pDefaulted);
    return n > 0 && !bDefaulted;
}

bool CodePageToWide(UINT nCodePage, const std::string& text, std::wstring& out)
{
    out.clear();
    if (text.empty()) return true;
    int n = MultiByteToWideChar(nCodePage, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), nullptr, 0);
    if (n <= 0) return false;
    out.resize(size_t(n));
    return MultiByteToWideChar(nCodePage, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), &out[0], n) == n;
}

}  // namespace

bool AfxWideToAnsi(const wchar_t* psz, int nLength, std::string& out) { return WideToCodePage(CP_ACP, psz, nLength, out); }

bool AfxAnsiToWide(const std::string& text, std::wstring& out) { return CodePageToWide(CP_ACP, text, out); }

bool AfxWideToUtf8(const wchar_t* psz, int nLength, std::string& out) { return WideToCodePage(CP_UTF8, psz, nLength, out); }

bool AfxUtf8ToWide(const std::string& text, std::wstring& out) { return CodePageToWide(CP_UTF8, text, out); }

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
