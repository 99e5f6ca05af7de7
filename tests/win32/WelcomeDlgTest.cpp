// CWelcomeDlg under a real modal loop: its texts and title font, the directory it hands back, and
// Browse through the real directory chooser.
#include "WelcomeDlg.h"
#include "UiTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
const int kBrowse = 3;
const int kDirectoryText = 1000;
const int kTitleText = 1006;

void Click(HWND hDlg, int nID) { ::PostMessageA(::GetDlgItem(hDlg, nID), BM_CLICK, 0, 0); }

std::string Text(HWND hWnd) { return std::string(uitest::TextOf(hWnd)); }

// The texts of the controls without an id, in template order.
std::vector<std::string> UnnamedTexts(HWND hDlg)
{
    std::vector<std::string> texts;
    for (HWND h = ::GetWindow(hDlg, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
        if (::GetDlgCtrlID(h) == 0xFFFF) texts.push_back(Text(h));
    return texts;
}
}  // namespace

TEST(WelcomeDlgTest, ShowsItsTextsAndHandsBackTheDirectoryUnchanged)
{
    const char* const pszDir = "C:\\Program Files\\Zorvan Demo 1.0 ";  // the trailing blank stays
    CWelcomeDlg dlg(pszDir);
    std::string strCaption, strTitle, strDir;
    std::vector<std::string> unnamed;
    LOGFONTA lf = {};
    LONG nTitleHeight = 0;
    uitest::CWhenUp whenUp(&dlg, [&](HWND hDlg) {
        strCaption = Text(hDlg);
        strTitle = Text(::GetDlgItem(hDlg, kTitleText));
        strDir = Text(::GetDlgItem(hDlg, kDirectoryText));
        unnamed = UnnamedTexts(hDlg);
        HFONT hFont = HFONT(::SendMessageA(::GetDlgItem(hDlg, kTitleText), WM_GETFONT, 0, 0));
        ::GetObjectA(hFont, sizeof lf, &lf);
        RECT rc;
        ::GetClientRect(::GetDlgItem(hDlg, kTitleText), &rc);
        nTitleHeight = rc.bottom;
        Click(hDlg, IDOK);
        return true;
    });
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.GetDirectory(), pszDir);

    EXPECT_EQ(strCaption, "Zorvan Installation System");
    EXPECT_EQ(strTitle, "Welcome to the installation program!");
    EXPECT_EQ(strDir, pszDir);
    const std::vector<std::string> expected = {
        "Installation Directory",
        "This program will install the necessary files and make the appropriate changes to your system. "
        "It will also enable you to perform an uninstall operation later on through the use of the Control "
        "Panel's \"Add/Remove programs\" option.",
    };
    EXPECT_EQ(unnamed, expected);
    // The title font: as high as its static, bold italic serif.
    EXPECT_GT(nTitleHeight, 0);
    EXPECT_EQ(lf.lfHeight, nTitleHeight);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_TRUE(lf.lfItalic);
    EXPECT_STREQ(lf.lfFaceName, "Times");
}

TEST(WelcomeDlgTest, CancelAndTheCloseBoxEndWithCancel)
{
    const struct {
        const char* pszName;
        void (*pfnClose)(HWND);
    } cases[] = {
        {"Cancel button", [](HWND hDlg) { Click(hDlg, IDCANCEL); }},
        {"close box", [](HWND hDlg) { ::PostMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        CWelcomeDlg dlg("");
        std::string strDir = "unread";
        uitest::CWhenUp whenUp(&dlg, [&](HWND hDlg) {
            strDir = Text(::GetDlgItem(hDlg, kDirectoryText));
            c.pfnClose(hDlg);
            return true;
        });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_EQ(strDir, "");  // an empty directory shows an empty line
    }
}

TEST(WelcomeDlgTest, BrowseTakesTheChoosersPathOnlyOnOk)
{
    const struct {
        const char* pszName;
        const char* pszStart;
        const char* pszTyped;  // typed into the chooser's path edit; null: left as it is
        int nChooserButton;
        const char* pszResult;
    } cases[] = {
        {"Cancel in the chooser", "C:\\Old Place", "C:\\Elsewhere", IDCANCEL, "C:\\Old Place"},
        {"OK with a typed path", "C:\\Old Place", "D:\\New Place", IDOK, "D:\\New Place"},
        {"OK on a bare drive", "C:", nullptr, IDOK, "C:\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        CWelcomeDlg dlg(c.pszStart);
        int nStep = 0;
        std::string strChooserStart, strShownAfter;
        uitest::CWhenUp whenUp(&dlg, [&](HWND hDlg) {
            HWND hChooser = uitest::OwnWindow("Choose Directory");
            switch (nStep) {
            case 0:  // open the chooser
                Click(hDlg, kBrowse);
                ++nStep;
                return false;
            case 1:  // in the chooser: maybe type, then close it
                if (!hChooser || !::IsWindowVisible(hChooser)) return false;
                strChooserStart = Text(::GetDlgItem(hChooser, 1000));
                if (c.pszTyped) {
                    ::SetFocus(::GetDlgItem(hChooser, 1000));
                    ::SetWindowTextA(::GetDlgItem(hChooser, 1000), c.pszTyped);
                }
                Click(hChooser, c.nChooserButton);
                ++nStep;
                return false;
            default:  // back in the welcome dialog
                if (hChooser) return false;
                strShownAfter = Text(::GetDlgItem(hDlg, kDirectoryText));
                Click(hDlg, IDOK);
                return true;
            }
        });
        ASSERT_EQ(dlg.DoModal(), IDOK);
        EXPECT_EQ(strChooserStart, c.pszStart);
        EXPECT_EQ(strShownAfter, c.pszResult);
        EXPECT_EQ(dlg.GetDirectory(), c.pszResult);
    }
}

// A test whose steps leave the chooser open over the welcome still ends: both dialogs are ended
// when the welcome is stuck, and the chooser found is this program's own.
TEST(WelcomeDlgTest, AStuckStepEndsTheChooserItOpenedToo)
{
    CWelcomeDlg dlg("C:\\Old Place");
    bool bOpened = false;
    HWND hChooserSeen = nullptr;
    uitest::CWhenUp whenUp(&dlg, [&](HWND hDlg) {
        if (!bOpened) {
            Click(hDlg, kBrowse);
            bOpened = true;
        }
        if (HWND h = uitest::OwnWindow("Choose Directory")) hChooserSeen = h;
        return false;
    });
    EXPECT_EQ(dlg.DoModal(), uitest::CWhenUp::kStuck);
    EXPECT_NE(hChooserSeen, nullptr);
    EXPECT_EQ(uitest::OwnWindow("Choose Directory"), nullptr);
}
