// The window layer under real Win32 (Wine): message maps and their chaining, reflection order,
// subclassing and its undoing, exceptions caught at the window procedure, modal dialogs from
// templates, and the handle owners of GDI.
#include "AfxControls.h"
#include "AfxDialog.h"
#include "AfxGdi.h"
#include "AfxMsgMap.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {
constexpr UINT kOwnMsg = WM_USER + 1;
constexpr UINT kBaseMsg = WM_USER + 2;
constexpr UINT kThrowArg = 99;

class CBaseWnd : public CWnd {
public:
    LRESULT OnBase(WPARAM, LPARAM) { return 7; }
    LRESULT OnOverridden(WPARAM, LPARAM) { return 8; }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CBaseWnd, CWnd)
    ON_MESSAGE(kBaseMsg, OnBase)
    ON_MESSAGE(kOwnMsg, OnOverridden)
END_MESSAGE_MAP()

class CDerivedWnd : public CBaseWnd {
public:
    LRESULT OnOwn(WPARAM wParam, LPARAM)
    {
        if (wParam == kThrowArg) throw std::runtime_error("handler failed");
        return 11;
    }
    void PostNcDestroy() override { ++m_nPostNcDestroy; }
    int m_nPostNcDestroy = 0;
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CDerivedWnd, CBaseWnd)
    ON_MESSAGE(kOwnMsg, OnOwn)
END_MESSAGE_MAP()

HWND CreateDerived(CDerivedWnd& wnd)
{
    LPCSTR cls = AfxRegisterWndClass(0, LoadCursor(nullptr, IDC_ARROW), HBRUSH(COLOR_WINDOW + 1));
    EXPECT_NE(cls, nullptr);
    EXPECT_TRUE(wnd.CreateEx(0, cls, "test", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr));
    return wnd.m_hWnd;
}
}  // namespace

TEST(CWndTest, MessageMapChainsToTheBaseClass)
{
    CDerivedWnd wnd;
    HWND h = CreateDerived(wnd);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(h), &wnd);
    struct Case {
        UINT msg;
        LRESULT expected;
    } cases[] = {
        {kOwnMsg, 11},      // the derived entry hides the base's entry for the same message
        {kBaseMsg, 7},      // reached through the chain
        {WM_USER + 3, 0},   // nobody's: DefWindowProc
        {WM_GETTEXTLENGTH, 4},
    };
    for (const Case& c : cases) EXPECT_EQ(SendMessageA(h, c.msg, 0, 0), c.expected) << c.msg;
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(wnd.m_nPostNcDestroy, 1);
    EXPECT_FALSE(IsWindow(h));
}

TEST(CWndTest, ExceptionStopsAtTheWindowProcedureAndIsRethrownOnce)
{
    CDerivedWnd wnd;
    HWND h = CreateDerived(wnd);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(SendMessageA(h, kOwnMsg, kThrowArg, 0), 0);
    EXPECT_THROW(AfxRethrowPendingException(), std::runtime_error);
    EXPECT_NO_THROW(AfxRethrowPendingException());
    EXPECT_EQ(SendMessageA(h, kOwnMsg, 0, 0), 11);  // the window still works
    wnd.DestroyWindow();
}

