// Every dialog of Setup.exe and Uninstal.exe in every language the program carries (its ZRVLANG
// resource) that the code page of this run can show: the texts are the table's, and each fits its
// control, measured with the control's own font; no control leaves the dialog.
//
// Registered once per code page (LANG of the run): ZRV_FIT_LANGS names the tags the run must
// check, so a run that could show none of them fails instead of checking nothing.
#include "AfxDialog.h"
#include "AfxMessageBox.h"
#include "AfxText.h"
#include "DirectoryDlg.h"
#include "ScopeDlg.h"
#include "UiTestSupport.h"
#include "WelcomeDlg.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

// A dialog whose texts come from its template alone (the progress dialogs: their other texts
// arrive while they run).
class CTemplateDlg : public CDialog {
public:
    CTemplateDlg(UINT nIDTemplate, const char* pszKeys) : CDialog(nIDTemplate) { m_pszTextKeys = pszKeys; }
};

struct DialogCase {
    const char* name;
    const char* keys;
    std::function<std::unique_ptr<CDialog>()> make;
};

const DialogCase kDialogs[] = {
    {"welcome", "dlg.welcome.", [] { return std::unique_ptr<CDialog>(new CWelcomeDlg("C:\\Program Files\\Demo")); }},
    {"scope", "dlg.scope.", [] { return std::unique_ptr<CDialog>(new CScopeDlg("Demo Product 1.0", false)); }},
    {"chooser", "dlg.chooser.", [] { return std::unique_ptr<CDialog>(new CDirectoryDlg("C:\\")); }},
    {"progress", "dlg.progress.", [] { return std::unique_ptr<CDialog>(new CTemplateDlg(134, "dlg.progress.")); }},
    {"uninstall", "dlg.uninstall.", [] { return std::unique_ptr<CDialog>(new CTemplateDlg(140, "dlg.uninstall.")); }},
};

std::string Text(HWND hWnd) { return std::string(uitest::TextOf(hWnd)); }

std::string ClassOf(HWND hWnd)
{
    char sz[64] = {};
    ::GetClassNameA(hWnd, sz, sizeof sz);
    return AfxLowerAscii(std::string(sz));
}

// What does not fit in the dialog: one line per control.
std::vector<std::string> Misfits(HWND hDlg)
{
    std::vector<std::string> misfits;
    RECT client;
    ::GetClientRect(hDlg, &client);
    for (HWND h = ::GetWindow(hDlg, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
        std::string text = Text(h), cls = ClassOf(h);
        RECT rc;
        ::GetWindowRect(h, &rc);
        ::MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&rc), 2);
        if (rc.left < 0 || rc.top < 0 || rc.right > client.right || rc.bottom > client.bottom)
            misfits.push_back("'" + text + "' leaves the dialog");
        LONG style = ::GetWindowLongA(h, GWL_STYLE);
        if (text.empty() || (cls != "button" && cls != "static")) continue;
        if (cls == "static" && (style & SS_TYPEMASK) > SS_RIGHT) continue;
        int nWidth = rc.right - rc.left, nHeight = rc.bottom - rc.top;
        bool bStatic = cls == "static";
        int nKind = style & 0x0F;
        // Room that is not the text's: a button's edges, a check box's box, a group box's frame.
        int nOther = bStatic ? 0 : nKind == BS_GROUPBOX ? 12 : (nKind == BS_PUSHBUTTON || nKind == BS_DEFPUSHBUTTON) ? 6 : 16;
        HDC dc = ::GetDC(h);
        HGDIOBJ old = ::SelectObject(dc, HGDIOBJ(::SendMessageA(h, WM_GETFONT, 0, 0)));
        RECT need = {0, 0, nWidth - nOther, 0};
        UINT flags = DT_CALCRECT | (bStatic ? DT_WORDBREAK : DT_SINGLELINE) | (bStatic && (style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
        // As the control draws it: its text in UTF-16 (the font's character set may not be the
        // program's code page, as for the welcome's title).
        wchar_t wide[1024] = {};
        ::GetWindowTextW(h, wide, 1024);
        ::DrawTextW(dc, wide, -1, &need, flags);
        TEXTMETRICA tm = {};
        ::GetTextMetricsA(dc, &tm);
        ::SelectObject(dc, old);
        ::ReleaseDC(h, dc);
        if (need.right > nWidth - nOther) misfits.push_back("'" + text + "' is too wide for its control");
        // Every line shows: the last may lack less than a quarter of its cell (its blank part).
        if (bStatic && need.bottom - nHeight >= std::max(1L, tm.tmHeight / 4))
            misfits.push_back("'" + text + "' is too tall for its control");
    }
    return misfits;
}

// Whether every text of the table shows in this run's code page.
bool Showable(const CTextTable& table)
{
    for (const auto& kv : table.texts) {
        int n = ::MultiByteToWideChar(CP_UTF8, 0, kv.second.c_str(), -1, nullptr, 0);
        std::wstring wide(size_t(n), L'\0');
        ::MultiByteToWideChar(CP_UTF8, 0, kv.second.c_str(), -1, &wide[0], n);
        BOOL bLost = FALSE;
        ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, nullptr, 0, nullptr, &bLost);
        if (bLost) return false;
    }
    return true;
}

