// Thin wrappers of the standard controls: each method is one message. Like CWnd they do not own
// their window. CListBox and CComboBox take the owner-draw messages that their parent reflects to
// them (OnChildNotify) and call the virtual DrawItem and MeasureItem, which an owner-drawn control
// replaces.
#pragma once

#include "AfxWnd.h"

class CStatic : public CWnd {
public:
    HICON SetIcon(HICON hIcon) { return HICON(SendMessage(STM_SETICON, WPARAM(hIcon), 0)); }
};

class CButton : public CWnd {
public:
    // The shield that marks a button whose action asks for administrator rights (BCM_SETSHIELD;
    // a system without it ignores the message).
    void SetShield(BOOL bShield) { SendMessage(0x160C, 0, LPARAM(bShield)); }
};

class CEdit : public CWnd {
public:
    // Selects characters nStart to nEnd (nEnd -1: to the end) and, unless bNoScroll, scrolls the
    // caret into view.
    void SetSel(int nStart, int nEnd, BOOL bNoScroll = FALSE)
    {
        SendMessage(EM_SETSEL, WPARAM(nStart), LPARAM(nEnd));
        if (!bNoScroll) SendMessage(EM_SCROLLCARET);
    }
    void GetSel(int& nStart, int& nEnd) const
    {
        DWORD s = 0, e = 0;
        SendMessage(EM_GETSEL, WPARAM(&s), LPARAM(&e));
        nStart = int(s);
        nEnd = int(e);
    }
    void ReplaceSel(LPCSTR lpszNewText, BOOL bCanUndo = FALSE) { SendMessage(EM_REPLACESEL, bCanUndo, LPARAM(lpszNewText)); }
    void LimitText(int nChars = 0) { SendMessage(EM_LIMITTEXT, WPARAM(nChars)); }
};

// Owner-draw reflection shared by the two list controls: the parent's WM_DRAWITEM,
// WM_MEASUREITEM, WM_COMPAREITEM and WM_DELETEITEM for the control come to these virtuals.
class COwnerDrawCtl : public CWnd {
public:
    virtual void DrawItem(LPDRAWITEMSTRUCT) {}
    virtual void MeasureItem(LPMEASUREITEMSTRUCT) {}
    virtual int CompareItem(LPCOMPAREITEMSTRUCT) { return 0; }
    virtual void DeleteItem(LPDELETEITEMSTRUCT) {}

    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
    {
        LRESULT result = TRUE;
        switch (message) {
        case WM_DRAWITEM: DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam)); break;
        case WM_MEASUREITEM: MeasureItem(reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam)); break;
        case WM_COMPAREITEM: result = CompareItem(reinterpret_cast<LPCOMPAREITEMSTRUCT>(lParam)); break;
        case WM_DELETEITEM: DeleteItem(reinterpret_cast<LPDELETEITEMSTRUCT>(lParam)); break;
        default: return CWnd::OnChildNotify(message, wParam, lParam, pResult);
        }
        if (pResult) *pResult = result;
        return TRUE;
    }
};

class CListBox : public COwnerDrawCtl {
public:
    // A list box with LBS_WANTKEYBOARDINPUT asks its parent what a key should do; the answer
    // comes from these (-1: the list box's own handling, -2: nothing, n >= 0: act on entry n).
    // Left to the parent's default, a dialog would answer 0 and every key would act on entry 0.
    virtual int VKeyToItem(UINT /*nKey*/, UINT /*nIndex*/) { return -1; }
    virtual int CharToItem(UINT /*nChar*/, UINT /*nIndex*/) { return -1; }

    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
    {
        if (message != WM_VKEYTOITEM && message != WM_CHARTOITEM)
            return COwnerDrawCtl::OnChildNotify(message, wParam, lParam, pResult);
        int result = message == WM_VKEYTOITEM ? VKeyToItem(LOWORD(wParam), HIWORD(wParam))
                                              : CharToItem(LOWORD(wParam), HIWORD(wParam));
        if (pResult) *pResult = result;
        return TRUE;
    }

