// The installation worker under Wine: real files, real registry, notifications received by a real
// window on another thread. The disk images come from make_install_images (host), through the
// directory named by ZRV_INSTALL_IMAGES.
#include "AfxCodePage.h"
#include "AfxHandle.h"
#include "AfxMessageBox.h"
#include "AfxThread.h"
#include "AfxWnd.h"
#include "EntryName.h"
#include "InstallFixtures.h"
#include "InstallWorker.h"
#include "SetupExtensions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace {

const char kProduct[] = "ZrvWorkerTest";
const char kUserKey[] = "Software\\ZrvWorkerTest";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZrvWorkerTest";

struct Note {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    std::string text;  // WM_INSTALL_STATUS only
    bool operator==(const Note& o) const
    {
        return msg == o.msg && wParam == o.wParam && lParam == o.lParam && text == o.text;
    }
};

std::ostream& operator<<(std::ostream& os, const Note& n)
{
    return os << "{" << (n.msg - WM_APP) << ", " << n.wParam << ", " << n.lParam << ", '" << n.text << "'}";
}

Note Status(const std::string& text) { return {WM_INSTALL_STATUS, 0, 0, text}; }
Note Msg(UINT msg, LPARAM l) { return {msg, 0, l, ""}; }

// A window on a thread of its own that records the worker's notifications, as the progress
// dialog would receive them: status texts are copied and given back.
class Receiver {
public:
    using Hook = std::function<void(const Note&)>;

    explicit Receiver(DWORD dwDelayMs = 0, Hook hook = {}) : m_dwDelay(dwDelayMs), m_hook(std::move(hook))
    {
        m_hClosed.Attach(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        CHandle ready(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        m_pReady = ready.Get();
        m_hThread.Attach(CreateThread(nullptr, 0, &Receiver::ThreadMain, this, 0, nullptr));
        WaitForSingleObject(ready.Get(), INFINITE);
    }
    ~Receiver()
    {
        PostMessageA(m_hwnd, WM_APP, 0, 0);
        WaitForSingleObject(m_hThread.Get(), INFINITE);
    }
    HWND Window() const { return m_hwnd; }
    bool WaitClosed(DWORD ms) { return WaitForSingleObject(m_hClosed.Get(), ms) == WAIT_OBJECT_0; }
    std::vector<Note> Notes()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_notes;
    }

private:
    static DWORD WINAPI ThreadMain(LPVOID p)
    {
        Receiver* self = static_cast<Receiver*>(p);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &Receiver::WndProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "ZrvNoteReceiver";
        RegisterClassA(&wc);  // a second registration fails harmlessly
        self->m_hwnd = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrA(self->m_hwnd, GWLP_USERDATA, LONG_PTR(self));
        SetEvent(self->m_pReady);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            if (msg.message == WM_APP) break;
            DispatchMessageA(&msg);
        }
        DestroyWindow(self->m_hwnd);
        return 0;
    }
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l)
    {
        Receiver* self = reinterpret_cast<Receiver*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (!self || !((msg >= WM_INSTALL_STATUS && msg <= WM_INSTALL_TOTAL_STEP) || msg == WM_CLOSE))
            return DefWindowProcA(hwnd, msg, w, l);
        if (self->m_dwDelay) Sleep(self->m_dwDelay);
        Note note{msg, w, msg == WM_INSTALL_STATUS ? 0 : l, ""};
        if (msg == WM_INSTALL_STATUS) {
            note.text = reinterpret_cast<const char*>(l);
            InstallReleaseStatusText(l);
        }
        {
            std::lock_guard<std::mutex> lock(self->m_lock);
            self->m_notes.push_back(note);
        }
        if (self->m_hook) self->m_hook(note);
        if (msg == WM_CLOSE) SetEvent(self->m_hClosed.Get());
        return 0;
    }

    DWORD m_dwDelay;
    Hook m_hook;
    HANDLE m_pReady = nullptr;
    CHandle m_hThread;
    CHandle m_hClosed;
    HWND m_hwnd = nullptr;
    std::mutex m_lock;
    std::vector<Note> m_notes;
};

// Every test here reads the images: without the folder's name the program stops before any runs,
// with one line that says what is missing.
class ImagesNamed : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (std::getenv("ZRV_INSTALL_IMAGES")) return;
        std::fprintf(stderr, "ZRV_INSTALL_IMAGES is not set: name the folder that make_install_images wrote "
                             "(the build's install-images); no test was run\n");
        std::exit(2);
    }
};
const auto* const kImagesNamed = ::testing::AddGlobalTestEnvironment(new ImagesNamed);

std::string ImagesDir()
{
    std::string dir = std::string("Z:") + std::getenv("ZRV_INSTALL_IMAGES");
    for (char& ch : dir)
        if (ch == '/') ch = '\\';
    return dir;
}

std::string ReadFileBytes(const std::string& path, bool* pExists = nullptr)
{
    CHandle h(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (pExists) *pExists = h.IsValid();
    if (!h) return "";
    std::string data;
    char buf[65536];
    DWORD n = 0;
    while (ReadFile(h.Get(), buf, sizeof buf, &n, nullptr) && n > 0) data.append(buf, n);
    return data;
}

void WriteFileBytes(const std::string& path, const std::string& data)
{
    CHandle h(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD n = 0;
    WriteFile(h.Get(), data.data(), DWORD(data.size()), &n, nullptr);
}

bool IsDirectory(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Names in a directory, sorted by the system's enumeration order put in byte order.
std::vector<std::string> ListDir(const std::string& dir)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    CFindHandle h(FindFirstFileA((dir + "\\*").c_str(), &fd));
    if (!h) return names;
    do {
        std::string n = fd.cFileName;
        if (n != "." && n != "..") names.push_back(n);
    } while (FindNextFileA(h.Get(), &fd));
    std::sort(names.begin(), names.end());
    return names;
}

void RemoveTree(const std::string& path)
{
    if (IsDirectory(path)) {
        for (const std::string& n : ListDir(path)) RemoveTree(path + "\\" + n);
        RemoveDirectoryA(path.c_str());
    } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    }
}

void DeleteTestKeys()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, kUserKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
}

