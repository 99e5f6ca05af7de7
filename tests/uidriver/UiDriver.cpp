// uidriver: drives the windows of another program for end-to-end tests, one command per run.
//
//   uidriver COMMAND ARGS...
//
// WINDOW names a visible top-level window by its exact caption, optionally followed by @ and its
// class name ("Choose Directory", "Choose Directory@#32770"); the caption * stands for any
// ("*@#32770"). ID is a control id in decimal; 0 means the window itself. Results go to stdout, one
// per line; a failure prints one line on stderr and exits with 1; bad usage exits with 2. The
// driver runs in UTF-8 (its manifest), whatever the machine's code page: what it takes and what
// it prints are UTF-8, in any script.
//
//   wait WINDOW [MS]            wait (default 10000 ms) until the window exists and is visible
//   gone WINDOW [MS]            wait until no such window exists
//   text WINDOW ID              print the control's text
//   items WINDOW ID             print the entries of a list box or combo box, one per line
//   selected WINDOW ID          print the index of the selected entry (-1: none)
//   focus WINDOW                print the id of the control that has the focus (0: none of its)
//   setfocus WINDOW ID          move the focus to the control, as the dialog manager does
//   settext WINDOW ID TEXT      replace the control's text (no key strokes)
//   select WINDOW ID ENTRY      select an entry of a list box (notifying LBN_SELCHANGE) or choose
//                               one in a combo box (CBN_SELCHANGE, then CBN_SELENDOK, as when the
//                               user settles on it); ENTRY is an index or =TEXT for an exact text
//   click WINDOW ID             press a button
//   dblclick WINDOW ID ENTRY    double-click an entry of a list box with the mouse
//   keys WINDOW ID KEY...       focus the control and press keys: Return Tab Escape Space Up Down
//                               Left Right Home End F1 F4, a single character, or Shift+KEY / Alt+KEY
//   msgbox [MS] [BUTTON]        wait for a message box, print its caption and then its text, and
//                               press BUTTON (OK Cancel Yes No Retry Abort Ignore) if given
//   hold PATH MS                open the file without sharing, as a program using it would, print
//                               "held" and keep it open for MS milliseconds
//   windows                     print every visible top-level window as CAPTION@CLASS, one per
//                               line (what a failed scenario saw)
//   programs [user]             print the all-users Start menu's Programs folder (the running
//                               user's own with "user")
//   checked WINDOW ID           print 1 when the check box or radio button is checked, else 0
//   link PATH                   print the target path of the shortcut file PATH, read through the
//                               shell's link interface
//   version PATH NAME           print the string NAME ("ProductName") of the program's version
//                               information, US English / Windows-1252, as Explorer reads it
#include "AfxHandle.h"

#include <windows.h>

#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {
struct Failure {
    std::string message;
};

[[noreturn]] void Fail(const std::string& message) { throw Failure{message}; }

struct WindowQuery {
    std::string caption;
    std::string cls;  // empty: any class
};

WindowQuery ParseQuery(const std::string& query)
{
    size_t at = query.rfind('@');
    if (at == std::string::npos) return {query, ""};
    return {query.substr(0, at), query.substr(at + 1)};
}

// A text read in UTF-16, in the driver's code page (UTF-8: up to three bytes a UTF-16 unit).
std::string Narrow(const std::wstring& w)
{
    std::string s(w.size() * 3 + 1, '\0');
    int m = WideCharToMultiByte(CP_ACP, 0, w.c_str(), int(w.size()), &s[0], int(s.size()), nullptr, nullptr);
    s.resize(size_t(m > 0 ? m : 0));
    return s;
}

// Asked in UTF-16 and converted here: the A length of a window of a program with another code page
// counts in that program's code page, and a text read by it comes back cut.
std::string TextOf(HWND h)
{
    int n = int(SendMessageW(h, WM_GETTEXTLENGTH, 0, 0));
    std::wstring w(size_t(n > 0 ? n : 0) + 1, L'\0');
    n = int(SendMessageW(h, WM_GETTEXT, WPARAM(w.size()), LPARAM(&w[0])));
    w.resize(size_t(n > 0 ? n : 0));
    return Narrow(w);
}