TEST(CWndTest, SubclassingIsUndoneWhenTheObjectGoesFirst)
{
    HWND h = CreateWindowExA(0, "STATIC", "abc", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(h, nullptr);
    LONG_PTR original = GetWindowLongPtrA(h, GWLP_WNDPROC);
    {
        CDerivedWnd wnd;
        ASSERT_TRUE(wnd.SubclassWindow(h));
        CDerivedWnd second;
        EXPECT_FALSE(second.SubclassWindow(h));  // one object per window
        EXPECT_EQ(SendMessageA(h, kBaseMsg, 0, 0), 7);
        CString text;
        wnd.GetWindowText(text);
        EXPECT_EQ(text, "abc");  // unhandled messages reach the control's own procedure
    }
    EXPECT_EQ(GetWindowLongPtrA(h, GWLP_WNDPROC), original);
    EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
    EXPECT_EQ(SendMessageA(h, kBaseMsg, 0, 0), 0);
    // A temporary wrapper for a window nobody attached.
    CWnd* pTemp = CWnd::FromHandle(h);
    ASSERT_NE(pTemp, nullptr);
    EXPECT_EQ(pTemp->m_hWnd, h);
    EXPECT_EQ(CWnd::FromHandle(h), pTemp);
    DestroyWindow(h);
}

namespace {
std::vector<std::string> g_log;

class CLoggingList : public CListBox {
public:
    void MeasureItem(LPMEASUREITEMSTRUCT p) override
    {
        g_log.push_back("measure");
        p->itemHeight = 16;
    }
    void DrawItem(LPDRAWITEMSTRUCT) override { g_log.push_back("draw"); }
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
    {
        if (message == WM_COMMAND && HIWORD(wParam) == LBN_DBLCLK) g_log.push_back("child");
        return CListBox::OnChildNotify(message, wParam, lParam, pResult);
    }
};

class CTestDlg : public CDialog {
public:
    explicit CTestDlg(int nBindId = 1001) : CDialog(900), m_nBindId(nBindId) {}
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Control(pDX, m_nBindId, m_list);
        DDX_Control(pDX, 1000, m_edit);
    }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        m_bBoundInInit = m_list.m_hWnd != nullptr && m_edit.m_hWnd != nullptr;
        m_list.AddString("one");
        SendMessage(WM_COMMAND, MAKEWPARAM(1001, LBN_DBLCLK), LPARAM(m_list.m_hWnd));
        // Left to the dialog's default, a key question from the list would be answered 0.
        m_nCharToItem = SendMessage(WM_CHARTOITEM, MAKEWPARAM('x', 0), LPARAM(m_list.m_hWnd));
        m_edit.SetWindowText("typed");
        PostMessage(WM_COMMAND, m_nEndCommand, 0);
        return TRUE;
    }
    void OnDblclkList() { g_log.push_back("parent"); }

    CLoggingList m_list;
    CEdit m_edit;
    int m_nBindId;
    UINT m_nEndCommand = IDOK;
    bool m_bBoundInInit = false;
    LRESULT m_nCharToItem = 0;
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CTestDlg, CDialog)
    ON_LBN_DBLCLK(1001, OnDblclkList)
END_MESSAGE_MAP()
}  // namespace

TEST(CDialogTest, ModalDialogBindsControlsAndReflectsBeforeTheParentsMap)
{
    struct Case {
        UINT command;
        INT_PTR result;
    } cases[] = {{IDOK, IDOK}, {IDCANCEL, IDCANCEL}};
    for (const Case& c : cases) {
        g_log.clear();
        CTestDlg dlg;
        dlg.m_nEndCommand = c.command;
        EXPECT_EQ(dlg.DoModal(), c.result);
        EXPECT_TRUE(dlg.m_bBoundInInit);
        EXPECT_EQ(dlg.m_nCharToItem, -1);
        ASSERT_GE(g_log.size(), 3u);
        EXPECT_EQ(g_log[0], "measure");
        EXPECT_EQ(g_log[1], "child");
        EXPECT_EQ(g_log[2], "parent");
        // The window and its controls are gone, and the objects know it.
        EXPECT_EQ(dlg.m_hWnd, nullptr);
        EXPECT_EQ(dlg.m_list.m_hWnd, nullptr);
        EXPECT_EQ(dlg.m_edit.m_hWnd, nullptr);
    }
}

TEST(CDialogTest, MissingControlEndsTheDialogAndThrowsFromDoModal)
{
    CTestDlg dlg(4242);
    EXPECT_THROW(dlg.DoModal(), std::logic_error);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_NO_THROW(AfxRethrowPendingException());
}

TEST(CGdiTest, OwnersReleaseOnceAndMove)
{
    CFont font;
    ASSERT_TRUE(font.CreateFont(-12, 0, 0, 0, FW_BOLD, TRUE, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS, 0, 0, 4, "Times"));
    EXPECT_FALSE(font.CreateFont(-12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial"));  // already holds one
    CFont moved(std::move(font));
    EXPECT_EQ(font.m_hObject, nullptr);
    HGDIOBJ h = moved.m_hObject;
    EXPECT_EQ(GetObjectType(h), DWORD(OBJ_FONT));
    EXPECT_TRUE(moved.DeleteObject());
    EXPECT_FALSE(moved.DeleteObject());
    EXPECT_EQ(GetObjectType(h), 0u);
}

TEST(CGdiTest, FillSolidRectLeavesItsColourAsBackground)
{
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    HBITMAP bmp = CreateBitmap(8, 8, 1, 32, nullptr);
    HGDIOBJ old = dc.SelectObject(bmp);
    RECT r = {0, 0, 4, 8};
    dc.FillSolidRect(&r, RGB(10, 20, 30));
    CBrush blue(RGB(0, 0, 255));
    RECT r2 = {4, 0, 8, 8};
    dc.FillRect(&r2, &blue);
    EXPECT_EQ(dc.GetBkColor(), RGB(10, 20, 30));
    EXPECT_EQ(dc.GetPixel(1, 1), RGB(10, 20, 30));
    EXPECT_EQ(dc.GetPixel(5, 1), RGB(0, 0, 255));
    dc.SelectObject(old);
    DeleteObject(bmp);
}