const char kScriptText[] =
    "INSTALL4\r\n[ZrvWorkerTest]\r\nAppDescription=Worker test\r\nDiskImage=x.001\r\nDefaultDir=C:\\x\r\n"
    "FreeSpace=1\r\n\r\nREGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\ZrvWorkerTest]\r\n"
    "\"Path\"=\"%INSTALLPATH%\"\r\n\"Count\"=dword:0000002a\r\n\"Blob\"=hex:01,02,ff\r\n";
const char kRegistryLog[] =
    "[\\REGEDIT4]\r\n\\[HKEY_CURRENT_USER\\Software\\ZrvWorkerTest]\r\nPath\r\nCount\r\nBlob\r\n"
    "\\[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZrvWorkerTest]\r\n"
    "DisplayName\r\nUninstallString\r\nQuietUninstallString\r\nInstallLocation\r\nEstimatedSize\r\nDisplayIcon\r\nNoModify\r\nNoRepair\r\n";

struct Box {
    std::string text;
    UINT type;
    bool operator==(const Box& o) const { return text == o.text && type == o.type; }
};
std::ostream& operator<<(std::ostream& os, const Box& b) { return os << "{'" << b.text << "', " << b.type << "}"; }

struct RunResult {
    DWORD exitCode = 0xDEAD;
    int cancel = 0, done = 0, failed = 0, written = 0;
    std::vector<Note> notes;
    std::vector<Box> boxes;
    std::vector<std::string> said;  // what the worker told the silent run's log
};

// A fresh working directory holding Setup.ini (the registry script's source) and an empty target
// directory below it; the test's registry keys are removed before and after.
class WorkerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        m_base = std::string(tmp) + "zrv-worker-" + std::to_string(GetCurrentProcessId()) + "-" +
                 std::to_string(++s_counter);
        RemoveTree(m_base);
        ASSERT_TRUE(CreateDirectoryA(m_base.c_str(), nullptr));
        GetCurrentDirectoryA(MAX_PATH, tmp);
        m_oldDir = tmp;
        SetCurrentDirectoryA(m_base.c_str());
        WriteFileBytes("Setup.ini", fixtures::Chained(kScriptText));
        m_target = m_base + "\\target";
        ASSERT_TRUE(CreateDirectoryA(m_target.c_str(), nullptr));
        DeleteTestKeys();
    }
    void TearDown() override
    {
        SetCurrentDirectoryA(m_oldDir.c_str());
        RemoveTree(m_base);
        DeleteTestKeys();
        AfxSetMessageBoxHandler({});
    }

    // Runs the worker over image (a name in the images directory, or a full path) as the flow
    // does; the message boxes are answered from answers (then OK/Cancel as a user who closes them).
    RunResult Run(const std::string& image, Receiver& receiver, std::deque<int> answers = {},
                  InstallFlag* pCancel = nullptr, bool withWindow = true)
    {
        RunResult r;
        std::mutex boxLock;
        AfxSetMessageBoxHandler([&](const CString& text, UINT type) {
            std::lock_guard<std::mutex> lock(boxLock);
            r.boxes.push_back({text.GetString(), type});
            if (m_onBox) m_onBox();
            if (!answers.empty()) {
                int a = answers.front();
                answers.pop_front();
                return a;
            }
            return (type & 0x0F) == MB_RETRYCANCEL ? IDCANCEL : IDOK;
        });
        CString strImage = image.find('\\') != std::string::npos ? image : ImagesDir() + "\\" + image + ".001";
        CString strTarget = m_target.c_str();
        CString strProduct = kProduct;
        InstallFlag cancel{0}, done{0}, failed{0}, written{0};
        CWnd dialog;
        dialog.m_hWnd = withWindow ? receiver.Window() : nullptr;
        InstallJob job = {&dialog, &strImage, &strTarget, &strProduct, pCancel ? pCancel : &cancel, &done, &failed, &written, &m_restart, false, m_bSilent, false, {}};
        job.note = [&r](const CString& text) { r.said.push_back(text.GetString()); };
        job.pExtensions = m_pExtensions;
        CWinThread* thread = AfxBeginThread(InstallWorker, &job, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
        EXPECT_NE(thread, nullptr);
        thread->ResumeThread();
        EXPECT_EQ(WaitForSingleObject(thread->m_hThread, 120000), WAIT_OBJECT_0);
        if (withWindow) {
            EXPECT_TRUE(receiver.WaitClosed(60000));
        }
        GetExitCodeThread(thread->m_hThread, &r.exitCode);
        delete thread;
        dialog.m_hWnd = nullptr;
        r.cancel = GetInstallFlag(job.pCancel);
        r.done = GetInstallFlag(&done);
        r.failed = GetInstallFlag(&failed);
        r.written = GetInstallFlag(&written);
        r.notes = receiver.Notes();
        AfxSetMessageBoxHandler({});
        return r;
    }

    std::string Log() { return ReadFileBytes(m_target + "\\Install.log"); }
    std::string Record() { return ReadFileBytes(m_target + "\\Install.prior"); }

    static int s_counter;
    std::string m_base, m_target, m_oldDir;
    bool m_bSilent = false;              // the job's
    const SetupExtensions* m_pExtensions = nullptr;  // the job's: null, as Setup.ini read by nobody
    InstallFlag m_restart{0};            // the job's restart flag, as the run left it
    std::function<void()> m_onBox;       // called as each box is answered
};
int WorkerTest::s_counter = 0;

