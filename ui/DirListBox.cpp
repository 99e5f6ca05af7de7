#include "DirListBox.h"

#include "AfxHandle.h"
#include "AfxFontChoice.h"
#include "ChooserIds.h"

#include <new>

namespace {
// Pictures of the folder strip.
const int kClosedFolder = 0;
const int kOpenFolder = 1;
const int kIndentPerLevel = 8;
const int kTextOffset = 18;
}  // namespace

CDirListBox::CDirListBox() { m_imageList.Create(IDB_FOLDER_IMAGES, 16, 0, RGB(0, 0, 255)); }

CDirListBox::~CDirListBox()
{
    if (m_savedLevels) {
        for (int i = 0; i < m_nLevels; ++i) delete m_savedLevels[i];
        delete[] m_savedLevels;
    }
}

BEGIN_MESSAGE_MAP(CDirListBox, CListBox)
    ON_WM_GETDLGCODE()
    ON_WM_CHAR()
END_MESSAGE_MAP()

BOOL CDirListBox::SetPath(const char* pszPath)
{
    ResetContent();
    m_nLevels = 0;
    m_strPath = pszPath;
    int n = m_strPath.GetLength();
    if (n > 0 && m_strPath[n - 1] == '\\') m_strPath = m_strPath.Left(n - 1);

    // Every piece between backslashes is a level, empty ones included.
    int start = 0;
    for (;;) {
        int slash = m_strPath.Find('\\', start);
        CString piece = slash < 0 ? m_strPath.Mid(start) : m_strPath.Mid(start, slash - start);
        BeginAdd();
        AddEntry(piece);
        EndAdd();
        ++m_nLevels;
        if (slash < 0) break;
        start = slash + 1;
    }
    ListSubdirectories(m_strPath);
    return TRUE;
}

int CDirListBox::ListSubdirectories(const char* pszDir)
{
    CString pattern = CString(pszDir) + "\\*.*";
    WIN32_FIND_DATAA fd;
    CFindHandle search(::FindFirstFileA(pattern, &fd));
    if (!search) return 0;

    int nAdded = 0;
    BeginAdd();
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        CString name(fd.cFileName);
        if (name == "." || name == "..") continue;
        // No separate short name means the name is itself a valid 8.3 name, which the file
        // system may store in any case: show those in lower case, long names as stored.
        if (fd.cAlternateFileName[0] == '\0') name.MakeLower();
        AddEntry(name);
        ++nAdded;
    } while (::FindNextFileA(search.Get(), &fd));
    EndAdd();
    return nAdded;
}

CString** CDirListBox::AllocSavedLevels(int nCount) { return new (std::nothrow) CString*[nCount > 0 ? nCount : 1]; }

BOOL CDirListBox::BeginAdd()
{
    CString** saved = AllocSavedLevels(m_nLevels);
    if (!saved) return FALSE;
    int i = m_nLevels - 1;
    try {
        for (; i >= 0; --i) {
            CString text;
            GetText(i, text);
            saved[i] = new CString(text);
            DeleteString(UINT(i));
        }
    } catch (const std::bad_alloc&) {
        // Put back the levels already lifted out, below those still in place.
        for (int j = i + 1; j < m_nLevels; ++j) {
            InsertString(j, *saved[j]);
            delete saved[j];
        }
        delete[] saved;
        return FALSE;
    }
    m_savedLevels = saved;
    return TRUE;
}

void CDirListBox::EndAdd()
{
    if (m_savedLevels) {
        // Inserting at a position is not sorted: the levels stand on top again, in path order.
        for (int i = m_nLevels - 1; i >= 0; --i) {
            InsertString(0, *m_savedLevels[i]);
            delete m_savedLevels[i];
        }
        delete[] m_savedLevels;
        m_savedLevels = nullptr;
    }
    // The template creates the list with redrawing off; this is what lets it paint.
    SetRedraw(TRUE);
}

void CDirListBox::AddEntry(const char* pszText)
{
    if (m_savedLevels) {
        AddString(pszText);
        return;
    }
    int count = GetCount();
    int pos = m_nLevels;
    CString text;
    for (; pos < count; ++pos) {
        GetText(pos, text);
        if (::lstrcmpiA(pszText, text) < 0) break;
    }
    InsertString(pos, pszText);
}

