// The UTF-8 code page under real Win32 semantics: the conversions at the boundaries, the command
// line as the user wrote it, and folders with Polish, Chinese and Cyrillic names made, found,
// listed and written through the A functions.
#include "AfxCallerDir.h"
#include "AfxCodePageWin32.h"
#include "AfxCommandLine.h"
#include "AfxFile.h"
#include "AfxPath.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Name {
    const char* what;
    const wchar_t* wide;
    const char* utf8;
};

const Name kNames[] = {
    {"Polish", L"\u0141\u00f3d\u017a \u017b\u00f3\u0142\u0107", "\xc5\x81\xc3\xb3" "d\xc5\xba \xc5\xbb\xc3\xb3\xc5\x82\xc4\x87"},
    {"Chinese", L"\u5f20\u4f1f", "\xe5\xbc\xa0\xe4\xbc\x9f"},
    {"Cyrillic", L"\u041f\u0440\u0438\u0432\u0435\u0442", "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82"},
    {"Western", L"Caf\u00e9 \u20ac", "Caf\xc3\xa9 \xe2\x82\xac"},
};

std::wstring Temp()
{
    wchar_t buffer[MAX_PATH];
    GetTempPathW(MAX_PATH, buffer);
    return buffer;
}

std::string TempA()
{
    std::string out;
    EXPECT_TRUE(AfxWideToAnsi(Temp().c_str(), -1, out));
    return out;
}

// The manifest's request is honoured: every A function below carries UTF-8.
TEST(CodePageWin32, TheProcessCodePageIsUtf8)
{
    EXPECT_EQ(GetACP(), UINT(CP_UTF8));
    EXPECT_TRUE(AfxCodePageIsUtf8());
}

// The process's code page is UTF-8 here, so both pairs give the same; the strict UTF-8 pair is the
// one the language tables take on a Windows that keeps another code page.
TEST(CodePageWin32, ConversionsBothWays)
{
    struct Pair {
        const char* what;
        bool (*toNarrow)(const wchar_t*, int, std::string&);
        bool (*toWide)(const std::string&, std::wstring&);
    } pairs[] = {{"code page", AfxWideToAnsi, AfxAnsiToWide}, {"UTF-8", AfxWideToUtf8, AfxUtf8ToWide}};
    for (const Pair& pair : pairs) {
        SCOPED_TRACE(pair.what);
        for (const Name& n : kNames) {
            SCOPED_TRACE(n.what);
            std::string narrow;
            ASSERT_TRUE(pair.toNarrow(n.wide, -1, narrow));
            EXPECT_EQ(narrow, n.utf8);
            std::wstring back;
            ASSERT_TRUE(pair.toWide(narrow, back));
            EXPECT_EQ(back, n.wide);
        }
        std::string out;
        const wchar_t lone[] = {L'a', wchar_t(0xD800), L'b', 0};
        EXPECT_FALSE(pair.toNarrow(lone, -1, out)) << "an unpaired surrogate";
        std::wstring wide;
        EXPECT_FALSE(pair.toWide("caf\xe9", wide)) << "a Windows-1252 byte is no UTF-8";
        EXPECT_TRUE(pair.toNarrow(L"", -1, out));
        EXPECT_EQ(out, "");
    }
}