std::string RegString(HKEY root, const char* key, const char* name, DWORD* pType)
{
    char data[1024] = {};
    DWORD size = sizeof data;
    *pType = 0;
    if (RegGetValueA(root, key, name, RRF_RT_ANY, pType, data, &size) != ERROR_SUCCESS) return "<missing>";
    return std::string(data, size);
}

// A failed run: exactly these boxes, the failed flag set, the done flag left at 0, exit code 1,
// and the dialog closed at the end.
void ExpectFailedRun(const RunResult& r, const std::vector<Box>& boxes)
{
    EXPECT_EQ(r.boxes, boxes);
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(r.done, 0);
    ASSERT_FALSE(r.notes.empty());
    EXPECT_EQ(r.notes.back(), Msg(WM_CLOSE, 0));
}

// The notifications of a complete run over the entries, chunk by chunk.
std::vector<Note> ExpectedNotes(const std::vector<fixtures::StoredEntry>& entries, uint32_t total, bool registry)
{
    std::vector<Note> n = {Status("Please wait, initializing..."), Msg(WM_INSTALL_TOTAL_SIZE, total),
                           Msg(WM_INSTALL_TOTAL_RESET, 0)};
    for (const fixtures::StoredEntry& e : entries) {
        if (e.name[0] == '\\') continue;
        n.push_back(Status(Cp1252ToUtf8(e.name)));
        n.push_back(Msg(WM_INSTALL_FILE_SIZE, e.nSize));
        n.push_back(Msg(WM_INSTALL_FILE_RESET, 0));
        for (uint32_t left = e.nSize; left > 0;) {
            uint32_t c = left < 4096 ? left : 4096;
            n.push_back(Msg(WM_INSTALL_FILE_STEP, c));
            n.push_back(Msg(WM_INSTALL_TOTAL_STEP, c));
            left -= c;
        }
    }
    if (registry) n.push_back(Status("Updating Registry..."));
    n.push_back(Msg(WM_CLOSE, 0));
    return n;
}

// The whole main image, with a quick and a slow receiver: every file byte for byte, the log byte
// for byte, every notification in order, the registry values with their types.
TEST_F(WorkerTest, InstallsTheMainImageCompletely)
{
    for (DWORD delay : {0u, 3u}) {
        SCOPED_TRACE(delay);
        RemoveTree(m_target);
        CreateDirectoryA(m_target.c_str(), nullptr);
        DeleteTestKeys();
        Receiver receiver(delay);
        RunResult r = Run("main", receiver);
        EXPECT_EQ(r.exitCode, 0u);
        EXPECT_EQ(r.done, 1);
        EXPECT_EQ(r.failed, 0);
        EXPECT_EQ(r.boxes, std::vector<Box>{});
        EXPECT_EQ(r.written, 1);

        std::vector<fixtures::StoredEntry> entries = fixtures::MainStream();
        uint32_t total = 0;
        std::string log;
        for (const fixtures::StoredEntry& e : entries) {
            total += e.nSize;
            log += e.name + "\r\n";
            // The log keeps the medium's Windows-1252 bytes; the files have the names they stand for.
            std::string path = m_target + "\\" + Cp1252ToUtf8(e.name[0] == '\\' ? e.name.substr(1) : e.name);
            if (e.name[0] == '\\') {
                EXPECT_TRUE(IsDirectory(path)) << path;
            } else {
                bool exists = false;
                EXPECT_TRUE(ReadFileBytes(path, &exists) == fixtures::Content(e.nSize, e.nSeed)) << path;
                EXPECT_TRUE(exists) << path;
            }
        }
        EXPECT_EQ(Log(), log + kRegistryLog);
        EXPECT_EQ(r.notes, ExpectedNotes(entries, total, true));

        DWORD type;
        EXPECT_EQ(RegString(HKEY_CURRENT_USER, kUserKey, "Path", &type), m_target + std::string(1, '\0'));
        EXPECT_EQ(type, DWORD(REG_SZ));
        EXPECT_EQ(RegString(HKEY_CURRENT_USER, kUserKey, "Count", &type), std::string("\x2a\0\0\0", 4));
        EXPECT_EQ(type, DWORD(REG_DWORD));
        EXPECT_EQ(RegString(HKEY_CURRENT_USER, kUserKey, "Blob", &type), "\x01\x02\xff");
        EXPECT_EQ(type, DWORD(REG_BINARY));
        EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", &type), std::string(kProduct) + '\0');
        EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", &type),
                  "\"" + m_target + "\\Uninstal.exe\"" + '\0');
        EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation", &type), m_target + '\0');
        DWORD kb = (total + 1023) / 1024;
        EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize", &type),
                  std::string(reinterpret_cast<const char*>(&kb), 4));
        EXPECT_EQ(type, DWORD(REG_DWORD));
        // Nothing was there before: the record has its first line only.
        EXPECT_EQ(Record(), "ZORVAN-PRIOR\t2\r\n");
    }
}