void CDirListBox::BuildPath(int k, CString& strPath) const
{
    GetText(0, strPath);
    CString piece;
    for (int i = 1; i <= k; ++i) {
        GetText(i, piece);
        strPath += '\\';
        strPath += piece;
    }
}

void CDirListBox::OpenSelected()
{
    int s = GetCurSel();
    if (s < 0) return;  // Return before anything was selected: keep the list and the path
    // Everything after the chosen entry goes; bounded by the count so that a list whose window
    // is gone cannot spin here.
    for (int count = GetCount(); count > s + 1 && DeleteString(UINT(s + 1)) != LB_ERR; --count) {
    }
    if (s < m_nLevels) m_nLevels = s;
    // The sub-directories between the levels and a chosen sub-directory.
    for (int i = s - 1; i >= m_nLevels; --i) DeleteString(UINT(i));
    int k = m_nLevels;
    BuildPath(k, m_strPath);
    m_nLevels = k + 1;
    ListSubdirectories(m_strPath);
    // By index, not by a text search: a search for the text would stop at an earlier level that
    // has the same name or begins with it (C:\a\a, C:\Program\Pro).
    SetCurSel(k);
}

void CDirListBox::MeasureEntry(LPMEASUREITEMSTRUCT lpMeasureItemStruct) { lpMeasureItemStruct->itemHeight = 16; }

void CDirListBox::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    CDC dc;
    dc.Attach(lpDrawItemStruct->hDC);
    COLORREF oldText = dc.GetTextColor();
    RECT r = lpDrawItemStruct->rcItem;

    // The background changes only with the focus: the focused entry is the highlighted one.
    if (lpDrawItemStruct->itemAction & ODA_FOCUS) {
        bool focused = (lpDrawItemStruct->itemState & ODS_FOCUS) != 0;
        CBrush brush(::GetSysColor(focused ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        dc.FillRect(&r, &brush);
        if (focused) dc.SetTextColor(::GetSysColor(COLOR_HIGHLIGHTTEXT));
    }
    int item = int(lpDrawItemStruct->itemID);
    if (item != -1) {
        int picture = kClosedFolder;
        if (item < m_nLevels) {
            r.left += kIndentPerLevel * item;
            picture = kOpenFolder;
        } else {
            r.left += kIndentPerLevel * m_nLevels;
        }
        m_imageList.Draw(&dc, picture, POINT{r.left, r.top}, ILD_TRANSPARENT);
        int oldMode = dc.SetBkMode(TRANSPARENT);
        CString text;
        GetText(item, text);
        ::OffsetRect(&r, 0, -1);
        r.left += kTextOffset;
        // A name the list's font lacks glyphs for is drawn in a face that has them.
        HGDIOBJ hOldFont = dc.SelectObject(AfxFontForText(HFONT(::GetCurrentObject(dc.m_hDC, OBJ_FONT)), text));
        dc.DrawText(text, &r, 0);
        dc.SelectObject(hOldFont);
        dc.SetBkMode(oldMode);
    }
    dc.SetTextColor(oldText);
    dc.Detach();
}

BOOL CDirListBox::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_COMMAND && HIWORD(wParam) == LBN_DBLCLK && int(LOWORD(wParam)) == GetDlgCtrlID() &&
        HWND(lParam) == m_hWnd)
        OpenSelected();
    return CListBox::OnChildNotify(message, wParam, lParam, pResult);
}

UINT CDirListBox::OnGetDlgCode() { return CListBox::OnGetDlgCode() | DLGC_WANTALLKEYS; }

void CDirListBox::OnChar(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    if (nChar == '\t') {
        // Forward only: Shift is not consulted.
        CWnd* pParent = GetParent();
        CWnd* pNext = pParent ? pParent->GetNextDlgTabItem(this, FALSE) : nullptr;
        if (pNext) pNext->SetFocus();
    } else if (nChar == '\r') {
        // Exactly the notification of a double-click, posted so that it takes the same path.
        if (CWnd* pParent = GetParent())
            pParent->PostMessage(WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), LBN_DBLCLK), LPARAM(m_hWnd));
    }
    CListBox::OnChar(nChar, nRepCnt, nFlags);
}