std::string ClassOf(HWND h)
{
    char buf[256] = "";
    GetClassNameA(h, buf, sizeof(buf));
    return buf;
}

struct Search {
    const WindowQuery* query;
    HWND found;
};

BOOL CALLBACK MatchTop(HWND h, LPARAM lParam)
{
    auto* s = reinterpret_cast<Search*>(lParam);
    if (!IsWindowVisible(h)) return TRUE;
    if (s->query->caption != "*" && TextOf(h) != s->query->caption) return TRUE;
    if (!s->query->cls.empty() && ClassOf(h) != s->query->cls) return TRUE;
    s->found = h;
    return FALSE;
}

HWND FindTop(const WindowQuery& query)
{
    Search s{&query, nullptr};
    EnumWindows(MatchTop, LPARAM(&s));
    return s.found;
}

HWND WaitTop(const std::string& queryText, DWORD ms)
{
    WindowQuery query = ParseQuery(queryText);
    DWORD start = GetTickCount();
    for (;;) {
        if (HWND h = FindTop(query)) return h;
        if (GetTickCount() - start >= ms) Fail("no window \"" + queryText + "\" within " + std::to_string(ms) + " ms");
        Sleep(50);
    }
}

// The window itself or one of its controls, found at once (a short wait for the window).
HWND Control(const std::string& queryText, const std::string& id)
{
    HWND top = WaitTop(queryText, 2000);
    int n = std::atoi(id.c_str());
    if (n == 0) return top;
    HWND h = GetDlgItem(top, n);
    if (!h) Fail("window \"" + queryText + "\" has no control " + id);
    return h;
}

bool IsCombo(HWND h) { return _stricmp(ClassOf(h).c_str(), "ComboBox") == 0; }

std::vector<std::string> Entries(HWND h)
{
    bool combo = IsCombo(h);
    int count = int(SendMessageA(h, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0));
    if (count < 0) Fail("control is not a list");
    std::vector<std::string> out;
    // Asked in UTF-16: Wine hands a list's text to another process in UTF-16 even for the A call.
    for (int i = 0; i < count; ++i) {
        int n = int(SendMessageW(h, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, WPARAM(i), 0));
        std::wstring w(size_t(n > 0 ? n : 0) + 1, L'\0');
        n = int(SendMessageW(h, combo ? CB_GETLBTEXT : LB_GETTEXT, WPARAM(i), LPARAM(&w[0])));
        w.resize(size_t(n > 0 ? n : 0));
        out.push_back(Narrow(w));
    }
    return out;
}

int EntryIndex(HWND h, const std::string& entry)
{
    if (!entry.empty() && entry[0] == '=') {
        std::vector<std::string> all = Entries(h);
        for (size_t i = 0; i < all.size(); ++i)
            if (all[i] == entry.substr(1)) return int(i);
        Fail("no entry \"" + entry.substr(1) + "\"");
    }
    return std::atoi(entry.c_str());
}

void Notify(HWND ctl, WORD code)
{
    SendMessageA(GetParent(ctl), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(ctl), code), LPARAM(ctl));
}

void SetFocusTo(HWND ctl)
{
    HWND top = GetAncestor(ctl, GA_ROOT);
    SetForegroundWindow(top);
    if (ctl != top) SendMessageA(GetParent(ctl), WM_NEXTDLGCTL, WPARAM(ctl), TRUE);
}

HWND FocusOf(HWND top)
{
    GUITHREADINFO gti = {};
    gti.cbSize = sizeof(gti);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &gti)) return nullptr;
    return gti.hwndFocus;
}

