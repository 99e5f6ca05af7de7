// Message maps. A map is the body of the class's OnWndMsg: a plain chain of ifs, one per entry,
// ending in a call of the base class's map, so stepping through it in a debugger shows exactly
// which entry took a message.
//
//   class CMyWnd : public CWnd { ... DECLARE_MESSAGE_MAP() };          // in the class
//   BEGIN_MESSAGE_MAP(CMyWnd, CWnd)                                     // in the .cpp
//       ON_WM_PAINT()
//       ON_MESSAGE(WM_USER + 1, OnStatus)
//   END_MESSAGE_MAP()
//
// Handlers are members of the class with the signatures named beside each macro.
#pragma once

#include "AfxGdi.h"
#include "AfxWnd.h"

#define DECLARE_MESSAGE_MAP() \
public:                       \
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                            \
    BOOL theClass::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) \
    {                                                                                     \
        typedef baseClass TheBaseClass;

#define END_MESSAGE_MAP()                                              \
        return TheBaseClass::OnWndMsg(message, wParam, lParam, pResult); \
    }

// void OnPaint()
#define ON_WM_PAINT() \
    if (message == WM_PAINT) { OnPaint(); *pResult = 0; return TRUE; }
// BOOL OnEraseBkgnd(CDC* pDC)
#define ON_WM_ERASEBKGND()                                                  \
    if (message == WM_ERASEBKGND) {                                         \
        CDC dcErase;                                                        \
        dcErase.Attach(HDC(wParam));                                        \
        *pResult = OnEraseBkgnd(&dcErase);                                  \
        dcErase.Detach();                                                   \
        return TRUE;                                                        \
    }
// void OnTimer(UINT_PTR nIDEvent)
#define ON_WM_TIMER() \
    if (message == WM_TIMER) { OnTimer(UINT_PTR(wParam)); *pResult = 0; return TRUE; }
// void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags)
#define ON_WM_CHAR()                                                                   \
    if (message == WM_CHAR) {                                                          \
        OnChar(UINT(wParam), UINT(LOWORD(lParam)), UINT(HIWORD(lParam)));              \
        *pResult = 0;                                                                  \
        return TRUE;                                                                   \
    }
// void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags)
#define ON_WM_KEYDOWN()                                                                \
    if (message == WM_KEYDOWN) {                                                       \
        OnKeyDown(UINT(wParam), UINT(LOWORD(lParam)), UINT(HIWORD(lParam)));           \
        *pResult = 0;                                                                  \
        return TRUE;                                                                   \
    }
// UINT OnGetDlgCode()
#define ON_WM_GETDLGCODE() \
    if (message == WM_GETDLGCODE) { *pResult = LRESULT(OnGetDlgCode()); return TRUE; }
// int OnCreate(LPCREATESTRUCTA lpCreateStruct): 0 to go on, -1 to fail the creation
#define ON_WM_CREATE() \
    if (message == WM_CREATE) { *pResult = OnCreate(reinterpret_cast<LPCREATESTRUCTA>(lParam)); return TRUE; }
// void OnSize(UINT nType, int cx, int cy)
#define ON_WM_SIZE()                                                                          \
    if (message == WM_SIZE) {                                                                 \
        OnSize(UINT(wParam), int(short(LOWORD(lParam))), int(short(HIWORD(lParam))));         \
        *pResult = 0;                                                                         \
        return TRUE;                                                                          \
    }
// void OnClose()
#define ON_WM_CLOSE() \
    if (message == WM_CLOSE) { OnClose(); *pResult = 0; return TRUE; }
// void OnDestroy()
#define ON_WM_DESTROY() \
    if (message == WM_DESTROY) { OnDestroy(); *pResult = 0; return TRUE; }
// LRESULT memberFxn(WPARAM wParam, LPARAM lParam): any message, such as WM_USER + n
#define ON_MESSAGE(msg, memberFxn) \
    if (message == UINT(msg)) { *pResult = memberFxn(wParam, lParam); return TRUE; }
// void memberFxn(): WM_COMMAND with the given notification code from control id
#define ON_CONTROL(wNotifyCode, id, memberFxn)                                                   \
    if (message == WM_COMMAND && LOWORD(wParam) == UINT(id) && HIWORD(wParam) == UINT(wNotifyCode)) { \
        memberFxn();                                                                             \
        *pResult = 0;                                                                            \
        return TRUE;                                                                             \
    }
#define ON_COMMAND(id, memberFxn) ON_CONTROL(0, id, memberFxn)
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_LBN_DBLCLK(id, memberFxn) ON_CONTROL(LBN_DBLCLK, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_LBN_SETFOCUS(id, memberFxn) ON_CONTROL(LBN_SETFOCUS, id, memberFxn)
#define ON_LBN_KILLFOCUS(id, memberFxn) ON_CONTROL(LBN_KILLFOCUS, id, memberFxn)
#define ON_CBN_SELENDOK(id, memberFxn) ON_CONTROL(CBN_SELENDOK, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn) ON_CONTROL(EN_SETFOCUS, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