// The tables of the program's resource, as written (UTF-8).
std::vector<CTextTable> ResourceTables()
{
    HRSRC hRes = ::FindResourceA(nullptr, "ZRVLANG", MAKEINTRESOURCEA(10));
    const char* p = hRes ? static_cast<const char*>(::LockResource(::LoadResource(nullptr, hRes))) : nullptr;
    std::vector<CTextTable> tables;
    std::string error;
    if (p) {
        EXPECT_TRUE(AfxParseTextTables(p, ::SizeofResource(nullptr, hRes), tables, &error)) << error;
    }
    return tables;
}

}  // namespace

TEST(LangFitTest, EveryDialogInEveryLanguageFits)
{
    std::vector<CTextTable> written = ResourceTables();
    ASSERT_FALSE(written.empty()) << "the program carries no ZRVLANG resource";
    AfxLoadTextTables();
    const std::vector<CTextTable>& loaded = AfxGetTextTables();
    std::set<std::string> checked;
    // -1: the built-in English; then each table this run's code page shows.
    for (int n = -1; n < int(loaded.size()); ++n) {
        AfxSetLanguage(n);
        std::string tag = AfxGetLanguage();
        SCOPED_TRACE("language " + tag);
        checked.insert(tag);
        for (const DialogCase& d : kDialogs) {
            SCOPED_TRACE(d.name);
            std::unique_ptr<CDialog> dlg = d.make();
            std::vector<std::string> misfits;
            std::string caption;
            uitest::CWhenUp whenUp(dlg.get(), [&](HWND hDlg) {
                caption = Text(hDlg);
                misfits = Misfits(hDlg);
                ::EndDialog(hDlg, IDCANCEL);
                return true;
            });
            ASSERT_EQ(dlg->DoModal(), IDCANCEL);
            for (const std::string& m : misfits) ADD_FAILURE() << m;
            // The caption is the table's (the uninstaller's own is set by its program).
            EXPECT_EQ(caption, AfxText((std::string(d.keys) + "caption").c_str()));
        }
    }
    // Every table this code page shows was loaded, and every one the run names was checked.
    for (const CTextTable& table : written) {
        if (Showable(table)) {
            EXPECT_TRUE(checked.count(table.strTag)) << table.strTag << " was not offered";
        }
    }
    const char* expected = std::getenv("ZRV_FIT_LANGS");
    std::string list = expected ? expected : "en";
    for (size_t at = 0; at <= list.size();) {
        size_t comma = list.find(',', at);
        std::string tag = list.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        if (!tag.empty()) {
            EXPECT_TRUE(checked.count(tag)) << tag << " not checked in this code page";
        }
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    AfxSetTextTables({});
}

namespace {

// A folder whose name holds Polish, Cyrillic and Chinese letters, below C:\: made for the chooser
// to list, removed afterwards.
const char kNamesRoot[] = "C:\\zrv-glyphs";
const char kNamesFolder[] = "C:\\zrv-glyphs\\Łódź Żółć Привет 张伟 产品";

// The dialogs again, showing names outside the language's script: what the run shows of the
// user's folders and the author's product.
const DialogCase kNamedDialogs[] = {
    {"welcome, named folder", "dlg.welcome.", [] { return std::unique_ptr<CDialog>(new CWelcomeDlg(kNamesFolder)); }},
    {"scope, named product", "dlg.scope.", [] { return std::unique_ptr<CDialog>(new CScopeDlg("Łódź Привет 产品 1.0", false)); }},
    {"chooser, named folder", "dlg.chooser.", [] { return std::unique_ptr<CDialog>(new CDirectoryDlg(kNamesFolder)); }},
};

// The kinds of message box the programs show (their buttons are the system's, in its language).
const UINT kBoxTypes[] = {MB_OKCANCEL | MB_ICONQUESTION, MB_YESNOCANCEL | MB_ICONSTOP, MB_ABORTRETRYIGNORE};

std::vector<std::string> g_boxMissing;
bool g_bBoxSeen = false;

BOOL CALLBACK InspectIfBox(HWND hWnd, LPARAM)
{
    char cls[16] = "";
    ::GetClassNameA(hWnd, cls, sizeof cls);
    if (std::string(cls) != "#32770" || !::IsWindowVisible(hWnd) || g_bBoxSeen) return TRUE;
    g_bBoxSeen = true;
    g_boxMissing = uitest::MissingGlyphs(hWnd);
    ::EndDialog(hWnd, IDCANCEL);
    return FALSE;
}

void CALLBACK InspectBox(HWND, UINT, UINT_PTR, DWORD)
{
    EnumThreadWindows(::GetCurrentThreadId(), InspectIfBox, 0);
}

// Every character the table's messages use, forty to a line: what the message boxes of the
// language draw in the system's message font.
std::string MessageCharacters(const CTextTable& table)
{
    std::set<std::wstring> seen;
    std::string text;
    int nOnLine = 0;
    for (const auto& kv : table.texts) {
        if (kv.first.compare(0, 4, "dlg.") == 0) continue;
        const std::string& s = kv.second;
        for (size_t i = 0; i < s.size();) {
            size_t len = (s[i] & 0x80) == 0 ? 1 : (s[i] & 0xE0) == 0xC0 ? 2 : (s[i] & 0xF0) == 0xE0 ? 3 : 4;
            std::string ch = s.substr(i, len);
            i += len;
            if (static_cast<unsigned char>(ch[0]) < 0x20 || ch == "%" || ch == "&") continue;
            std::wstring key(ch.begin(), ch.end());
            if (!seen.insert(key).second) continue;
            text += ch;
            if (++nOnLine == 40) text += "\n", nOnLine = 0;
        }
    }
    return text;
}

}  // namespace

// What is drawn, not only what is stored: in every language, every character of every control of
// every dialog, with the user's and the author's names in other scripts, and of the message boxes,
// has a glyph in the font its control draws with (or in a face the system links to it).
TEST(LangFitTest, EveryCharacterShownHasAGlyph)
{
    int n = ::MultiByteToWideChar(CP_UTF8, 0, kNamesFolder, -1, nullptr, 0);
    std::wstring wideFolder(size_t(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, kNamesFolder, -1, &wideFolder[0], n);
    ::CreateDirectoryA(kNamesRoot, nullptr);
    ASSERT_TRUE(::CreateDirectoryW(wideFolder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
    AfxLoadTextTables();
    const std::vector<CTextTable>& loaded = AfxGetTextTables();
    AfxMessageBoxHandler oldHandler = AfxSetMessageBoxHandler(nullptr);
    for (int i = -1; i < int(loaded.size()); ++i) {
        AfxSetLanguage(i);
        SCOPED_TRACE(std::string("language ") + AfxGetLanguage());
        std::vector<const DialogCase*> cases;
        for (const DialogCase& d : kDialogs) cases.push_back(&d);
        for (const DialogCase& d : kNamedDialogs) cases.push_back(&d);
        for (const DialogCase* d : cases) {
            SCOPED_TRACE(d->name);
            std::unique_ptr<CDialog> dlg = d->make();
            std::vector<std::string> missing;
            uitest::CWhenUp whenUp(dlg.get(), [&](HWND hDlg) {
                missing = uitest::MissingGlyphs(hDlg);
                ::EndDialog(hDlg, IDCANCEL);
                return true;
            });
            ASSERT_EQ(dlg->DoModal(), IDCANCEL);
            for (const std::string& m : missing) ADD_FAILURE() << m;
        }
        std::string chars = MessageCharacters(i < 0 ? AfxEnglishTexts() : loaded[size_t(i)]);
        for (UINT type : kBoxTypes) {
            SCOPED_TRACE("message box " + std::to_string(type));
            g_bBoxSeen = false;
            g_boxMissing.clear();
            UINT_PTR timer = ::SetTimer(nullptr, 0, 50, InspectBox);
            AfxMessageBox(chars.c_str(), type);
            ::KillTimer(nullptr, timer);
            EXPECT_TRUE(g_bBoxSeen) << "no message box came up";
            for (const std::string& m : g_boxMissing) ADD_FAILURE() << m;
        }
    }
    AfxSetMessageBoxHandler(oldHandler);
    AfxSetTextTables({});
    ::RemoveDirectoryW(wideFolder.c_str());
    ::RemoveDirectoryA(kNamesRoot);
}

// A text far longer than its control: the framework grows the control and the dialog, and moves
// what follows, so that it still fits.
TEST(LangFitTest, TheDialogGrowsForATextTooLong)
{
    std::vector<CTextTable> tables(1);
    tables[0].strTag = "xx";
    tables[0].strName = "Long";
    const CTextTable& english = AfxEnglishTexts();
    for (const auto& kv : english.texts)
        if (kv.first.compare(0, 4, "dlg.") == 0) tables[0].texts[kv.first] = kv.second + " " + kv.second + " (very long indeed)";
    AfxSetTextTables(tables);
    AfxSetLanguage(0);
    for (const DialogCase& d : kDialogs) {
        SCOPED_TRACE(d.name);
        std::unique_ptr<CDialog> dlg = d.make();
        std::vector<std::string> misfits;
        std::string install;
        uitest::CWhenUp whenUp(dlg.get(), [&](HWND hDlg) {
            misfits = Misfits(hDlg);
            ::EndDialog(hDlg, IDCANCEL);
            return true;
        });
        ASSERT_EQ(dlg->DoModal(), IDCANCEL);
        for (const std::string& m : misfits) ADD_FAILURE() << m;
    }
    AfxSetTextTables({});
}
