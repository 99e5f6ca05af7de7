#include "UiTestSupport.h"

#include "AfxRegistry.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>

namespace uitest {

CPixels::CPixels(HWND hWnd)
{
    RECT rc;
    ::GetClientRect(hWnd, &rc);
    m_nWidth = rc.right;
    m_nHeight = rc.bottom;
    m_pixels.assign(size_t(m_nWidth) * size_t(m_nHeight), 0);
    if (m_nWidth <= 0 || m_nHeight <= 0) return;

    HDC hWndDC = ::GetDC(hWnd);
    HDC hMemDC = ::CreateCompatibleDC(hWndDC);
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = m_nWidth;
    bmi.bmiHeader.biHeight = -m_nHeight;  // top row first
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* pBits = nullptr;
    HBITMAP hBitmap = ::CreateDIBSection(hWndDC, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    HGDIOBJ hOld = ::SelectObject(hMemDC, hBitmap);
    ::BitBlt(hMemDC, 0, 0, m_nWidth, m_nHeight, hWndDC, 0, 0, SRCCOPY);
    ::GdiFlush();
    const BYTE* p = static_cast<const BYTE*>(pBits);
    for (size_t i = 0; i < m_pixels.size(); ++i, p += 4) m_pixels[i] = RGB(p[2], p[1], p[0]);
    ::SelectObject(hMemDC, hOld);
    ::DeleteObject(hBitmap);
    ::DeleteDC(hMemDC);
    ::ReleaseDC(hWnd, hWndDC);
}

bool CPixels::operator==(const CPixels& other) const
{
    return m_nWidth == other.m_nWidth && m_nHeight == other.m_nHeight && m_pixels == other.m_pixels;
}

void ShowAndPaint(HWND hWnd)
{
    ::SetWindowPos(hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    ::GdiFlush();
}

namespace {
CWhenUp* g_pActive = nullptr;
const UINT kTickMs = 20;
const int kStuckTicks = 250;  // 5 s

BOOL CALLBACK EndOtherDialog(HWND hWnd, LPARAM lParam)
{
    char sz[16] = "";
    ::GetClassNameA(hWnd, sz, sizeof sz);
    if (hWnd != HWND(lParam) && std::string(sz) == "#32770") ::EndDialog(hWnd, IDCANCEL);
    return TRUE;
}
}  // namespace

CWhenUp::CWhenUp(CWnd* pDlg, std::function<bool(HWND)> step)
    : m_pDlg(pDlg), m_step(std::move(step)), m_nTimer(::SetTimer(nullptr, 0, kTickMs, OnTimer))
{
    g_pActive = this;
}

CWhenUp::~CWhenUp()
{
    ::KillTimer(nullptr, m_nTimer);
    g_pActive = nullptr;
}

void CALLBACK CWhenUp::OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    CWhenUp* self = g_pActive;
    if (!self) return;
    HWND hDlg = self->m_pDlg->m_hWnd;
    if (!hDlg || !::IsWindowVisible(hDlg)) return;
    if (++self->m_nTicks == kStuckTicks) {
        // A dialog the steps opened from it (a chooser, a message box) would keep its modal loop
        // running: those end too.
        ::EnumThreadWindows(::GetCurrentThreadId(), EndOtherDialog, LPARAM(hDlg));
        ::EndDialog(hDlg, kStuck);
        return;
    }
    if (!self->m_bDone) self->m_bDone = self->m_step(hDlg);
}

namespace {
struct CaptionSearch {
    const char* pszCaption;
    HWND hFound;
};

BOOL CALLBACK MatchCaption(HWND hWnd, LPARAM lParam)
{
    auto* p = reinterpret_cast<CaptionSearch*>(lParam);
    if (TextOf(hWnd) != p->pszCaption) return TRUE;
    p->hFound = hWnd;
    return FALSE;
}
}  // namespace

HWND OwnWindow(const char* pszCaption)
{
    CaptionSearch search = {pszCaption, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), MatchCaption, LPARAM(&search));
    return search.hFound;
}

CString TextOf(HWND hWnd)
{
    char sz[1024] = "";
    ::GetWindowTextA(hWnd, sz, sizeof sz);
    return CString(sz);
}

}  // namespace uitest