// The record of what was there: written beside the log in every run that writes a log, each line
// before what it records, so that a stopped or failed run leaves one that covers its log; and an
// installation over an earlier one finds nothing that the earlier one made.
TEST_F(WorkerTest, RecordsWhatWasThere)
{
    const std::string head = "ZORVAN-PRIOR\t2\r\n";
    struct Case {
        const char* pszWhat;
        const char* image;
        std::function<void(const std::string& target)> prepare;
        bool bCancelInBig;
        std::string record;
    } cases[] = {
        {"an existing folder and a file of the user's", "target",
         [](const std::string& t) {
             CreateDirectoryA((t + "\\d").c_str(), nullptr);
             WriteFileBytes(t + "\\mine.txt", "m");
         },
         false, head + "target\r\ndirectory\td\r\n"},
        {"stopped in the middle of a file", "big", [](const std::string& t) { WriteFileBytes(t + "\\mine.txt", "m"); },
         true, head + "target\r\n"},
        {"a failed run: a folder where the file goes", "target",
         [](const std::string& t) {
             CreateDirectoryA((t + "\\d").c_str(), nullptr);
             CreateDirectoryA((t + "\\d\\f.txt").c_str(), nullptr);
         },
         false, head + "target\r\ndirectory\td\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        RemoveTree(m_target);
        CreateDirectoryA(m_target.c_str(), nullptr);
        DeleteTestKeys();
        c.prepare(m_target);
        InstallFlag cancel{0};
        bool inBig = false;
        Receiver receiver(0, [&](const Note& n) {
            if (n.msg == WM_INSTALL_STATUS) inBig = n.text == "big.bin";
            if (c.bCancelInBig && inBig && n.msg == WM_INSTALL_FILE_STEP) SetInstallFlag(&cancel, 1);
        });
        Run(c.image, receiver, {}, &cancel);
        EXPECT_EQ(Record(), c.record);
    }

    // Installed twice into the same folder, with a value of the script replaced in between: the
    // second run finds only that value, with the data it had before the first run.
    RemoveTree(m_target);
    CreateDirectoryA(m_target.c_str(), nullptr);
    DeleteTestKeys();
    {
        CRegKey h;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kUserKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, h.Receive(), nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(h.Get(), "Blob", 0, REG_BINARY, reinterpret_cast<const BYTE*>("\x07"), 1);
    }
    const std::string found = head + "key\tHKEY_CURRENT_USER\tSoftware\\ZrvWorkerTest\r\n"
                                     "value\tHKEY_CURRENT_USER\tSoftware\\ZrvWorkerTest\tBlob\tREG_BINARY\t07\t"
                                     "REG_BINARY\t0102ff\r\n";
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        Receiver receiver;
        RunResult r = Run("main", receiver);
        EXPECT_EQ(r.exitCode, 0u);
        EXPECT_EQ(Record(), found);
    }
    DeleteTestKeys();
}

// Runs that end normally though they are unusual.
TEST_F(WorkerTest, EdgeCasesThatSucceed)
{
    struct Case {
        const char* image;
        std::function<void(const std::string& target)> prepare;
        std::vector<fixtures::StoredEntry> installed;  // what the run must have written, in order
        uint32_t total;
    } cases[] = {
        {"zero", nullptr, {}, 0},
        // The total is used up after a.txt: b.txt is never read.
        {"short", nullptr, {{"a.txt", 5, 7}}, 5},
        // An existing directory is accepted; an existing file is replaced.
        {"target",
         [](const std::string& t) {
             CreateDirectoryA((t + "\\d").c_str(), nullptr);
             WriteFileBytes(t + "\\d\\f.txt", std::string(50000, 'o'));
         },
         {{"\\d", 0, 0}, {"d\\f.txt", 12, 11}}, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.image);
        RemoveTree(m_target);
        CreateDirectoryA(m_target.c_str(), nullptr);
        if (c.prepare) c.prepare(m_target);
        Receiver receiver;
        RunResult r = Run(c.image, receiver);
        EXPECT_EQ(r.exitCode, 0u);
        EXPECT_EQ(r.done, 1);
        EXPECT_EQ(r.failed, 0);
        EXPECT_EQ(r.boxes, std::vector<Box>{});
        std::string log;
        for (const fixtures::StoredEntry& e : c.installed) {
            log += e.name + "\r\n";
            if (e.name[0] != '\\') {
                EXPECT_TRUE(ReadFileBytes(m_target + "\\" + e.name) == fixtures::Content(e.nSize, e.nSeed));
            }
        }
        EXPECT_EQ(Log(), log + kRegistryLog);
        EXPECT_EQ(r.notes, ExpectedNotes(c.installed, c.total, true));
    }
    EXPECT_FALSE(ReadFileBytes(m_target + "\\b.txt").size());
}

// Runs that fail: one message, the failed flag set, the done flag left at 0, the dialog closed,
// exit code 1, no registry step.
TEST_F(WorkerTest, FailuresEndWithOneMessage)
{
    CHandle hHeld;
    struct Case {
        const char* image;
        std::function<void(const std::string& target)> prepare;
        std::string message;  // "%T" stands for the target directory
        std::string log;
    } cases[] = {
        {"missingparent", nullptr, "FATAL: unable to create directory '%T\\a\\b'", ""},
        // Root ignores the read-only attribute under Wine: a directory in the file's place, and a
        // file held open without sharing, refuse the open instead.
        {"target",
         [](const std::string& t) {
             CreateDirectoryA((t + "\\d").c_str(), nullptr);
             CreateDirectoryA((t + "\\d\\f.txt").c_str(), nullptr);
         },
         "FATAL: access denied on 'f.txt'", "\\d\r\n"},
        // (A file that another program holds is asked about first: AFileInUse.)
        // A file where a directory should be is not an existing directory.
        {"target", [](const std::string& t) { WriteFileBytes(t + "\\d", "file"); },
         "FATAL: unable to create directory '%T\\d'", ""},
        {"zero", [](const std::string& t) { CreateDirectoryA((t + "\\Install.log").c_str(), nullptr); },
         "FATAL: access denied on 'Install.log'", "<none>"},
        {"under", nullptr, "FATAL: the file 'under.001' is corrupted: the sizes of its entries do not add up", ""},
        {"nofolder", nullptr, "FATAL: unable to open 'x.txt'", ""},
        // What a failure leaves half-written is listed, so that it can be uninstalled.
        {"cut", nullptr, "FATAL: unexpected end of file", "f.txt\r\n"},
        {"over", nullptr, "FATAL: the file '%I\\over.001' is corrupted: its contents end too early", "f.txt\r\n"},
        {"inname", nullptr, "FATAL: the file '%I\\inname.001' is corrupted: its contents end too early", "f.txt\r\n"},
        {"unterminated", nullptr,
         "FATAL: the file 'unterminated.001' is corrupted: bad entry name '" + std::string(256, 'A') +
             "' (no end within 256 bytes)",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        RemoveTree(m_target);
        CreateDirectoryA(m_target.c_str(), nullptr);
        if (c.prepare) c.prepare(m_target);
        Receiver receiver;
        RunResult r = Run(c.image, receiver);
        hHeld.Close();
        std::string message = c.message;
        if (message.find("%T") != std::string::npos) message.replace(message.find("%T"), 2, m_target);
        if (message.find("%I") != std::string::npos) message.replace(message.find("%I"), 2, ImagesDir());
        EXPECT_EQ(r.boxes, (std::vector<Box>{{message, MB_ICONHAND}}));
        EXPECT_EQ(r.exitCode, 1u);
        EXPECT_EQ(r.failed, 1);
        EXPECT_EQ(r.done, 0);
        ASSERT_FALSE(r.notes.empty());
        EXPECT_EQ(r.notes.back(), Msg(WM_CLOSE, 0));
        for (const Note& n : r.notes) EXPECT_NE(n.text, "Updating Registry...");
        if (c.log != "<none>") {
            EXPECT_EQ(Log(), c.log);
        }
    }
    DWORD type;
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, kUserKey, "Path", &type), "<missing>");
}

