// The chooser's two owner-drawn controls under real Win32 (Wine): the directory list's levels,
// sorting, short-name rule and opening of entries on a directory tree made here; the drive box's
// listing against a described set of drives; and the pictures and highlight of both, drawn into
// a memory bitmap.
#include "DirListBox.h"
#include "DirectoryDlg.h"
#include "DriveComboBox.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "../common/TempDir.h"

namespace {
// A plain top-level window: the parent that reflects notifications and owner-draw messages.
struct TestParent {
    CWnd wnd;
    // Hidden unless the test needs the focus: showing a window costs Wine a round trip to X.
    explicit TestParent(bool bVisible = false)
    {
        LPCSTR cls = AfxRegisterWndClass(0, nullptr, HBRUSH(COLOR_WINDOW + 1));
        wnd.CreateEx(0, cls, "parent", WS_OVERLAPPEDWINDOW | (bVisible ? WS_VISIBLE : 0), 0, 0, 400, 400, nullptr,
                     nullptr);
    }
    ~TestParent() { wnd.DestroyWindow(); }
};

const DWORD kListStyle = LBS_NOTIFY | LBS_SORT | LBS_NOREDRAW | LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS |
                         LBS_NOINTEGRALHEIGHT | LBS_WANTKEYBOARDINPUT | WS_CHILD | WS_VISIBLE | WS_VSCROLL |
                         WS_TABSTOP | WS_BORDER;

// Creates the template's list box as child 1001 and subclasses it with list.
bool MakeList(TestParent& parent, CDirListBox& list)
{
    HWND h = CreateWindowExA(0, "LISTBOX", "", kListStyle, 10, 10, 300, 200, parent.wnd.m_hWnd, HMENU(1001),
                             nullptr, nullptr);
    return h && list.SubclassWindow(h);
}

std::vector<std::string> Entries(const CListBox& list)
{
    std::vector<std::string> out;
    CString text;
    for (int i = 0; i < list.GetCount(); ++i) {
        list.GetText(i, text);
        out.push_back(text.Str());
    }
    return out;
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

std::string Win(const std::filesystem::path& p) { return p.string(); }

// Directories of the sorting tree: long names keep their case, 8.3 names show in lower case.
void MakeTree(const std::filesystem::path& root)
{
    for (const char* d : {"zeta", "Alpha Dir", "BETA", "Mixed Case Name", "123", "BETA\\inner", "BETA\\Second"})
        std::filesystem::create_directories(root / d);
    WriteBytes(root / "file.txt", "x");
    WriteBytes(root / "FILE2", "x");
}
const std::vector<std::string> kTreeSubdirs = {"123", "Alpha Dir", "beta", "Mixed Case Name", "zeta"};

std::vector<std::string> Levels(const std::string& path)
{
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        size_t slash = path.find('\\', start);
        out.push_back(path.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
        if (slash == std::string::npos) return out;
        start = slash + 1;
    }
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
}  // namespace

TEST(CDirListBoxTest, SetPathShowsLevelsThenSortedSubdirectories)
{
    ScopedTempDir dir;
    std::filesystem::create_directories(dir.path() / "Zed");
    MakeTree(dir.path() / "Zed");
    std::string zed = Win(dir.path() / "Zed");
    struct Case {
        std::string path;
        std::vector<std::string> entries;
        int levels;
        std::string current;
    } cases[] = {
        // A level that sorts after the sub-directories still stands above them.
        {zed, Concat(Levels(zed), kTreeSubdirs), int(Levels(zed).size()), zed},
        {zed + "\\", Concat(Levels(zed), kTreeSubdirs), int(Levels(zed).size()), zed},
        {zed + "\\nope", Levels(zed + "\\nope"), int(Levels(zed).size()) + 1, zed + "\\nope"},
        {"a\\\\b", {"a", "", "b"}, 3, "a\\\\b"},
    };
    for (const Case& c : cases) {
        TestParent parent;
        CDirListBox list;
        ASSERT_TRUE(MakeList(parent, list));
        EXPECT_TRUE(list.SetPath(c.path.c_str()));
        EXPECT_EQ(Entries(list), c.entries) << c.path;
        EXPECT_EQ(list.m_nLevels, c.levels) << c.path;
        EXPECT_EQ(list.GetPath(), c.current.c_str());
        EXPECT_EQ(list.GetCurSel(), LB_ERR) << "nothing is selected after SetPath";
    }
}

TEST(CDirListBoxTest, DriveRootAndEmptyPathListTheRoot)
{
    ScopedTempDir dir;  // the current directory is on drive C
    for (const char* path : {"C:", "C:\\", ""}) {
        TestParent parent;
        CDirListBox list;
        ASSERT_TRUE(MakeList(parent, list));
        list.SetPath(path);
        std::vector<std::string> entries = Entries(list);
        ASSERT_FALSE(entries.empty());
        EXPECT_EQ(list.m_nLevels, 1) << path;
        EXPECT_EQ(entries[0], *path ? "C:" : "") << path;
        EXPECT_EQ(list.GetPath(), *path ? "C:" : "");
        // Wine's C: holds "windows" (an 8.3 name) and "Program Files" (a long one).
        std::set<std::string> names(entries.begin() + 1, entries.end());
        EXPECT_TRUE(names.count("windows")) << path;
        EXPECT_TRUE(names.count("Program Files")) << path;
    }
}

TEST(CDirListBoxTest, OpenSelectedWalksTheTree)
{
    ScopedTempDir dir;
    std::filesystem::create_directories(dir.path() / "a" / "b");
    MakeTree(dir.path() / "a" / "a");
    std::string base = Win(dir.path() / "a");
    std::vector<std::string> baseLevels = Levels(base);
    int nBase = int(baseLevels.size());

    TestParent parent;
    CDirListBox list;
    ASSERT_TRUE(MakeList(parent, list));
    list.SetPath(base.c_str());
    ASSERT_EQ(Entries(list), Concat(baseLevels, {"a", "b"}));

    // Nothing selected: nothing changes.
    list.OpenSelected();
    EXPECT_EQ(Entries(list), Concat(baseLevels, {"a", "b"}));
    EXPECT_EQ(list.GetPath(), base.c_str());

    // A sub-directory with the same name as the level above: it becomes the last level and is
    // the selected entry (not the earlier level of the same name).
    list.SetCurSel(nBase);
    list.OpenSelected();
    EXPECT_EQ(Entries(list), Concat(Concat(baseLevels, {"a"}), kTreeSubdirs));
    EXPECT_EQ(list.m_nLevels, nBase + 1);
    EXPECT_EQ(list.GetPath(), (base + "\\a").c_str());
    EXPECT_EQ(list.GetCurSel(), nBase);

    // Opening "beta" (stored as BETA): the path carries the displayed name.
    list.SetCurSel(nBase + 1 + 2);
    list.OpenSelected();
    EXPECT_EQ(list.GetPath(), (base + "\\a\\beta").c_str());
    EXPECT_EQ(Entries(list), Concat(Concat(baseLevels, {"a", "beta"}), {"inner", "second"}));
    EXPECT_EQ(list.GetCurSel(), nBase + 1);

    // Opening the last level again lists its sub-directories afresh.
    std::filesystem::create_directories(dir.path() / "a" / "a" / "BETA" / "new");
    list.SetCurSel(nBase + 1);
    list.OpenSelected();
    EXPECT_EQ(Entries(list), Concat(Concat(baseLevels, {"a", "beta"}), {"inner", "new", "second"}));

    // Opening a level higher up drops the levels below it.
    list.SetCurSel(nBase - 1);
    list.OpenSelected();
    EXPECT_EQ(Entries(list), Concat(baseLevels, {"a", "b"}));
    EXPECT_EQ(list.GetPath(), base.c_str());
    EXPECT_EQ(list.m_nLevels, nBase);
}

namespace {
// A list whose scratch array can never be had.
class CStarvedDirListBox : public CDirListBox {
protected:
    CString** AllocSavedLevels(int) override { return nullptr; }
};
}  // namespace

TEST(CDirListBoxTest, LevelsSurviveAFailedBeginAdd)
{
    ScopedTempDir dir;
    std::filesystem::create_directories(dir.path() / "zzz");
    MakeTree(dir.path() / "zzz");
    std::string zzz = Win(dir.path() / "zzz");
    TestParent parent;
    CStarvedDirListBox list;
    ASSERT_TRUE(MakeList(parent, list));
    EXPECT_FALSE(list.BeginAdd());
    list.EndAdd();
    list.SetPath(zzz.c_str());
    EXPECT_EQ(Entries(list), Concat(Levels(zzz), kTreeSubdirs));
    list.SetCurSel(list.m_nLevels);  // "123"
    list.OpenSelected();
    EXPECT_EQ(Entries(list), Concat(Levels(zzz), {"123"}));
    EXPECT_EQ(list.GetPath(), (zzz + "\\123").c_str());
}

TEST(CDirListBoxTest, KeysReturnOpensTabMovesForwardEscapeIsKept)
{
    ScopedTempDir dir;
    MakeTree(dir.path());
    std::string root = Win(dir.path());
    TestParent parent(true);
    HWND before = CreateWindowExA(0, "BUTTON", "before", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 320, 10, 60, 20,
                                  parent.wnd.m_hWnd, HMENU(7), nullptr, nullptr);
    CDirListBox list;
    ASSERT_TRUE(MakeList(parent, list));
    HWND after = CreateWindowExA(0, "BUTTON", "after", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 320, 40, 60, 20,
                                 parent.wnd.m_hWnd, HMENU(8), nullptr, nullptr);
    ASSERT_NE(before, nullptr);
    ASSERT_NE(after, nullptr);
    list.SetPath(root.c_str());
    int nLevels = list.m_nLevels;

    EXPECT_EQ(list.SendMessage(WM_GETDLGCODE) & DLGC_WANTALLKEYS, LRESULT(DLGC_WANTALLKEYS));

    // Return with nothing selected: nothing happens.
    list.SendMessage(WM_CHAR, '\r', 1);
    Pump();
    EXPECT_EQ(list.GetPath(), root.c_str());

    // Return on "zeta": the posted double-click notification opens it.
    list.SetCurSel(nLevels + 4);
    list.SendMessage(WM_CHAR, '\r', 1);
    EXPECT_EQ(list.GetPath(), root.c_str()) << "posted, not sent";
    Pump();
    EXPECT_EQ(list.GetPath(), (root + "\\zeta").c_str());

    // Tab and Shift+Tab both move forward to the next tab stop.
    for (bool shift : {false, true}) {
        list.SetFocus();
        ASSERT_EQ(GetFocus(), list.m_hWnd);
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        list.SendMessage(WM_CHAR, '\t', 1);
        EXPECT_EQ(GetFocus(), after) << (shift ? "Shift+Tab" : "Tab");
    }
}

namespace {
// A described set of drives for the drive box.
struct FakeDrive {
    std::string root;
    UINT type;
    const char* label;  // null: the volume information cannot be read
    DWORD flags;
};
std::vector<FakeDrive> g_drives;
std::vector<std::string> g_volumeQueries;

DWORD WINAPI FakeDriveStrings(DWORD nBufferLength, LPSTR lpBuffer)
{
    std::string all;
    for (const FakeDrive& d : g_drives) all += d.root + '\0';
    if (nBufferLength < all.size() + 1) return DWORD(all.size() + 1);
    memcpy(lpBuffer, all.c_str(), all.size() + 1);
    return DWORD(all.size());
}

UINT WINAPI FakeDriveType(LPCSTR root)
{
    for (const FakeDrive& d : g_drives)
        if (d.root == root) return d.type;
    return DRIVE_NO_ROOT_DIR;
}

BOOL WINAPI FakeVolumeInformation(LPCSTR root, LPSTR label, DWORD nLabel, LPDWORD, LPDWORD maxComponent, LPDWORD flags,
                           LPSTR, DWORD)
{
    g_volumeQueries.push_back(root);
    for (const FakeDrive& d : g_drives) {
        if (d.root != root) continue;
        if (!d.label) {
            memset(label, 'X', nLabel);  // garbage that must not be shown
            return FALSE;
        }
        lstrcpynA(label, d.label, int(nLabel));
        *maxComponent = 255;
        *flags = d.flags;
        return TRUE;
    }
    return FALSE;
}

const DrivePlatform kFakeDrives = {FakeDriveStrings, FakeDriveType, FakeVolumeInformation};

const DWORD kStyleCombo = CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE | CBS_HASSTRINGS | CBS_SORT | CBS_AUTOHSCROLL |
                          CBS_NOINTEGRALHEIGHT | WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP;

std::vector<std::string> ComboEntries(const CComboBox& box)
{
    std::vector<std::string> out;
    CString text;
    for (int i = 0; i < box.GetCount(); ++i) {
        box.GetLBText(i, text);
        out.push_back(text.Str());
    }
    return out;
}

bool MakeCombo(TestParent& parent, CDriveComboBox& box)
{
    HWND h = CreateWindowExA(0, "COMBOBOX", "", kStyleCombo, 10, 10, 200, 150, parent.wnd.m_hWnd, HMENU(1004),
                             nullptr, nullptr);
    return h && box.SubclassWindow(h);
}
}  // namespace

TEST(CDriveComboBoxTest, ListsDrivesWithLabelsWithoutCdRomOrRemovableMedia)
{
    g_drives = {
        {"A:\\", DRIVE_REMOVABLE, "FLOPPY", 0},
        {"C:\\", DRIVE_FIXED, "SYSTEM", 0},
        {"D:\\", DRIVE_CDROM, "DISC", 0},
        {"E:\\", DRIVE_FIXED, "Data", FS_CASE_SENSITIVE},
        {"f:\\", DRIVE_REMOTE, "Share", 0},
        {"G:\\", DRIVE_FIXED, nullptr, 0},
        {"H:\\", DRIVE_RAMDISK, "RAM", FS_CASE_SENSITIVE | FS_CASE_IS_PRESERVED},
    };
    struct Case {
        BOOL bNoCdRom;
        std::vector<std::string> entries;
        std::vector<int32_t> types;
        std::vector<std::string> queried;
    } cases[] = {
        {TRUE, {"A: ", "C: system", "E: Data", "F: share", "G: ", "H: RAM"}, {2, 3, 3, 4, 3, 6},
         {"C:\\", "E:\\", "f:\\", "G:\\", "H:\\"}},
        {FALSE, {"A: ", "C: system", "D: disc", "E: Data", "F: share", "G: ", "H: RAM"}, {2, 3, 5, 3, 4, 3, 6},
         {"C:\\", "D:\\", "E:\\", "f:\\", "G:\\", "H:\\"}},
    };
    for (const Case& c : cases) {
        g_volumeQueries.clear();
        TestParent parent;
        CDriveComboBox box(&kFakeDrives);
        ASSERT_TRUE(MakeCombo(parent, box));
        EXPECT_TRUE(box.FillDrives("C:\\Program Files\\App", c.bNoCdRom));
        EXPECT_EQ(ComboEntries(box), c.entries);
        EXPECT_EQ(std::vector<int32_t>(box.m_driveTypes, box.m_driveTypes + c.types.size()), c.types);
        EXPECT_EQ(g_volumeQueries, c.queried) << "removable media are never read";
        EXPECT_EQ(box.GetCurSel(), 1);
        EXPECT_EQ(box.GetDrive(), "") << "a programmatic selection is not a choice";
    }
}

TEST(CDriveComboBoxTest, SelectDriveAndTheUsersChoice)
{
    g_drives = {
        {"A:\\", DRIVE_REMOVABLE, "", 0},
        {"C:\\", DRIVE_FIXED, "SYSTEM", 0},
        {"D:\\", DRIVE_CDROM, "DISC", 0},
        {"E:\\", DRIVE_FIXED, "Data", FS_CASE_SENSITIVE},
    };
    TestParent parent;
    CDriveComboBox box(&kFakeDrives);
    ASSERT_TRUE(MakeCombo(parent, box));
    box.FillDrives("C:\\", TRUE);
    struct Case {
        const char* path;
        int selected;
    } cases[] = {
        {"C:\\Program Files\\App", 1}, {"D:\\setup", -1}, {"e:\\games", 2}, {"A:", 0},
        {"", -1}, {"no colon", -1}, {"Q:\\", -1},
    };
    for (const Case& c : cases) {
        box.SetCurSel(1);
        box.SelectDrive(c.path);
        EXPECT_EQ(box.GetCurSel(), c.selected) << c.path;
    }
    // The user settles on A:: the notification reaches the box before anyone else.
    box.SetCurSel(0);
    parent.wnd.SendMessage(WM_COMMAND, MAKEWPARAM(1004, CBN_SELENDOK), LPARAM(box.m_hWnd));
    EXPECT_EQ(box.GetDrive(), "A:");
    box.SetCurSel(2);
    parent.wnd.SendMessage(WM_COMMAND, MAKEWPARAM(1004, CBN_SELENDOK), LPARAM(box.m_hWnd));
    EXPECT_EQ(box.GetDrive(), "E:");
}

namespace {
// Draws one entry into a white 64 x 16 bitmap and reads pixels back.
struct EntryCanvas {
    CDC dc;
    HBITMAP bmp;
    HGDIOBJ old;
    EntryCanvas()
    {
        dc.CreateCompatibleDC(nullptr);
        BITMAPINFO bi = {};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 160, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        old = dc.SelectObject(bmp);
        RECT all = {0, 0, 160, 16};
        dc.FillSolidRect(&all, RGB(255, 255, 255));
    }
    ~EntryCanvas()
    {
        dc.SelectObject(old);
        DeleteObject(bmp);
    }
    DRAWITEMSTRUCT Record(HWND hwnd, int item, UINT action, UINT state)
    {
        DRAWITEMSTRUCT dis = {};
        dis.CtlType = ODT_LISTBOX;
        dis.itemID = UINT(item);
        dis.itemAction = action;
        dis.itemState = state;
        dis.hwndItem = hwnd;
        dis.hDC = dc.m_hDC;
        dis.rcItem = {0, 0, 160, 16};
        return dis;
    }
};
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kDarkGrey = RGB(128, 128, 128);
}  // namespace

TEST(CDirListBoxTest, DrawsIndentedTransparentPicturesAndHighlightsTheFocus)
{
    TestParent parent;
    CDirListBox list;
    ASSERT_TRUE(MakeList(parent, list));
    list.SetPath("no\\such\\dir");  // three levels, no sub-directories
    list.AddString("sub");          // one sub-directory for the drawing
    ASSERT_EQ(list.m_nLevels, 3);
    COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    struct Case {
        int item;
        UINT action;
        UINT state;
        int indent;          // where the picture starts
        COLORREF background; // a pixel the picture leaves transparent
        int outlineX, outlineY;  // a dark-grey outline pixel of that picture
    } cases[] = {
        {0, ODA_FOCUS, ODS_FOCUS, 0, highlight, 2, 1},
        {2, ODA_FOCUS, ODS_FOCUS, 16, highlight, 2, 1},
        {2, ODA_FOCUS, 0, 16, GetSysColor(COLOR_WINDOW), 2, 1},
        {2, ODA_DRAWENTIRE, ODS_FOCUS, 16, RGB(255, 255, 255), 2, 1},  // no background unless the focus changes
        {3, ODA_DRAWENTIRE, 0, 24, RGB(255, 255, 255), 1, 4},          // closed folder one step deeper
    };
    for (const Case& c : cases) {
        EntryCanvas canvas;
        DRAWITEMSTRUCT dis = canvas.Record(list.m_hWnd, c.item, c.action, c.state);
        list.DrawItem(&dis);
        SCOPED_TRACE(c.item);
        EXPECT_EQ(canvas.dc.GetPixel(c.indent, 0), c.background) << "blue is transparent";
        EXPECT_EQ(canvas.dc.GetPixel(c.indent + c.outlineX, c.outlineY), kDarkGrey);
        EXPECT_NE(canvas.dc.GetPixel(c.indent + c.outlineX, c.outlineY), kBlue);
        if (c.indent > 0) {
            EXPECT_EQ(canvas.dc.GetPixel(c.indent - 1, 5), c.background) << "indentation";
        }
        EXPECT_EQ(canvas.dc.GetPixel(155, 8), c.background);
        EXPECT_EQ(canvas.dc.GetTextColor(), RGB(0, 0, 0)) << "text colour restored";
    }
}

TEST(CDriveComboBoxTest, DrawsThePictureOfEachDriveType)
{
    g_drives = {
        {"A:\\", DRIVE_REMOVABLE, "", 0},
        {"C:\\", DRIVE_FIXED, "SYSTEM", 0},
        {"N:\\", DRIVE_UNKNOWN, "", 0},
    };
    TestParent parent;
    CDriveComboBox box(&kFakeDrives);
    ASSERT_TRUE(MakeCombo(parent, box));
    box.FillDrives("C:", TRUE);
    COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    struct Case {
        int item;
        UINT state;
        COLORREF background;
        int x, y;
        COLORREF colour;  // a telling pixel of the picture
    } cases[] = {
        {0, ODS_FOCUS, highlight, 12, 10, RGB(255, 0, 0)},        // removable: red light
        {1, 0, GetSysColor(COLOR_WINDOW), 12, 10, RGB(0, 255, 0)},  // fixed: green light
        {2, 0, GetSysColor(COLOR_WINDOW), 6, 1, RGB(255, 0, 0)},    // unknown: red question mark
    };
    for (const Case& c : cases) {
        EntryCanvas canvas;
        DRAWITEMSTRUCT dis = canvas.Record(box.m_hWnd, c.item, ODA_DRAWENTIRE, c.state);
        box.DrawItem(&dis);
        SCOPED_TRACE(c.item);
        EXPECT_EQ(canvas.dc.GetPixel(0, 0), c.background);
        EXPECT_EQ(canvas.dc.GetPixel(c.x, c.y), c.colour);
        EXPECT_EQ(canvas.dc.GetPixel(155, 1), c.background);
    }
}

TEST(CDirectoryDlgTest, GetPathGivesABareDriveItsBackslash)
{
    struct Case {
        const char* initial;
        const char* path;
    } cases[] = {
        {"C:", "C:\\"}, {"D:", "D:\\"}, {"C:\\", "C:\\"}, {"E:\\Games", "E:\\Games"}, {"E:\\Games\\", "E:\\Games\\"},
        {"", ""}, {"ab", "ab\\"},
    };
    for (const Case& c : cases) {
        CDirectoryDlg dlg(c.initial);
        EXPECT_EQ(dlg.GetPath(), c.path) << c.initial;
        EXPECT_EQ(dlg.GetPath(), c.path) << "a second call adds nothing";
    }
}
