#include "AfxWnd.h"

#include "AfxFontChoice.h"
#include "AfxGdi.h"
#include "AfxWinApp.h"

#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace {
// The property under which a window keeps the object its messages go to.
const char kWndProp[] = "ZrvCWnd";

// The object that CreateEx is creating a window for: the window procedure attaches it to the
// first message of a window of a framework class (before WM_NCCREATE, when CreateWindowEx sends
// WM_GETMINMAXINFO first).
thread_local CWnd* t_pWndInit = nullptr;
thread_local std::exception_ptr t_pendingException;
thread_local HWND t_hWndModal = nullptr;

std::map<HWND, std::unique_ptr<CWnd>>& TemporaryWrappers()
{
    thread_local std::map<HWND, std::unique_ptr<CWnd>> temps;
    return temps;
}

// Keeps the first exception a handler raised, and ends the modal dialog in progress so that
// DoModal can rethrow it.
void KeepCallbackException()
{
    if (!t_pendingException) t_pendingException = std::current_exception();
    if (t_hWndModal && ::IsWindow(t_hWndModal)) ::EndDialog(t_hWndModal, -1);
}
}  // namespace

HWND& CWnd::ModalWindow() { return t_hWndModal; }

void AfxRethrowPendingException()
{
    if (!t_pendingException) return;
    std::exception_ptr e = t_pendingException;
    t_pendingException = nullptr;
    std::rethrow_exception(e);
}

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (!pWnd && t_pWndInit) {
        pWnd = t_pWndInit;
        t_pWndInit = nullptr;
        pWnd->AttachRouted(hWnd, nullptr);
    }
    if (!pWnd) return ::DefWindowProcA(hWnd, message, wParam, lParam);

    MSG saved = pWnd->m_currentMsg;
    pWnd->m_currentMsg = MSG{hWnd, message, wParam, lParam, 0, {0, 0}};
    LRESULT result = 0;
    try {
        result = pWnd->WindowProc(message, wParam, lParam);
    } catch (...) {
        KeepCallbackException();
    }
    if (message == WM_NCDESTROY) {
        // The window's last message: the object lets go of it (and may be deleted by PostNcDestroy).
        pWnd->DetachRouted();
        pWnd->PostNcDestroy();
    } else {
        pWnd->m_currentMsg = saved;
    }
    return result;
}

CWnd::~CWnd()
{
    if (m_bRouted && m_hWnd && ::IsWindow(m_hWnd)) DetachRouted();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    if (!hWnd) return nullptr;
    return static_cast<CWnd*>(::GetPropA(hWnd, kWndProp));
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    if (!hWnd) return nullptr;
    if (CWnd* p = FromHandlePermanent(hWnd)) return p;
    auto& temps = TemporaryWrappers();
    for (auto it = temps.begin(); it != temps.end();)
        it = ::IsWindow(it->first) ? std::next(it) : temps.erase(it);
    std::unique_ptr<CWnd>& slot = temps[hWnd];
    if (!slot) {
        slot.reset(new CWnd);
        slot->SetHandle(hWnd);
    }
    return slot.get();
}

void CWnd::AttachRouted(HWND hWnd, WNDPROC pfnSuper)
{
    SetHandle(hWnd);
    m_pfnSuper = pfnSuper;
    m_bRouted = true;
    ::SetPropA(hWnd, kWndProp, this);
}

void CWnd::DetachRouted()
{
    if (m_pfnSuper && WNDPROC(::GetWindowLongPtrA(m_hWnd, GWLP_WNDPROC)) == AfxWndProc)
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, LONG_PTR(m_pfnSuper));
    ::RemovePropA(m_hWnd, kWndProp);
    SetHandle(nullptr);
    m_pfnSuper = nullptr;
    m_bRouted = false;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (m_hWnd || !::IsWindow(hWnd) || FromHandlePermanent(hWnd)) return FALSE;
    WNDPROC old = WNDPROC(::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, LONG_PTR(AfxWndProc)));
    // A window of a framework class already has our procedure: nothing to chain to.
    AttachRouted(hWnd, old == AfxWndProc ? nullptr : old);
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    HWND hCtl = pParent ? ::GetDlgItem(pParent->m_hWnd, int(nID)) : nullptr;
    return hCtl ? SubclassWindow(hCtl) : FALSE;
}

HWND CWnd::UnsubclassWindow()
{
    HWND h = m_hWnd;
    if (m_bRouted) DetachRouted();
    return h;
}

BOOL CWnd::Attach(HWND hWnd)
{
    if (m_hWnd || !hWnd) return FALSE;
    SetHandle(hWnd);
    return TRUE;
}