// Every hostile name is a corrupted image: one message naming it, nothing created anywhere but the
// log in the target directory.
TEST_F(WorkerTest, HostileEntryNamesAreRefused)
{
    const std::vector<std::string>& names = fixtures::HostileNames();
    for (size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        RemoveTree(m_target);
        CreateDirectoryA(m_target.c_str(), nullptr);
        Receiver receiver;
        RunResult r = Run(fixtures::HostileImage(i), receiver);
        ASSERT_EQ(r.boxes.size(), 1u);
        std::string expected = "FATAL: the file '" + fixtures::HostileImage(i) + ".001' is corrupted: bad entry name '" +
                               EscapeControls(names[i], false) + "' (";
        EXPECT_EQ(r.boxes[0].text.substr(0, expected.size()), expected);
        EXPECT_EQ(r.exitCode, 1u);
        EXPECT_EQ(r.failed, 1);
        EXPECT_EQ(r.done, 0);
        EXPECT_EQ(ListDir(m_target), (std::vector<std::string>{"Install.log", "Install.prior"}));
        EXPECT_EQ(Log(), "");
        EXPECT_EQ(ListDir(m_base), (std::vector<std::string>{"Setup.ini", "target"}));
    }
    EXPECT_FALSE(IsDirectory("C:\\escaped"));
    bool exists = true;
    ReadFileBytes("C:\\escaped.txt", &exists);
    EXPECT_FALSE(exists);
}

// A missing image: the reader's retry prompt; Retry asks again, Cancel ends the run.
TEST_F(WorkerTest, MissingImageAndCancelAtTheRetryPrompt)
{
    Receiver receiver;
    std::string path = ImagesDir() + "\\nothere.001";
    RunResult r = Run(path, receiver, {IDRETRY, IDCANCEL});
    std::string prompt = "The file '" + path + "' could not be found/opened";
    EXPECT_EQ(r.boxes, (std::vector<Box>{{prompt, MB_RETRYCANCEL}, {prompt, MB_RETRYCANCEL},
                                         {"FATAL: unable to open 'nothere.001'", MB_ICONHAND}}));
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(r.done, 0);
    EXPECT_EQ(r.notes, (std::vector<Note>{Status("Please wait, initializing..."), Msg(WM_CLOSE, 0)}));
    EXPECT_EQ(ListDir(m_target), std::vector<std::string>{});
    EXPECT_EQ(r.written, 0);
}

