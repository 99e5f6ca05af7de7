// The kernel-object owners: each closes exactly the object it holds, once, and hands it over on a
// move; a predefined registry root is never closed.
#include "AfxHandle.h"
#include "AfxString.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

bool HandleOpen(HANDLE h)
{
    DWORD flags = 0;
    return GetHandleInformation(h, &flags) != FALSE;
}

bool KeyOpen(HKEY h) { return RegQueryInfoKeyA(h, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                                nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS; }

bool ModuleLoaded(const char* pszName) { return GetModuleHandleA(pszName) != nullptr; }

HANDLE NewEvent() { return CreateEventA(nullptr, TRUE, FALSE, nullptr); }

}  // namespace

TEST(Handle, ClosesWhatItHoldsOnceAndHandsItOverOnMove)
{
    HANDLE raw = NewEvent();
    {
        CHandle a(raw);
        CHandle b(std::move(a));
        EXPECT_FALSE(a.IsValid());
        EXPECT_EQ(raw, b.Get());
        CHandle c;
        c = std::move(b);
        EXPECT_TRUE(HandleOpen(raw)) << "a move closes nothing";
        EXPECT_TRUE(c.Close());
        EXPECT_FALSE(HandleOpen(raw));
        EXPECT_FALSE(c.Close()) << "a second Close closes nothing";
    }
    HANDLE kept = NewEvent();
    {
        CHandle owner(kept);
        EXPECT_EQ(kept, owner.Release());
    }
    EXPECT_TRUE(HandleOpen(kept)) << "a released handle stays open";
    CHandle replaced(kept);
    HANDLE next = NewEvent();
    replaced.Attach(next);
    EXPECT_FALSE(HandleOpen(kept)) << "Attach closes the handle held before";
    EXPECT_TRUE(HandleOpen(next));
}

TEST(Handle, BothFailureValuesAreEmpty)
{
    for (HANDLE h : {HANDLE(nullptr), INVALID_HANDLE_VALUE}) {
        CHandle owner(h);
        EXPECT_FALSE(owner.IsValid());
        EXPECT_FALSE(owner.Close());
    }
    CFindHandle none;
    EXPECT_FALSE(none.IsValid());
    WIN32_FIND_DATAA data;
    CFindHandle missing(FindFirstFileA("C:\\no-such-folder-here\\*", &data));
    EXPECT_FALSE(missing.IsValid());
}

TEST(Handle, DestructorKeepsTheCallersError)
{
    SetLastError(ERROR_SUCCESS);
    {
        CHandle owner(NewEvent());
        SetLastError(ERROR_ACCESS_DENIED);
    }
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
}

TEST(Handle, RegistryKeysAndRoots)
{
    HKEY raw = nullptr;
    {
        CRegKey key;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, key.Receive()));
        raw = key.Get();
        EXPECT_TRUE(KeyOpen(raw));
    }
    EXPECT_FALSE(KeyOpen(raw)) << "the owner closed its key";
    // An owner may be given a root by code that opens either a root or a key below it.
    for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS}) {
        {
            CRegKey owner(root);
            EXPECT_FALSE(owner.Close());
        }
        CRegKey sub;
        EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(root, "", 0, KEY_READ, sub.Receive())) << "the root is still usable";
    }
}

TEST(Handle, SearchAndModule)
{
    char dir[MAX_PATH] = {};
    ASSERT_NE(0u, GetSystemDirectoryA(dir, MAX_PATH));
    WIN32_FIND_DATAA data;
    HANDLE raw;
    {
        CFindHandle find(FindFirstFileA((CString(dir) + "\\*").GetString(), &data));
        ASSERT_TRUE(find.IsValid());
        raw = find.Get();
        EXPECT_TRUE(FindNextFileA(raw, &data));
    }
    EXPECT_FALSE(FindNextFileA(raw, &data)) << "the search was closed";

    // zrvplant.dll lies beside this program and nothing else loads it.
    ASSERT_FALSE(ModuleLoaded("zrvplant.dll"));
    {
        CModule module(LoadLibraryA("zrvplant.dll"));
        ASSERT_TRUE(module.IsValid());
        EXPECT_TRUE(ModuleLoaded("zrvplant.dll"));
    }
    EXPECT_FALSE(ModuleLoaded("zrvplant.dll")) << "the owner freed its module";
}