HWND CWnd::Detach()
{
    if (m_bRouted) return UnsubclassWindow();
    HWND h = m_hWnd;
    SetHandle(nullptr);
    return h;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, int x,
                    int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam)
{
    if (m_hWnd) return FALSE;
    CWnd* pOuter = t_pWndInit;
    t_pWndInit = this;
    HWND h = ::CreateWindowExA(dwExStyle, lpszClassName, lpszWindowName, dwStyle, x, y, nWidth, nHeight,
                               hWndParent, nIDorHMenu, AfxGetInstanceHandle(), lpParam);
    DWORD err = ::GetLastError();
    if (t_pWndInit == this) {
        // The class's procedure is not ours: route the window's later messages here.
        t_pWndInit = pOuter;
        if (h) SubclassWindow(h);
    }
    AfxRethrowPendingException();
    ::SetLastError(err);
    return h != nullptr;
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd) return FALSE;
    HWND h = m_hWnd;
    if (m_bRouted) return ::DestroyWindow(h);  // WM_NCDESTROY detaches this object
    SetHandle(nullptr);
    return ::DestroyWindow(h);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (ReflectToChild(message, wParam, lParam, &result)) return result;
    if (OnWndMsg(message, wParam, lParam, &result)) return result;
    return DefWindowProc(message, wParam, lParam);
}

BOOL CWnd::OnWndMsg(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper) return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    return DefWindowProc(m_currentMsg.message, m_currentMsg.wParam, m_currentMsg.lParam);
}

// The one place where a child's notification is reflected to the child's object.
BOOL CWnd::ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    HWND hChild = nullptr;
    UINT nCtlID = 0;
    switch (message) {
    case WM_COMMAND:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: hChild = HWND(lParam); break;
    case WM_NOTIFY: hChild = reinterpret_cast<NMHDR*>(lParam)->hwndFrom; break;
    case WM_DRAWITEM: {
        auto* p = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (p->CtlType == ODT_MENU) return FALSE;
        hChild = p->hwndItem;
        nCtlID = p->CtlID;
        break;
    }
    case WM_MEASUREITEM: {
        auto* p = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (p->CtlType == ODT_MENU) return FALSE;
        nCtlID = p->CtlID;  // the record names no window: find the control by its id
        break;
    }
    case WM_DELETEITEM: hChild = reinterpret_cast<DELETEITEMSTRUCT*>(lParam)->hwndItem; break;
    case WM_COMPAREITEM: hChild = reinterpret_cast<COMPAREITEMSTRUCT*>(lParam)->hwndItem; break;
    default: return FALSE;
    }
    CWnd* pChild = FromHandlePermanent(hChild);
    // The drop-down list of a combo box draws its entries with its own handle in the record;
    // the object is the combo box's, found by the control id.
    if (!pChild && nCtlID) pChild = FromHandlePermanent(::GetDlgItem(m_hWnd, int(nCtlID)));
    if (!pChild || pChild == this) return FALSE;
    return pChild->OnChildNotify(message, wParam, lParam, pResult);
}

void CWnd::SetWindowText(LPCSTR lpszString)
{
    ::SetWindowTextA(m_hWnd, lpszString);
    if (::GetWindowLongA(m_hWnd, GWL_STYLE) & WS_CHILD) AfxFitFontToText(m_hWnd);
}

void CWnd::SetDlgItemText(int nID, LPCSTR lpszString)
{
    ::SetDlgItemTextA(m_hWnd, nID, lpszString);
    if (HWND hItem = ::GetDlgItem(m_hWnd, nID)) AfxFitFontToText(hItem);
}

void CWnd::GetWindowText(CString& rString) const
{
    int n = ::GetWindowTextLengthA(m_hWnd);
    char* buf = rString.GetBuffer(n);
    int got = ::GetWindowTextA(m_hWnd, buf, n + 1);
    rString.ReleaseBuffer(got >= 0 && got <= n ? got : 0);
}

void CWnd::SetFont(CFont* pFont, BOOL bRedraw)
{
    ::SendMessageA(m_hWnd, WM_SETFONT, WPARAM(pFont ? pFont->m_hObject : nullptr), bRedraw);
}

LPCSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon)
{
    static std::mutex lock;
    static std::set<std::string> names;
    char name[96];
    wsprintfA(name, "Zrv:%x:%x:%x:%x", nClassStyle, UINT(UINT_PTR(hCursor)), UINT(UINT_PTR(hbrBackground)),
              UINT(UINT_PTR(hIcon)));
    std::lock_guard<std::mutex> guard(lock);
    auto it = names.find(name);
    if (it != names.end()) return it->c_str();
    WNDCLASSA wc = {};
    wc.style = nClassStyle;
    wc.lpfnWndProc = AfxWndProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hCursor = hCursor;
    wc.hbrBackground = hbrBackground;
    wc.hIcon = hIcon;
    wc.lpszClassName = name;
    if (!::RegisterClassA(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
    return names.insert(name).first->c_str();
}