// A first volume that the system refuses with an error that has no cause of its own (a pipe whose
// one instance is in use): the refusal is told with the open message, not passed over as if the
// reader had told it already.
TEST_F(WorkerTest, AFirstVolumeRefusedForAnUnlistedReasonIsTold)
{
    const std::string pipe = "\\\\.\\pipe\\zrv-busy-" + std::to_string(GetCurrentProcessId());
    CHandle server(CreateNamedPipeA(pipe.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 4096, 4096, 0, nullptr));
    ASSERT_TRUE(server.IsValid());
    CHandle client(CreateFileA(pipe.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(client.IsValid());
    Receiver receiver;
    RunResult r = Run(pipe, receiver);
    client.Close();
    server.Close();
    ExpectFailedRun(r, {{"FATAL: unable to open 'zrv-busy-" + std::to_string(GetCurrentProcessId()) + "'", MB_ICONHAND}});
    EXPECT_EQ(r.written, 0);
    EXPECT_EQ(ListDir(m_target), std::vector<std::string>{});
}

// A stop request that is already raised when the worker starts (the user cancelled at once) still
// leaves Install.log, empty, and the record with its header only: the run stops before the first
// entry, as after any stop request.
TEST_F(WorkerTest, AStopRequestBeforeTheFirstEntryStillLeavesTheLog)
{
    InstallFlag cancel{1};
    Receiver receiver;
    RunResult r = Run("short", receiver, {}, &cancel);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(r.done, 1);
    EXPECT_EQ(r.failed, 0);
    EXPECT_EQ(r.written, 1);
    EXPECT_EQ(r.boxes, std::vector<Box>{});
    EXPECT_EQ(ListDir(m_target), (std::vector<std::string>{"Install.log", "Install.prior"}));
    EXPECT_EQ(Log(), "");
    EXPECT_EQ(Record(), "ZORVAN-PRIOR\t2\r\n");
    EXPECT_EQ(r.notes, (std::vector<Note>{Status("Please wait, initializing..."), Msg(WM_INSTALL_TOTAL_SIZE, 5),
                                          Msg(WM_INSTALL_TOTAL_RESET, 0), Msg(WM_CLOSE, 0)}));
}

// A disk image whose folder is missing: the retry prompt (the path is not found), and after
// Cancel nothing more, since the user has just been told.
TEST_F(WorkerTest, ImageInAMissingFolder)
{
    Receiver receiver;
    std::string path = m_base + "\\nofolder\\img.001";
    RunResult r = Run(path, receiver, {IDCANCEL});
    ExpectFailedRun(r, {{"The file '" + path + "' could not be found/opened", MB_RETRYCANCEL}});
    EXPECT_EQ(ListDir(m_target), std::vector<std::string>{});
}

// An entry whose name is a link to a file outside the target (here the process's own memory,
// where every write would fail): refused before a byte is written through it, with the link
// message, and nothing listed.
TEST_F(WorkerTest, AnEntryThatIsALinkIsNeverWritten)
{
    m_target = ImagesDir() + "\\" + fixtures::kWriteErrorTarget;
    Receiver receiver;
    RunResult r = Run("writeerror", receiver);
    ExpectFailedRun(r, {{"FATAL: the path of 'f.txt' in '" + m_target +
                             "' leads through a link (a symbolic link or a junction); nothing is written through it",
                         MB_ICONHAND}});
    EXPECT_EQ(Log(), "");
}

// A stop request in the middle of a large file: the file is cut after the chunk in hand, closed
// and logged; no registry step; exit code 0 and the done flag set.
TEST_F(WorkerTest, CancelInTheMiddleOfALargeFile)
{
    InstallFlag cancel{0};
    bool inBig = false;
    Receiver receiver(0, [&](const Note& n) {
        if (n.msg == WM_INSTALL_STATUS) inBig = n.text == "big.bin";
        if (inBig && n.msg == WM_INSTALL_FILE_STEP) SetInstallFlag(&cancel, 1);
    });
    RunResult r = Run("big", receiver, {}, &cancel);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(r.done, 1);
    EXPECT_EQ(r.failed, 0);
    EXPECT_EQ(r.boxes, std::vector<Box>{});
    std::string big = ReadFileBytes(m_target + "\\big.bin");
    EXPECT_GT(big.size(), 0u);
    EXPECT_LT(big.size(), size_t(fixtures::kBigSize));
    EXPECT_EQ(big.size() % 4096, 0u);
    EXPECT_TRUE(big == fixtures::Content(fixtures::kBigSize, 10).substr(0, big.size()));
    EXPECT_EQ(Log(), "first.txt\r\nbig.bin\r\n");
    // Steps stop at the chunk that found the flag set: it was written but not reported.
    uint32_t stepped = 0;
    bool counting = false;
    for (const Note& n : r.notes) {
        EXPECT_NE(n.text, "Updating Registry...");
        if (n.msg == WM_INSTALL_STATUS) counting = n.text == "big.bin";
        if (counting && n.msg == WM_INSTALL_FILE_STEP) stepped += uint32_t(n.lParam);
    }
    EXPECT_EQ(stepped + 4096, big.size());
    EXPECT_EQ(r.notes.back(), Msg(WM_CLOSE, 0));
    DWORD type;
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, kUserKey, "Path", &type), "<missing>");
}

// Without a window nothing is sent, and the run is the same.
TEST_F(WorkerTest, RunsWithoutADialogWindow)
{
    Receiver receiver;
    RunResult r = Run("short", receiver, {}, nullptr, false);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(r.done, 1);
    EXPECT_EQ(r.notes, std::vector<Note>{});
    EXPECT_EQ(Log(), std::string("a.txt\r\n") + kRegistryLog);
}

// A file error in the registry step (Setup.ini gone) ends the run as a failure with one message.
TEST_F(WorkerTest, RegistryStepErrorsEndTheRunAsAFailure)
{
    DeleteFileA("Setup.ini");
    Receiver receiver;
    RunResult r = Run("zero", receiver);
    ExpectFailedRun(r, {{"FATAL: unable to open 'Setup.ini'", MB_ICONHAND}});
}

}  // namespace

namespace {

// Copies a test image's first volume (and the volumes after it when bAll) into dir under the
// name stem.NNN, or under exactly name when it has no three-digit number.
void CopyImage(const std::string& image, const std::string& dir, const std::string& name, bool bAll = false)
{
    for (int k = 1; k <= (bAll ? 9 : 1); ++k) {
        char number[8];
        std::snprintf(number, sizeof number, ".%03d", k);
        std::string from = ImagesDir() + "\\" + image + number;
        std::string to = dir + "\\" + (k == 1 ? name : name.substr(0, name.size() - 3) + (number + 1));
        if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) break;
    }
}

}  // namespace

