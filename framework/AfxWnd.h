// CWnd: a window wrapper. It does not own its window: it holds an HWND; destroying the window is
// an explicit act (DestroyWindow). While a window is attached to an object, the framework's one
// window procedure routes every message of that window to the object's virtual WindowProc:
//   1. messages that a child control sends its parent (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM, ...)
//      are first offered to that child's OnChildNotify (reflection);
//   2. then the object's message map (OnWndMsg, written with the macros of AfxMsgMap.h) runs,
//      chaining to the base class's map;
//   3. what no map handles goes to DefWindowProc: the window's original procedure for a
//      subclassed window, the system default otherwise.
// A C++ exception never unwinds through the window procedure: it is caught there and kept as the
// thread's pending exception (see AfxRethrowPendingException), and a modal dialog in progress ends.
//
// Threads: a window object belongs to the thread that attaches and detaches its window; only that
// thread writes m_hWnd, and it always publishes it with a release store (SetHandle). Another
// thread may read the handle, and only through GetSafeHwndFromAnyThread, an acquire load of the
// same word: it sees the handle whole, or null, and everything that the owning thread wrote
// before it published the handle. Writing m_hWnd directly is for code on a single thread.
#pragma once

#include "AfxPlatform.h"
#include "AfxString.h"

class CDC;
class CFont;

class CWnd {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    // Detaches (and unsubclasses) a window that still exists; it does not destroy it.
    virtual ~CWnd();

    // --- attaching ---
    // The object attached to hWnd, or null.
    static CWnd* FromHandlePermanent(HWND hWnd);
    // The attached object, or else a temporary, unattached wrapper that stays valid while the
    // window exists (at least until the next FromHandle call after the window has gone).
    static CWnd* FromHandle(HWND hWnd);
    // Routes hWnd's messages to this object by replacing its window procedure.
    // FALSE when hWnd is not a window or is already attached to an object.
    BOOL SubclassWindow(HWND hWnd);
    // Subclasses the child control nID of pParent.
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    // Gives back the original window procedure and returns the handle.
    HWND UnsubclassWindow();
    // Wraps hWnd without routing its messages here (no subclassing).
    BOOL Attach(HWND hWnd);
    HWND Detach();

    // --- creation and destruction ---
    // Creates a window; when the class's procedure is not the framework's, the window is
    // subclassed right after creation. Rethrows an exception raised by a handler during creation.
    BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                  int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                  LPVOID lpParam = nullptr);
    virtual BOOL DestroyWindow();

    // --- message handling ---
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The message map; returns TRUE and sets *pResult when a handler took the message.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // Called for a message that a child control sent to its parent, before the parent's own map.
    // Returns TRUE (with *pResult) when the message is fully handled here; the parent's map then
    // does not see it.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // The default processing of a message not handled by the map.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The default processing of the message being handled now (for use inside a handler).
    LRESULT Default();
    // Called after the window's last message (WM_NCDESTROY), once m_hWnd is null.
    virtual void PostNcDestroy() {}

    // --- thin wrappers ---
    HWND GetSafeHwnd() const { return m_hWnd; }
    // The handle as another thread reads it: the acquire side of SetHandle's release store.
    HWND GetSafeHwndFromAnyThread() const { return __atomic_load_n(&m_hWnd, __ATOMIC_ACQUIRE); }
    operator HWND() const { return m_hWnd; }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    { return ::SendMessageA(m_hWnd, message, wParam, lParam); }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    { return ::PostMessageA(m_hWnd, message, wParam, lParam); }
    // A child window whose font cannot draw the new text changes to one that can (AfxFontChoice.h).
    void SetWindowText(LPCSTR lpszString);
    void GetWindowText(CString& rString) const;
    int GetWindowTextLength() const { return ::GetWindowTextLengthA(m_hWnd); }
    CWnd* GetDlgItem(int nID) const { return FromHandle(::GetDlgItem(m_hWnd, nID)); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    void SetDlgItemText(int nID, LPCSTR lpszString);
    void CheckRadioButton(int nIDFirst, int nIDLast, int nIDCheck) { ::CheckRadioButton(m_hWnd, nIDFirst, nIDLast, nIDCheck); }
    UINT IsDlgButtonChecked(int nID) const { return ::IsDlgButtonChecked(m_hWnd, nID); }
    CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
    CWnd* GetNextDlgTabItem(CWnd* pWndCtl, BOOL bPrevious = FALSE) const
    { return FromHandle(::GetNextDlgTabItem(m_hWnd, pWndCtl ? pWndCtl->m_hWnd : nullptr, bPrevious)); }
    CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
    static CWnd* GetFocus() { return FromHandle(::GetFocus()); }
    void GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
    void GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }
    BOOL MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE)
    { return ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint); }
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL UpdateWindow() { return ::UpdateWindow(m_hWnd); }
    void Invalidate(BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, bErase); }
    void InvalidateRect(const RECT* lpRect, BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, lpRect, bErase); }
    BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    DWORD GetStyle() const { return DWORD(::GetWindowLongA(m_hWnd, GWL_STYLE)); }
    void SetFont(CFont* pFont, BOOL bRedraw = TRUE);
    HFONT GetFont() const { return HFONT(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0)); }
    void SetRedraw(BOOL bRedraw = TRUE) { ::SendMessageA(m_hWnd, WM_SETREDRAW, bRedraw, 0); }
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse) { return ::SetTimer(m_hWnd, nIDEvent, nElapse, nullptr); }
    BOOL KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }

    HWND m_hWnd = nullptr;

protected:
    // Default handlers of the message-map entries: the message's default processing. A derived
    // handler calls its base's to let the default happen as well.
    void OnPaint() { Default(); }
    BOOL OnEraseBkgnd(CDC*) { return BOOL(Default()); }
    void OnTimer(UINT_PTR) { Default(); }
    void OnChar(UINT, UINT, UINT) { Default(); }
    void OnKeyDown(UINT, UINT, UINT) { Default(); }
    UINT OnGetDlgCode() { return UINT(Default()); }
    void OnSize(UINT, int, int) { Default(); }
    void OnClose() { Default(); }
    void OnDestroy() { Default(); }

private:
    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend class CDialog;
    // Every change of m_hWnd by the framework: a release store, for GetSafeHwndFromAnyThread.
    void SetHandle(HWND hWnd) { __atomic_store_n(&m_hWnd, hWnd, __ATOMIC_RELEASE); }
    void AttachRouted(HWND hWnd, WNDPROC pfnSuper);
    void DetachRouted();
    // The modal dialog of this thread in progress, ended when a handler throws.
    static HWND& ModalWindow();
    BOOL ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    WNDPROC m_pfnSuper = nullptr;  // the original procedure of a subclassed window
    bool m_bRouted = false;        // messages of m_hWnd come to this object
    MSG m_currentMsg = {};         // the message being handled, for Default()
};

// The framework's window procedure: the procedure of every class from AfxRegisterWndClass and of
// every subclassed window.
LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// Registers (once per distinct set of arguments) a window class whose procedure is the
// framework's, and returns its name. The name stays valid for the life of the program.
LPCSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor = nullptr, HBRUSH hbrBackground = nullptr,
                           HICON hIcon = nullptr);

// Rethrows, once, an exception that a message handler of this thread raised and the window
// procedure caught. Does nothing when there is none. DoModal and CreateEx call it themselves.
void AfxRethrowPendingException();