// A folder of each name made with the A function is the folder of that name for the W functions,
// is listed under its UTF-8 name, and holds a file written and read through CFile.
TEST(CodePageWin32, FoldersMadeFoundAndListed)
{
    for (const Name& n : kNames) {
        SCOPED_TRACE(n.what);
        const std::string dir = TempA() + "zrv-cp " + n.utf8;
        const std::wstring wdir = Temp() + L"zrv-cp " + n.wide;
        RemoveDirectoryW(wdir.c_str());
        ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr)) << GetLastError();
        DWORD attributes = GetFileAttributesW(wdir.c_str());
        EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
        EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);

        const std::string file = dir + "\\" + n.utf8 + ".txt";
        {
            CFile out;
            ASSERT_TRUE(out.Open(file.c_str(), CFile::modeCreate | CFile::modeWrite));
            out.Write(n.utf8, UINT(strlen(n.utf8)));
        }
        WIN32_FIND_DATAA found = {};
        HANDLE h = FindFirstFileA((dir + "\\*.txt").c_str(), &found);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        FindClose(h);
        EXPECT_EQ(std::string(found.cFileName), std::string(n.utf8) + ".txt");
        EXPECT_NE(GetFileAttributesW((wdir + L"\\" + n.wide + L".txt").c_str()), INVALID_FILE_ATTRIBUTES);
        {
            CFile in;
            ASSERT_TRUE(in.Open(file.c_str(), CFile::modeRead));
            std::string text(64, '\0');
            text.resize(in.Read(&text[0], UINT(text.size())));
            EXPECT_EQ(text, n.utf8);
        }
        EXPECT_TRUE(DeleteFileA(file.c_str()));
        EXPECT_TRUE(RemoveDirectoryA(dir.c_str()));
        EXPECT_EQ(GetFileAttributesW(wdir.c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

// A folder whose name fits MAX_PATH characters but not MAX_PATH bytes of UTF-8 (two components, as
// the Unix side takes at most 255 bytes a name): the current directory, the caller's folder handed
// on, a path made full and the temporary folder all come back whole.
TEST(CodePageWin32, PathsLongerInBytesThanMaxPath)
{
    std::string half;
    for (int i = 0; i < 45; ++i) half += "\xe5\xbc\xa0";
    const std::string top = TempA() + "zrv-cp-long " + half, dir = top + "\\" + half;
    ASSERT_GT(dir.size(), size_t(MAX_PATH));
    ASSERT_LT(MultiByteToWideChar(CP_UTF8, 0, dir.c_str(), -1, nullptr, 0), MAX_PATH);
    CreateDirectoryA(top.c_str(), nullptr);
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) << GetLastError();
    const CString before = AfxCallForText([](char* p, DWORD n) { return GetCurrentDirectoryA(n, p); });
    ASSERT_FALSE(before.IsEmpty());
    ASSERT_TRUE(SetCurrentDirectoryA(dir.c_str()));
    char tmp[1024] = "";
    DWORD nTmp = GetEnvironmentVariableA("TMP", tmp, sizeof tmp);
    SetEnvironmentVariableA("TMP", dir.c_str());
    const struct {
        const char* what;
        CString got;
        std::string expected;
    } rows[] = {
        {"the current directory", AfxCallForText([](char* p, DWORD n) { return GetCurrentDirectoryA(n, p); }), dir},
        {"the caller's folder handed on", AfxCallerDirArgument(), "/CALLERDIR=\"" + dir + "\""},
        {"a path made full", AfxNormalisedPath((dir + "\\sub\\..").c_str()), dir},
        {"a relative path made full", AfxNormalisedPath("."), dir},
        {"the temporary folder", AfxCallForText([](char* p, DWORD n) { return GetTempPathA(n, p); }), dir + "\\"},
    };
    SetEnvironmentVariableA("TMP", nTmp ? tmp : nullptr);
    SetCurrentDirectoryA(before);
    for (const auto& row : rows) EXPECT_EQ(std::string(row.got), row.expected) << row.what;
    // A path longer than MAX_PATH characters is none the normalised form takes.
    std::string tooLong = dir;
    while (MultiByteToWideChar(CP_UTF8, 0, tooLong.c_str(), -1, nullptr, 0) <= MAX_PATH) tooLong += "\\x";
    EXPECT_EQ(std::string(AfxNormalisedPath(tooLong.c_str())), "");
    EXPECT_TRUE(RemoveDirectoryA(dir.c_str()));
    EXPECT_TRUE(RemoveDirectoryA(top.c_str()));
}

// The child half of the next test: writes its arguments, as the programs read them, into the file
// that ZRV_CP_CHILD names, one a line.
TEST(CodePageWin32Child, WritesItsArguments)
{
    const char* out = std::getenv("ZRV_CP_CHILD");
    if (!out) GTEST_SKIP() << "run by CommandLineAsWritten";
    const char* line = nullptr;
    bool held = AfxGetCommandLineText(&line);
    CCommandSwitches args(AfxArgumentsOf(line));
    std::string text = held ? "held\n" : "not held\n";
    for (int i = 0; i < args.GetCount(); ++i) text += args.GetAt(i).Str() + "\n";
    CFile file;
    ASSERT_TRUE(file.Open(out, CFile::modeCreate | CFile::modeWrite));
    file.Write(text.data(), UINT(text.size()));
}

// A program started with Polish, Chinese and Cyrillic arguments reads them as written, in UTF-8,
// /D= included (no best fit: "Łódź" is not "Lodz").
TEST(CodePageWin32, CommandLineAsWritten)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::string out = TempA() + "zrv-cp-child.txt";
    DeleteFileA(out.c_str());
    SetEnvironmentVariableA("ZRV_CP_CHILD", out.c_str());
    std::wstring line = L"\"" + std::wstring(self) + L"\" --gtest_filter=CodePageWin32Child.* ";
    std::string expected = "held\n--gtest_filter=CodePageWin32Child.*\n";
    for (const Name& n : kNames) {
        line += L"\"/LOG=C:\\" + std::wstring(n.wide) + L".log\" ";
        expected += std::string("/LOG=C:\\") + n.utf8 + ".log\n";
    }
    line += std::wstring(L"/D=C:\\") + kNames[0].wide;
    expected += std::string("/D=C:\\") + kNames[0].utf8 + "\n";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(0);
    ASSERT_TRUE(CreateProcessW(self, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    SetEnvironmentVariableA("ZRV_CP_CHILD", nullptr);
    EXPECT_EQ(code, 0u);
    CFile in;
    ASSERT_TRUE(in.Open(out.c_str(), CFile::modeRead));
    std::string text(4096, '\0');
    text.resize(in.Read(&text[0], UINT(text.size())));
    in.Close();
    EXPECT_EQ(text, expected);
    DeleteFileA(out.c_str());
}

}  // namespace