// Images that fail where the format's own texts say nothing: each failure is told once, naming
// the volume and what is wrong with it.
TEST_F(WorkerTest, EveryFailedRunIsToldOnce)
{
    struct Case {
        const char* what;
        std::function<void(const std::string& base)> prepare;
        const char* image;  // in the working directory
        std::string message;  // "%B" stands for the working directory
    } cases[] = {
        {"an empty first volume", [](const std::string& b) { WriteFileBytes(b + "\\e.001", ""); }, "e.001",
         "FATAL: the file '%B\\e.001' is too short to be a ZRV-Zip volume"},
        {"a first volume shorter than its header", [](const std::string& b) { WriteFileBytes(b + "\\e.001", "ZRV"); },
         "e.001", "FATAL: the file '%B\\e.001' is too short to be a ZRV-Zip volume"},
        {"an empty later volume",
         [](const std::string& b) {
             CopyImage("main", b, "cut.001");
             WriteFileBytes(b + "\\cut.002", "");
         },
         "cut.001", "FATAL: the file '%B\\cut.002' is too short to be a ZRV-Zip volume"},
        {"a later volume that cannot be opened",
         [](const std::string& b) {
             CopyImage("main", b, "cut.001");
             CreateDirectoryA((b + "\\cut.002").c_str(), nullptr);
         },
         "cut.001", "FATAL: the file '%B\\cut.002' could not be opened"},
        {"a volume that holds only its header",
         [](const std::string& b) { WriteFileBytes(b + "\\e.001", ReadFileBytes(ImagesDir() + "\\zero.001").substr(0, 12)); },
         "e.001", "FATAL: the file '%B\\e.001' is cut short: its compressed data end too early"},
        {"a next volume needed after a name without a number", [](const std::string& b) { CopyImage("main", b, "main.zrv"); },
         "main.zrv", "FATAL: the file name '%B\\main.zrv' does not end in a three-digit volume number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RemoveTree(m_target);
        CreateDirectoryA(m_target.c_str(), nullptr);
        c.prepare(m_base);
        Receiver receiver;
        RunResult r = Run(m_base + "\\" + c.image, receiver);
        std::string message = c.message;
        message.replace(message.find("%B"), 2, m_base);
        ExpectFailedRun(r, {{message, MB_ICONHAND}});
        RemoveTree(m_base + "\\cut.002");
    }
}

// A one-volume image needs no volume number in its name.
TEST_F(WorkerTest, AOneVolumeImageMayHaveAnyName)
{
    CopyImage("short", m_base, "data.zrv");
    Receiver receiver;
    RunResult r = Run(m_base + "\\data.zrv", receiver);
    EXPECT_EQ(r.boxes, std::vector<Box>{});
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(r.done, 1);
    EXPECT_EQ(Log(), std::string("a.txt\r\n") + kRegistryLog);
}

// The target is the medium's own folder: no entry may replace Setup.ini, the disk image's volumes
// (present or still to come) or another name of one of them; the medium stays as it was and the
// registry script is never reached.
TEST_F(WorkerTest, TheMediumIsNeverAltered)
{
    const std::string setupIni = ReadFileBytes(m_base + "\\Setup.ini");
    ASSERT_TRUE(CreateHardLinkA((m_base + "\\alias.txt").c_str(), (m_base + "\\Setup.ini").c_str(), nullptr));
    ASSERT_TRUE(CreateHardLinkA((m_base + "\\al\x7f" "ias.txt").c_str(), (m_base + "\\Setup.ini").c_str(), nullptr));
    struct Case {
        const char* image;
        std::string message;
        std::string log;
    } cases[] = {
        {"medium-ini", "FATAL: the entry 'Setup.ini' would replace 'Setup.ini' of the installation medium", ""},
        {"medium-case", "FATAL: the entry 'sETUP.INI' would replace 'Setup.ini' of the installation medium", "a.txt\r\n"},
        {"medium-volume", "FATAL: the entry 'disk.002' would replace 'disk.002' of the installation medium", ""},
        {"medium-self", "FATAL: the entry 'disk.001' would replace 'disk.001' of the installation medium", ""},
        {"medium-link", "FATAL: the entry 'alias.txt' would replace 'Setup.ini' of the installation medium", ""},
        // Quoted as every name is: the control character DEL shown as its code.
        {"medium-escaped", "FATAL: the entry 'al\\x7fias.txt' would replace 'Setup.ini' of the installation medium", ""},
        {"medium-folder", "FATAL: the entry '\\disk.002' would replace 'disk.002' of the installation medium", ""},
        {"medium-later", "FATAL: the entry 'disk.1000' would replace 'disk.1000' of the installation medium", ""},
    };
    m_target = m_base;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.image);
        // Each row on its own: an earlier row's record would be carried into this one.
        for (const char* name : {"Install.log", "Install.prior", "a.txt"}) DeleteFileA((m_base + "\\" + name).c_str());
        CopyImage(c.image, m_base, "disk.001");
        const std::string image = ReadFileBytes(m_base + "\\disk.001");
        Receiver receiver;
        RunResult r = Run(m_base + "\\disk.001", receiver);
        ExpectFailedRun(r, {{c.message, MB_ICONHAND}});
        EXPECT_EQ(Log(), c.log);
        EXPECT_EQ(ReadFileBytes(m_base + "\\Setup.ini"), setupIni);
        EXPECT_TRUE(ReadFileBytes(m_base + "\\disk.001") == image);
        bool exists = true;
        ReadFileBytes(m_base + "\\disk.002", &exists);
        EXPECT_FALSE(exists);
        EXPECT_FALSE(IsDirectory(m_base + "\\disk.002"));
    }
    DWORD type;
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, kUserKey, "Path", &type), "<missing>");
}

// Beside the first volume, only the names the reader would go on to open are the medium's: others
// of the same stem and digits are ordinary entries.
TEST_F(WorkerTest, NamesNoVolumeCanHaveAreInstalledBesideTheMedium)
{
    m_target = m_base;
    CopyImage("medium-near", m_base, "disk.001");
    Receiver receiver;
    RunResult r = Run(m_base + "\\disk.001", receiver);
    EXPECT_EQ(r.boxes, std::vector<Box>{});
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(Log(), std::string("disk.000\r\ndisk.0001\r\ndisk.2000\r\n") + kRegistryLog);
    for (const char* name : {"disk.000", "disk.0001", "disk.2000"}) {
        bool exists = false;
        EXPECT_EQ(ReadFileBytes(m_base + "\\" + name, &exists).size(), 3u) << name;
        EXPECT_TRUE(exists) << name;
    }
}

const char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";

