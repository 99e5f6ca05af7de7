// The names the installation takes for the same one are those Windows takes for the same one: the
// letter table against the system's own for every UTF-16 code unit, and the table of name pairs
// against CompareStringOrdinal and the registry itself (a key made in one spelling and opened in
// the other, a value set in one and read in the other). Files are left to the call: Wine's file
// system does not fold letters outside ASCII as the Windows one does.
#include "AfxHandle.h"
#include "AfxNameCase.h"
#include "SameName.h"

#include <gtest/gtest.h>

#include <string>

#include "../common/NamePairs.h"

namespace {

std::wstring Wide(const char* psz)
{
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, psz, -1, nullptr, 0);
    std::wstring out(n > 0 ? size_t(n) : 0, L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, psz, -1, &out[0], n);
    if (!out.empty()) out.pop_back();
    return out;
}

bool SameByCall(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) == CSTR_EQUAL;
}

// A key of this process's own below HKEY_CURRENT_USER, removed with all it holds at the end.
class ScratchKey {
public:
    ScratchKey() : m_path(L"Software\\ZrvSameName-" + std::to_wstring(GetCurrentProcessId())) {}
    ~ScratchKey() { RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str()); }
    std::wstring Below(const std::wstring& sub) const { return m_path + L"\\" + sub; }

private:
    std::wstring m_path;
};

// Whether the registry opens the key made as a by the path b (both below base).
bool RegistrySameKey(const std::wstring& base, const std::wstring& a, const std::wstring& b)
{
    CRegKey made, opened;
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, (base + L"\\" + a).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, made.Receive(), nullptr));
    return RegOpenKeyExW(HKEY_CURRENT_USER, (base + L"\\" + b).c_str(), 0, KEY_READ, opened.Receive()) == ERROR_SUCCESS;
}

// Whether the registry reads the value set as a by the name b.
bool RegistrySameValue(const std::wstring& base, const std::wstring& a, const std::wstring& b)
{
    CRegKey key;
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, base.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             key.Receive(), nullptr));
    const DWORD data = 1;
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key.Get(), a.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                                            sizeof data));
    return RegQueryValueExW(key.Get(), b.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

}  // namespace

TEST(SameNameWin32, TheLetterTableIsTheSystems)
{
    using Upcase = WCHAR(WINAPI*)(WCHAR);
    auto upcase = reinterpret_cast<Upcase>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlUpcaseUnicodeChar")));
    ASSERT_NE(nullptr, upcase);
    std::string differ;
    int nDiffer = 0;
    for (unsigned u = 0; u < 0x10000; ++u) {
        const WCHAR unit = WCHAR(u), ours = WCHAR(AfxUpperNameUnit(uint16_t(u))), system = upcase(unit);
        bool agree = ours == system && CompareStringOrdinal(&unit, 1, &ours, 1, TRUE) == CSTR_EQUAL;
        if (agree) continue;
        char line[64];
        std::snprintf(line, sizeof line, " U+%04X: ours U+%04X, the system's U+%04X;", u, unsigned(ours), unsigned(system));
        if (++nDiffer <= 40) differ += line;
    }
    EXPECT_EQ(0, nDiffer) << differ;
}

TEST(SameNameWin32, EveryPairAsWindowsTakesIt)
{
    ScratchKey scratch;
    int nRow = 0;
    for (const NamePair& row : kNamePairs) {
        SCOPED_TRACE(row.pszRow);
        const std::wstring a = Wide(row.a), b = Wide(row.b), base = scratch.Below(std::to_wstring(++nRow));
        bool ours = row.kind == NameKind::key     ? SameKeyPath(row.a, row.b)
                    : row.kind == NameKind::value ? SameValueName(row.a, row.b)
                    : row.kind == NameKind::entry ? SameEntryPath(row.a, row.b)
                                                  : SameFolder(row.a, row.b);
        EXPECT_EQ(row.bSame, ours);
        if (row.bLettersOnly) {
            EXPECT_EQ(row.bSame, SameByCall(a, b)) << "CompareStringOrdinal";
        }
        if (row.kind == NameKind::key) {
            EXPECT_EQ(row.bSame, RegistrySameKey(base, a, b)) << "the registry's keys";
        }
        if (row.kind == NameKind::value) {
            EXPECT_EQ(row.bSame, RegistrySameValue(base, a, b)) << "the registry's values";
        }
    }
}