    int GetCount() const { return int(SendMessage(LB_GETCOUNT)); }
    int GetCurSel() const { return int(SendMessage(LB_GETCURSEL)); }
    int SetCurSel(int nSelect) { return int(SendMessage(LB_SETCURSEL, WPARAM(nSelect))); }
    int GetTopIndex() const { return int(SendMessage(LB_GETTOPINDEX)); }
    int GetTextLen(int nIndex) const { return int(SendMessage(LB_GETTEXTLEN, WPARAM(nIndex))); }
    // The text of entry nIndex; empty when there is no such entry.
    void GetText(int nIndex, CString& rString) const
    {
        int n = GetTextLen(nIndex);
        if (n == LB_ERR) { rString.Empty(); return; }
        int got = int(SendMessage(LB_GETTEXT, WPARAM(nIndex), LPARAM(rString.GetBuffer(n))));
        rString.ReleaseBuffer(got == LB_ERR ? 0 : got);
    }
    int AddString(LPCSTR lpszItem) { return int(SendMessage(LB_ADDSTRING, 0, LPARAM(lpszItem))); }
    int InsertString(int nIndex, LPCSTR lpszItem) { return int(SendMessage(LB_INSERTSTRING, WPARAM(nIndex), LPARAM(lpszItem))); }
    int DeleteString(UINT nIndex) { return int(SendMessage(LB_DELETESTRING, WPARAM(nIndex))); }
    void ResetContent() { SendMessage(LB_RESETCONTENT); }
    int FindString(int nStartAfter, LPCSTR lpszItem) const { return int(SendMessage(LB_FINDSTRING, WPARAM(nStartAfter), LPARAM(lpszItem))); }
    int FindStringExact(int nStartAfter, LPCSTR lpszItem) const
    { return int(SendMessage(LB_FINDSTRINGEXACT, WPARAM(nStartAfter), LPARAM(lpszItem))); }
    // Selects the first entry after nStartAfter (wrapping round) whose text begins with lpszItem.
    int SelectString(int nStartAfter, LPCSTR lpszItem) { return int(SendMessage(LB_SELECTSTRING, WPARAM(nStartAfter), LPARAM(lpszItem))); }
    int GetItemRect(int nIndex, LPRECT lpRect) const { return int(SendMessage(LB_GETITEMRECT, WPARAM(nIndex), LPARAM(lpRect))); }
    int GetItemHeight(int nIndex) const { return int(SendMessage(LB_GETITEMHEIGHT, WPARAM(nIndex))); }
};

class CComboBox : public COwnerDrawCtl {
public:
    int GetCount() const { return int(SendMessage(CB_GETCOUNT)); }
    int GetCurSel() const { return int(SendMessage(CB_GETCURSEL)); }
    int SetCurSel(int nSelect) { return int(SendMessage(CB_SETCURSEL, WPARAM(nSelect))); }
    int GetLBTextLen(int nIndex) const { return int(SendMessage(CB_GETLBTEXTLEN, WPARAM(nIndex))); }
    // The text of entry nIndex; empty when there is no such entry.
    void GetLBText(int nIndex, CString& rString) const
    {
        int n = GetLBTextLen(nIndex);
        if (n == CB_ERR) { rString.Empty(); return; }
        int got = int(SendMessage(CB_GETLBTEXT, WPARAM(nIndex), LPARAM(rString.GetBuffer(n))));
        rString.ReleaseBuffer(got == CB_ERR ? 0 : got);
    }
    int AddString(LPCSTR lpszItem) { return int(SendMessage(CB_ADDSTRING, 0, LPARAM(lpszItem))); }
    int InsertString(int nIndex, LPCSTR lpszItem) { return int(SendMessage(CB_INSERTSTRING, WPARAM(nIndex), LPARAM(lpszItem))); }
    int DeleteString(UINT nIndex) { return int(SendMessage(CB_DELETESTRING, WPARAM(nIndex))); }
    void ResetContent() { SendMessage(CB_RESETCONTENT); }
    int FindString(int nStartAfter, LPCSTR lpszItem) const { return int(SendMessage(CB_FINDSTRING, WPARAM(nStartAfter), LPARAM(lpszItem))); }
    // Selects the first entry after nStartAfter (wrapping round) whose text begins with lpszItem.
    int SelectString(int nStartAfter, LPCSTR lpszItem) { return int(SendMessage(CB_SELECTSTRING, WPARAM(nStartAfter), LPARAM(lpszItem))); }
    void ShowDropDown(BOOL bShowIt = TRUE) { SendMessage(CB_SHOWDROPDOWN, bShowIt); }
    BOOL GetDroppedState() const { return BOOL(SendMessage(CB_GETDROPPEDSTATE)); }
};