// Key names to virtual keys; a single character maps through the keyboard layout.
void KeyStroke(const std::string& name)
{
    std::vector<WORD> mods;
    std::string key = name;
    for (;;) {
        if (key.rfind("Shift+", 0) == 0) { mods.push_back(VK_SHIFT); key = key.substr(6); }
        else if (key.rfind("Alt+", 0) == 0) { mods.push_back(VK_MENU); key = key.substr(4); }
        else if (key.rfind("Ctrl+", 0) == 0) { mods.push_back(VK_CONTROL); key = key.substr(5); }
        else break;
    }
    static const struct { const char* name; WORD vk; } kNamed[] = {
        {"Return", VK_RETURN}, {"Tab", VK_TAB}, {"Escape", VK_ESCAPE}, {"Space", VK_SPACE}, {"Up", VK_UP},
        {"Down", VK_DOWN}, {"Left", VK_LEFT}, {"Right", VK_RIGHT}, {"Home", VK_HOME}, {"End", VK_END},
        {"F1", VK_F1}, {"F4", VK_F4}, {"Backspace", VK_BACK}, {"Delete", VK_DELETE},
    };
    WORD vk = 0;
    for (const auto& k : kNamed)
        if (key == k.name) vk = k.vk;
    if (!vk && key.size() == 1) {
        SHORT scan = VkKeyScanA(key[0]);
        if (scan == -1) Fail("cannot type \"" + key + "\"");
        vk = LOBYTE(scan);
        if (HIBYTE(scan) & 1) mods.push_back(VK_SHIFT);
    }
    if (!vk) Fail("unknown key \"" + name + "\"");
    std::vector<INPUT> in;
    auto add = [&](WORD v, DWORD flags) {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = v;
        i.ki.wScan = WORD(MapVirtualKeyA(v, MAPVK_VK_TO_VSC));
        i.ki.dwFlags = flags;
        in.push_back(i);
    };
    for (WORD m : mods) add(m, 0);
    add(vk, 0);
    add(vk, KEYEVENTF_KEYUP);
    for (auto it = mods.rbegin(); it != mods.rend(); ++it) add(*it, KEYEVENTF_KEYUP);
    SendInput(UINT(in.size()), in.data(), sizeof(INPUT));
    Sleep(100);
}

void MouseDoubleClick(int x, int y)
{
    SetCursorPos(x, y);
    Sleep(50);
    for (int n = 0; n < 2; ++n) {
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_MOUSE;
        in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, in, sizeof(INPUT));
        Sleep(30);
    }
    Sleep(200);
}

struct MsgBoxSearch {
    HWND found;
};

// A message box's controls are its buttons (ids 1 to 11), its text (0xFFFF) and its icon (20 on
// Windows, 0x440 under Wine); a dialog of ours that has an unnamed static too (a label) has other
// controls besides.
BOOL CALLBACK OnlyMessageBoxControls(HWND h, LPARAM lParam)
{
    int id = GetDlgCtrlID(h);
    if ((id >= 1 && id <= 11) || id == 0xFFFF || id == 20 || id == 0x440) return TRUE;
    *reinterpret_cast<bool*>(lParam) = false;
    return FALSE;
}

BOOL CALLBACK MatchMsgBox(HWND h, LPARAM lParam)
{
    if (!IsWindowVisible(h) || ClassOf(h) != "#32770" || !GetDlgItem(h, 0xFFFF)) return TRUE;
    bool onlyBoxControls = true;
    EnumChildWindows(h, OnlyMessageBoxControls, LPARAM(&onlyBoxControls));
    if (!onlyBoxControls) return TRUE;
    reinterpret_cast<MsgBoxSearch*>(lParam)->found = h;
    return FALSE;
}

int ButtonId(const std::string& name)
{
    static const struct { const char* name; int id; } kButtons[] = {
        {"OK", IDOK}, {"Cancel", IDCANCEL}, {"Yes", IDYES}, {"No", IDNO},
        {"Retry", IDRETRY}, {"Abort", IDABORT}, {"Ignore", IDIGNORE}, {"TryAgain", IDTRYAGAIN},
        {"Continue", IDCONTINUE},
    };
    for (const auto& b : kButtons)
        if (name == b.name) return b.id;
    Fail("unknown button \"" + name + "\"");
}

using Args = std::vector<std::string>;

DWORD Millis(const Args& a, size_t i, DWORD def)
{
    return a.size() > i ? DWORD(std::strtoul(a[i].c_str(), nullptr, 10)) : def;
}

void CmdWait(const Args& a) { WaitTop(a[1], Millis(a, 2, 10000)); }

void CmdGone(const Args& a)
{
    WindowQuery query = ParseQuery(a[1]);
    DWORD ms = Millis(a, 2, 10000), start = GetTickCount();
    while (FindTop(query)) {
        if (GetTickCount() - start >= ms) Fail("window \"" + a[1] + "\" still there after " + std::to_string(ms) + " ms");
        Sleep(50);
    }
}