// A file of the payload that a running program holds (here a handle of the test's own, opened
// without sharing, as a program using the file holds it), installed by an earlier run of the
// product: Try Again once it has let go replaces it there and then; Continue, and a silent run
// without a question, write the new file beside it and leave it to the restart; Cancel ends the
// run with the file as it was. (A file of the user's that nobody may read is never replaced: no
// copy of it could be kept.)
TEST_F(WorkerTest, AFileInUse)
{
    fixtures::StoredEntry file;
    for (const fixtures::StoredEntry& e : fixtures::MainStream())
        if (e.name[0] != '\\' && e.name.find('\\') == std::string::npos && file.name.empty()) file = e;
    ASSERT_FALSE(file.name.empty());
    const std::string fresh = fixtures::Content(file.nSize, file.nSeed);
    const struct {
        const char* pszRow;
        bool bSilent;
        int nAnswer;          // to the box; 0 for none expected
        size_t nBoxes;        // the question, and the failure's message after a Cancel
        bool bCompleted;
        const char* pszContent;  // what the file holds after the run; null for the new content
        bool bBeside;         // the new content waits beside it for the restart
    } rows[] = {
        {"try again once it is let go", false, IDTRYAGAIN, 1, true, nullptr, false},
        {"continue: at the restart", false, IDCONTINUE, 1, true, "in use", true},
        {"silent: at the restart, no question", true, 0, 0, true, "in use", true},
        {"cancel", false, IDCANCEL, 1, false, "in use", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszRow);
        RemoveTree(m_target);
        CreateDirectoryA(m_target.c_str(), nullptr);
        DeleteTestKeys();
        m_bSilent = true;
        Receiver first;
        ASSERT_EQ(Run("main", first).exitCode, 0u);
        std::string path = m_target + "\\" + file.name;
        WriteFileBytes(path, "in use");
        CHandle held(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.IsValid());
        m_bSilent = row.bSilent;
        SetInstallFlag(&m_restart, 0);
        m_onBox = [&] { if (row.nAnswer == IDTRYAGAIN) held.Close(); };
        Receiver receiver;
        RunResult r = Run("main", receiver, {row.nAnswer});
        held.Close();
        EXPECT_EQ(r.boxes.size(), row.nBoxes);
        if (!r.boxes.empty()) {
            EXPECT_NE(r.boxes[0].text.find(path), std::string::npos) << r.boxes[0].text;
            EXPECT_EQ(r.boxes[0].type & 0x0F, UINT(MB_CANCELTRYCONTINUE));
        }
        EXPECT_EQ(r.done, row.bCompleted ? 1 : 0);
        EXPECT_EQ(ReadFileBytes(path), row.pszContent ? std::string(row.pszContent) : fresh);
        bool exists = false;
        std::string beside = ReadFileBytes(path + ".zrvnew", &exists);
        EXPECT_EQ(exists, row.bBeside);
        if (row.bBeside) {
            EXPECT_TRUE(beside == fresh);
            EXPECT_NE(Log().find(file.name + ".zrvnew\r\n"), std::string::npos) << Log();
            // Handed to the system for the restart: the pending renames name it.
            std::vector<char> pending(1 << 16);
            DWORD size = DWORD(pending.size());
            EXPECT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations", RRF_RT_ANY, nullptr,
                                   pending.data(), &size),
                      ERROR_SUCCESS);
            EXPECT_NE(std::string(pending.data(), size).find(file.name + ".zrvnew"), std::string::npos);
            RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations");
        }
        EXPECT_EQ(GetInstallFlag(&m_restart), row.bBeside ? 1 : 0);
        EXPECT_EQ(r.said.size(), row.bBeside ? 1u : 0u);
        // Listed, by this run or as the earlier installation's.
        EXPECT_NE(Log().find(file.name + "\r\n"), std::string::npos);
    }
    m_onBox = nullptr;
}

// A medium whose names are UTF-8 (CodePage=65001): its Chinese and Polish names become those
// files, and its log is UTF-8 after the mark; a name there that is not UTF-8 makes the image
// corrupt, named with the byte escaped, before anything of it is made.
TEST_F(WorkerTest, AUtf8MediumsNames)
{
    SetupExtensions utf8;
    utf8.nCodePage = kMediumCodePageUtf8;
    m_pExtensions = &utf8;
    const std::string zhang = "\xe5\xbc\xa0", wei = "\xe4\xbc\x9f", lodz = "\xc5\x81\xc3\xb3" "d\xc5\xba";
    {
        Receiver receiver(0);
        RunResult r = Run("utf8", receiver);
        EXPECT_EQ(r.exitCode, 0u);
        EXPECT_EQ(r.boxes, std::vector<Box>{});
        EXPECT_TRUE(IsDirectory(m_target + "\\" + zhang));
        EXPECT_EQ(ReadFileBytes(m_target + "\\" + zhang + "\\" + wei + ".txt"), fixtures::Content(12, 21));
        EXPECT_EQ(ReadFileBytes(m_target + "\\" + lodz + ".txt"), fixtures::Content(8, 22));
        // The same folder for the wide functions: no look-alike name was made.
        EXPECT_NE(GetFileAttributesW((std::wstring(L"\\\\?\\") + std::wstring(m_target.begin(), m_target.end()) +
                                      L"\\\u5f20\\\u4f1f.txt").c_str()),
                  INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(Log(), "\xef\xbb\xbf\\" + zhang + "\r\n" + zhang + "\\" + wei + ".txt\r\n" + lodz + ".txt\r\n" + kRegistryLog);
    }
    RemoveTree(m_target);
    CreateDirectoryA(m_target.c_str(), nullptr);
    {
        Receiver receiver(0);
        RunResult r = Run("utf8-bad", receiver);
        ExpectFailedRun(r, {{"FATAL: the file 'utf8-bad.001' is corrupted: bad entry name "
                             "'caf\\xe9.txt' (not UTF-8, which the medium declares its names to be)",
                             MB_ICONHAND}});
        EXPECT_EQ(Log(), "");
    }
}
