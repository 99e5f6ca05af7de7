#include "AfxFontChoice.h"

#include "AfxCodePageWin32.h"
#include "AfxDialog.h"
#include "AfxRegistry.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

bool IsPlainAscii(const char* psz)
{
    for (; *psz; ++psz)
        if (static_cast<unsigned char>(*psz) < 0x20 || static_cast<unsigned char>(*psz) > 0x7E) return false;
    return true;
}

const char kFontKeys[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\";
// The longest values read there. A face's links are a few hundred bytes; a substitute is a face
// name, perhaps with ",charset" after it.
const DWORD kMaxLinkBytes = 16380;
const DWORD kMaxSubstituteBytes = (LF_FACESIZE + 7) * sizeof(wchar_t);

// The faces the system links to pszFace, in order: the second field of each "FILE,FACE[,...]".
std::vector<std::wstring> LinkedFacesOf(const wchar_t* pszFace)
{
    std::vector<std::wstring> entries, faces;
    const std::string key = std::string(kFontKeys) + "FontLink\\SystemLink";
    if (!AfxRegQueryWideStrings(HKEY_LOCAL_MACHINE, key.c_str(), pszFace, REG_MULTI_SZ, entries, kMaxLinkBytes))
        return faces;
    for (const std::wstring& entry : entries) {
        size_t comma = entry.find(L',');
        if (comma == std::wstring::npos) continue;
        std::wstring face = entry.substr(comma + 1, entry.find(L',', comma + 1) - comma - 1);
        if (!face.empty()) faces.push_back(face);
    }
    return faces;
}

// The faces linked to pszFace, or to the face it stands for (FontSubstitutes: "MS Shell Dlg 2" is
// Tahoma), whose links are the ones drawn with.
std::vector<std::wstring> LinkedFaces(const wchar_t* pszFace)
{
    std::vector<std::wstring> faces = LinkedFacesOf(pszFace);
    std::vector<std::wstring> real;
    const std::string key = std::string(kFontKeys) + "FontSubstitutes";
    if (faces.empty() && AfxRegQueryWideStrings(HKEY_LOCAL_MACHINE, key.c_str(), pszFace, REG_SZ, real,
                                                  kMaxSubstituteBytes))
        faces = LinkedFacesOf(real[0].substr(0, real[0].find(L',')).c_str());
    return faces;
}

// Clears in missing what the font selected into dc has glyphs for; true when nothing is missing.
bool MarkDrawn(HDC dc, const std::wstring& text, std::vector<bool>& missing)
{
    std::vector<WORD> glyphs(text.size(), 0xFFFF);
    if (::GetGlyphIndicesW(dc, text.c_str(), int(text.size()), glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS) != GDI_ERROR)
        for (size_t i = 0; i < text.size(); ++i)
            if (glyphs[i] != 0xFFFF) missing[i] = false;
    for (bool b : missing)
        if (b) return false;
    return true;
}

int CALLBACK FoundFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM p)
{
    *reinterpret_cast<bool*>(p) = true;
    return 0;
}

bool HasFace(HDC dc, LOGFONTW lf)
{
    bool bFound = false;
    ::EnumFontFamiliesExW(dc, &lf, FoundFace, LPARAM(&bFound), 0);
    return bFound;
}

bool Draws(HDC dc, HFONT hFont, const std::wstring& text)
{
    std::vector<bool> missing(text.size());
    for (size_t i = 0; i < text.size(); ++i) missing[i] = text[i] >= 0x20;
    HGDIOBJ old = ::SelectObject(dc, hFont);
    bool bAll = MarkDrawn(dc, text, missing);
    if (!bAll) {
        wchar_t face[LF_FACESIZE] = L"";
        ::GetTextFaceW(dc, LF_FACESIZE, face);
        LOGFONTW lf = {};
        ::GetObjectW(hFont, sizeof lf, &lf);
        for (const std::wstring& linked : LinkedFaces(face)) {
            lf.lfCharSet = DEFAULT_CHARSET;
            ::lstrcpynW(lf.lfFaceName, linked.c_str(), LF_FACESIZE);
            // A face the system lacks would be mapped to another, whose glyphs are not drawn.
            if (!HasFace(dc, lf)) continue;
            HFONT hLinked = ::CreateFontIndirectW(&lf);
            ::SelectObject(dc, hLinked);
            bAll = MarkDrawn(dc, text, missing);
            ::SelectObject(dc, hFont);
            ::DeleteObject(hLinked);
            if (bAll) break;
        }
    }
    ::SelectObject(dc, old);
    return bAll;
}