void CmdText(const Args& a) { std::printf("%s\n", TextOf(Control(a[1], a[2])).c_str()); }

void CmdItems(const Args& a)
{
    for (const std::string& s : Entries(Control(a[1], a[2]))) std::printf("%s\n", s.c_str());
}

void CmdSelected(const Args& a)
{
    HWND h = Control(a[1], a[2]);
    std::printf("%d\n", int(SendMessageA(h, IsCombo(h) ? CB_GETCURSEL : LB_GETCURSEL, 0, 0)));
}

void CmdFocus(const Args& a)
{
    HWND top = WaitTop(a[1], 2000);
    HWND f = FocusOf(top);
    // The edit inside a combo box counts as the combo box.
    while (f && GetParent(f) && GetParent(f) != top) f = GetParent(f);
    std::printf("%d\n", f && f != top ? GetDlgCtrlID(f) : 0);
}

void CmdSetFocus(const Args& a)
{
    SetFocusTo(Control(a[1], a[2]));
    Sleep(100);
}

void CmdSetText(const Args& a) { SendMessageA(Control(a[1], a[2]), WM_SETTEXT, 0, LPARAM(a[3].c_str())); }

void CmdSelect(const Args& a)
{
    HWND h = Control(a[1], a[2]);
    int i = EntryIndex(h, a[3]);
    bool combo = IsCombo(h);
    LRESULT r = SendMessageA(h, combo ? CB_SETCURSEL : LB_SETCURSEL, WPARAM(i), 0);
    if (r == LB_ERR && i != -1) Fail("no entry " + a[3]);
    if (combo) {
        Notify(h, CBN_SELCHANGE);
        Notify(h, CBN_SELENDOK);
    } else {
        Notify(h, LBN_SELCHANGE);
    }
}

void CmdClick(const Args& a)
{
    HWND h = Control(a[1], a[2]);
    if (!IsWindowEnabled(h)) Fail("control " + a[2] + " is disabled");
    SetForegroundWindow(GetAncestor(h, GA_ROOT));
    // Posted: a button that opens a modal dialog would not return from a sent click until that
    // dialog had closed.
    PostMessageA(h, BM_CLICK, 0, 0);
}

void CmdDblClick(const Args& a)
{
    HWND h = Control(a[1], a[2]);
    int i = EntryIndex(h, a[3]);
    SendMessageA(h, LB_SETTOPINDEX, WPARAM(i), 0);
    RECT r;
    if (SendMessageA(h, LB_GETITEMRECT, WPARAM(i), LPARAM(&r)) == LB_ERR) Fail("no entry " + a[3]);
    POINT p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(h, &p);
    SetForegroundWindow(GetAncestor(h, GA_ROOT));
    MouseDoubleClick(p.x, p.y);
}

void CmdKeys(const Args& a)
{
    SetFocusTo(Control(a[1], a[2]));
    Sleep(100);
    for (size_t i = 3; i < a.size(); ++i) KeyStroke(a[i]);
}

void CmdMsgBox(const Args& a)
{
    DWORD ms = Millis(a, 1, 10000), start = GetTickCount();
    MsgBoxSearch s{nullptr};
    for (;;) {
        EnumWindows(MatchMsgBox, LPARAM(&s));
        if (s.found) break;
        if (GetTickCount() - start >= ms) Fail("no message box within " + std::to_string(ms) + " ms");
        Sleep(50);
    }
    std::printf("%s\n%s\n", TextOf(s.found).c_str(), TextOf(GetDlgItem(s.found, 0xFFFF)).c_str());
    if (a.size() <= 2) return;
    HWND button = GetDlgItem(s.found, ButtonId(a[2]));
    if (!button) Fail("the message box has no " + a[2] + " button");
    SetForegroundWindow(s.found);
    SendMessageA(button, BM_CLICK, 0, 0);
}