namespace uitest {
namespace {

std::wstring WideText(HWND hWnd)
{
    int n = ::GetWindowTextLengthW(hWnd);
    std::wstring text(size_t(n) + 1, L'\0');
    n = ::GetWindowTextW(hWnd, &text[0], n + 1);
    text.resize(size_t(n > 0 ? n : 0));
    return text;
}

// The entries of a list box or combo box that keeps its strings.
std::vector<std::wstring> EntriesOf(HWND hWnd)
{
    wchar_t cls[32] = L"";
    ::GetClassNameW(hWnd, cls, 32);
    LONG style = ::GetWindowLongW(hWnd, GWL_STYLE);
    bool bList = ::lstrcmpiW(cls, L"ListBox") == 0, bCombo = ::lstrcmpiW(cls, L"ComboBox") == 0;
    std::vector<std::wstring> entries;
    if (!(bList && (!(style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) || (style & LBS_HASSTRINGS))) &&
        !(bCombo && (!(style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) || (style & CBS_HASSTRINGS))))
        return entries;
    int n = int(::SendMessageW(hWnd, bList ? LB_GETCOUNT : CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        int len = int(::SendMessageW(hWnd, bList ? LB_GETTEXTLEN : CB_GETLBTEXTLEN, WPARAM(i), 0));
        if (len <= 0) continue;
        std::wstring e(size_t(len) + 1, L'\0');
        ::SendMessageW(hWnd, bList ? LB_GETTEXT : CB_GETLBTEXT, WPARAM(i), LPARAM(&e[0]));
        e.resize(::lstrlenW(e.c_str()));
        entries.push_back(e);
    }
    return entries;
}

// The faces the system links to pszFace, in the registry's order ("FILE,FACE[,...]" entries).
std::vector<std::wstring> LinkedFacesOf(const wchar_t* pszFace)
{
    std::vector<std::wstring> entries, faces;
    AfxRegQueryWideStrings(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink",
                           pszFace, REG_MULTI_SZ, entries);
    for (const std::wstring& entry : entries) {
        size_t comma = entry.find(L',');
        if (comma == std::wstring::npos) continue;
        std::wstring face = entry.substr(comma + 1);
        face = face.substr(0, face.find(L','));
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
    if (faces.empty() && AfxRegQueryWideStrings(HKEY_LOCAL_MACHINE,
                                                "Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes",
                                                pszFace, REG_SZ, real) &&
        !real.empty())
        faces = LinkedFacesOf(real[0].substr(0, real[0].find(L',')).c_str());
    return faces;
}

int CALLBACK NoteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM p)
{
    *reinterpret_cast<bool*>(p) = true;
    return 0;
}

// Whether the system has the face lf names (under any of its names).
bool HasFace(HDC dc, LOGFONTW lf)
{
    bool bFound = false;
    ::EnumFontFamiliesExW(dc, &lf, NoteFace, LPARAM(&bFound), 0);
    return bFound;
}

// Clears in missing the characters of text that the font selected into dc has glyphs for.
void MarkDrawn(HDC dc, const std::wstring& text, std::vector<bool>& missing)
{
    std::vector<WORD> glyphs(text.size(), 0xFFFF);
    if (text.empty() || ::GetGlyphIndicesW(dc, text.c_str(), int(text.size()), glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR)
        return;
    for (size_t i = 0; i < text.size(); ++i)
        if (glyphs[i] != 0xFFFF) missing[i] = false;
}

std::string Utf8(const std::wstring& text)
{
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

// The line for one text of hWnd drawn with hFont, or empty when every character has a glyph.
std::string MissingIn(HWND hWnd, HFONT hFont, const std::wstring& text)
{
    std::vector<bool> missing(text.size(), false);
    bool bAny = false;
    for (size_t i = 0; i < text.size(); ++i) bAny |= (missing[i] = text[i] >= 0x20);
    if (!bAny) return {};
    HDC dc = ::GetDC(hWnd);
    HGDIOBJ old = ::SelectObject(dc, hFont);
    MarkDrawn(dc, text, missing);
    wchar_t face[LF_FACESIZE] = L"";
    ::GetTextFaceW(dc, LF_FACESIZE, face);
    LOGFONTW lf = {};
    ::GetObjectW(hFont, sizeof lf, &lf);
    for (const std::wstring& linked : LinkedFaces(face)) {
        if (std::find(missing.begin(), missing.end(), true) == missing.end()) break;
        LOGFONTW lfLinked = lf;
        lfLinked.lfCharSet = DEFAULT_CHARSET;
        ::lstrcpynW(lfLinked.lfFaceName, linked.c_str(), LF_FACESIZE);
        HFONT hLinked = ::CreateFontIndirectW(&lfLinked);
        ::SelectObject(dc, hLinked);
        // A face the system lacks is mapped to another: its glyphs are not the linked face's.
        if (HasFace(dc, lfLinked)) MarkDrawn(dc, text, missing);
        ::SelectObject(dc, hFont);
        ::DeleteObject(hLinked);
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(hWnd, dc);
    std::string line;
    char code[16];
    for (size_t i = 0; i < text.size(); ++i) {
        if (!missing[i]) continue;
        std::snprintf(code, sizeof code, " U+%04X", unsigned(text[i]));
        line += code;
    }
    if (line.empty()) return {};
    return "'" + Utf8(text) + "' in " + Utf8(face) + ": no glyph for" + line;
}

}  // namespace

std::vector<std::string> MissingGlyphs(HWND hWnd)
{
    std::vector<std::string> lines;
    for (HWND h = ::GetWindow(hWnd, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
        HFONT hFont = HFONT(::SendMessageW(h, WM_GETFONT, 0, 0));
        if (!hFont) hFont = HFONT(::GetStockObject(SYSTEM_FONT));
        std::vector<std::wstring> texts = EntriesOf(h);
        texts.insert(texts.begin(), WideText(h));
        for (const std::wstring& text : texts) {
            std::string line = MissingIn(h, hFont, text);
            if (!line.empty()) lines.push_back(line);
        }
    }
    return lines;
}

}  // namespace uitest