// hFont's size and style in another face and character set, made once.
HFONT Like(HFONT hFont, const char* pszFace, BYTE nCharset)
{
    static std::map<std::pair<HFONT, std::string>, HFONT> s_made;
    std::pair<HFONT, std::string> key(hFont, std::string(pszFace) + char(nCharset));
    auto it = s_made.find(key);
    if (it != s_made.end()) return it->second;
    LOGFONTA lf = {};
    if (!::GetObjectA(hFont, sizeof lf, &lf)) return nullptr;
    lf.lfCharSet = nCharset;
    lf.lfOutPrecision = OUT_TT_PRECIS;
    ::lstrcpynA(lf.lfFaceName, pszFace, LF_FACESIZE);
    HFONT hMade = ::CreateFontIndirectA(&lf);
    if (hMade) s_made[key] = hMade;
    return hMade;
}

}  // namespace

BOOL AfxFontDraws(HFONT hFont, const char* pszText)
{
    if (IsPlainAscii(pszText)) return TRUE;
    std::wstring text;
    if (!AfxAnsiToWide(pszText, text)) return FALSE;
    HDC dc = ::GetDC(nullptr);
    bool bAll = Draws(dc, hFont ? hFont : HFONT(::GetStockObject(SYSTEM_FONT)), text);
    ::ReleaseDC(nullptr, dc);
    return bAll;
}

HFONT AfxFontForText(HFONT hFont, const char* pszText, bool bKeep)
{
    if (!hFont) hFont = HFONT(::GetStockObject(SYSTEM_FONT));
    if (bKeep && AfxFontDraws(hFont, pszText)) return hFont;
    HFONT hShell = Like(hFont, "MS Shell Dlg 2", DEFAULT_CHARSET);
    if (hShell && AfxFontDraws(hShell, pszText)) return hShell;
    BYTE nCharset = AfxLanguageCharset();
    if (nCharset != ANSI_CHARSET) {
        HFONT hLanguage = Like(hFont, "", nCharset);
        if (hLanguage && AfxFontDraws(hLanguage, pszText)) return hLanguage;
    }
    return hShell ? hShell : hFont;
}

void AfxFitFontToText(HWND hWnd)
{
    int n = ::GetWindowTextLengthA(hWnd);
    std::string text(size_t(n) + 1, '\0');
    n = ::GetWindowTextA(hWnd, &text[0], n + 1);
    text.resize(size_t(n > 0 ? n : 0));
    char cls[16] = "";
    ::GetClassNameA(hWnd, cls, sizeof cls);
    if (::lstrcmpiA(cls, "ListBox") == 0 && (::GetWindowLongA(hWnd, GWL_STYLE) & LBS_HASSTRINGS)) {
        int nItems = int(::SendMessageA(hWnd, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < nItems; ++i) {
            std::string item(size_t(::SendMessageA(hWnd, LB_GETTEXTLEN, WPARAM(i), 0)) + 1, '\0');
            ::SendMessageA(hWnd, LB_GETTEXT, WPARAM(i), LPARAM(&item[0]));
            text += "\n" + std::string(item.c_str());
        }
    }
    HFONT hFont = HFONT(::SendMessageA(hWnd, WM_GETFONT, 0, 0));
    HFONT hFit = AfxFontForText(hFont, text.c_str());
    if (hFit != hFont) ::SendMessageA(hWnd, WM_SETFONT, WPARAM(hFit), TRUE);
}