void CmdHold(const Args& a)
{
    // A caller that looks whether the file is held yet opens it meanwhile: a moment's sharing
    // violation is that look, not another holder.
    CHandle h;
    for (int i = 0; i < 250; ++i) {
        HANDLE opened = CreateFileA(a[1].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        DWORD dwError = GetLastError();
        h.Attach(opened);
        if (h || dwError != ERROR_SHARING_VIOLATION) break;
        Sleep(20);
    }
    if (!h) Fail("cannot open " + a[1]);
    std::printf("held\n");
    std::fflush(stdout);
    Sleep(Millis(a, 2, 10000));
}

BOOL CALLBACK PrintVisibleTop(HWND h, LPARAM)
{
    if (IsWindowVisible(h)) std::printf("%s@%s\n", TextOf(h).c_str(), ClassOf(h).c_str());
    return TRUE;
}

void CmdWindows(const Args&) { EnumWindows(PrintVisibleTop, 0); }

void CmdPrograms(const Args& a)
{
    char path[MAX_PATH] = {};
    int folder = a.size() > 1 && a[1] == "user" ? CSIDL_PROGRAMS : CSIDL_COMMON_PROGRAMS;
    if (FAILED(SHGetFolderPathA(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path))) Fail("no Programs folder");
    std::printf("%s\n", path);
}

void CmdChecked(const Args& a)
{
    std::printf("%d\n", SendMessageA(Control(a[1], a[2]), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
}

void CmdLink(const Args& a)
{
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    char target[MAX_PATH] = {};
    std::wstring wide(a[1].size() + 1, L'\0');
    wide.resize(size_t(std::max(0, MultiByteToWideChar(CP_ACP, 0, a[1].c_str(), int(a[1].size()), &wide[0], int(wide.size())))));
    bool ok = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                         reinterpret_cast<void**>(&link))) &&
              SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
              SUCCEEDED(file->Load(wide.c_str(), STGM_READ)) &&
              SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH));
    if (file) file->Release();
    if (link) link->Release();
    if (!ok) Fail("cannot read the shortcut " + a[1]);
    std::printf("%s\n", target);
}

void CmdVersion(const Args& a)
{
    DWORD ignored = 0, size = GetFileVersionInfoSizeA(a[1].c_str(), &ignored);
    std::vector<char> info(size ? size : 1);
    char* value = nullptr;
    UINT length = 0;
    std::string query = "\\StringFileInfo\\040904E4\\" + a[2];
    if (!size || !GetFileVersionInfoA(a[1].c_str(), 0, size, info.data()) ||
        !VerQueryValueA(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
        Fail("no " + a[2] + " in the version information of " + a[1]);
    std::printf("%s\n", value);
}

const struct Command {
    const char* name;
    size_t nArgs;  // the command's name included
    void (*run)(const Args&);
} kCommands[] = {
    {"wait", 2, CmdWait},         {"gone", 2, CmdGone},         {"text", 3, CmdText},
    {"items", 3, CmdItems},       {"selected", 3, CmdSelected}, {"focus", 2, CmdFocus},
    {"setfocus", 3, CmdSetFocus}, {"settext", 4, CmdSetText},   {"select", 4, CmdSelect},
    {"click", 3, CmdClick},       {"dblclick", 4, CmdDblClick}, {"keys", 4, CmdKeys},
    {"msgbox", 1, CmdMsgBox},     {"hold", 3, CmdHold},         {"programs", 1, CmdPrograms},
    {"link", 2, CmdLink},         {"version", 3, CmdVersion},   {"windows", 1, CmdWindows},
    {"checked", 3, CmdChecked},
};

// Returns 2 for bad usage; failures of a command throw Failure.
int Run(const Args& a)
{
    for (const Command& c : kCommands) {
        if (a[0] != c.name) continue;
        if (a.size() < c.nArgs) {
            std::fprintf(stderr, "uidriver: too few arguments for %s\n", c.name);
            return 2;
        }
        c.run(a);
        return 0;
    }
    std::fprintf(stderr, "uidriver: unknown command %s\n", a[0].c_str());
    return 2;
}
}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fprintf(stderr, "usage: uidriver COMMAND ARGS... (see the source's head for the commands)\n");
        return 2;
    }
    int rc = 0;
    try {
        rc = Run(args);
    } catch (const Failure& f) {
        std::fflush(stdout);
        std::fprintf(stderr, "uidriver %s: %s\n", args[0].c_str(), f.message.c_str());
        return 1;
    }
    std::fflush(stdout);
    return rc;
}
