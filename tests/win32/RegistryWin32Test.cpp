// The registry script against the real registry: values read back with their types and data, the
// uninstall entry under HKEY_LOCAL_MACHINE, refusals by the registry itself. Every test works under
// keys named for this process and removes them afterwards.
#include "AfxHandle.h"
#include "RegistryScript.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../common/RegistryKeys.h"
#include "../common/RegistryScriptRun.h"

namespace {

const char kUninstallRoot[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// A name no other run or test uses.
std::string UniqueName()
{
    static int s_nCount = 0;
    return "ZrvTest-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()) + "-" +
           std::to_string(++s_nCount);
}

// Removes the keys it was given when the test ends, passed or failed.
class KeyCleanup {
public:
    void Add(HKEY hRoot, const std::string& path) { m_keys.push_back({hRoot, path}); }
    ~KeyCleanup()
    {
        for (const auto& key : m_keys) DeleteKeyTree(key.first, key.second);
    }

private:
    std::vector<std::pair<HKEY, std::string>> m_keys;
};

struct Value {
    LONG lStatus;
    DWORD dwType;
    std::string data;
};

Value Query(HKEY hRoot, const std::string& path, const char* pszName)
{
    Value v{ERROR_SUCCESS, 0, {}};
    CRegKey hKey;
    v.lStatus = RegOpenKeyExA(hRoot, path.c_str(), 0, KEY_READ, hKey.Receive());
    if (v.lStatus != ERROR_SUCCESS) return v;
    DWORD cb = 0;
    v.lStatus = RegQueryValueExA(hKey.Get(), pszName, nullptr, &v.dwType, nullptr, &cb);
    if (v.lStatus == ERROR_SUCCESS) {
        v.data.resize(cb);
        v.lStatus = RegQueryValueExA(hKey.Get(), pszName, nullptr, &v.dwType,
                                     reinterpret_cast<BYTE*>(&v.data[0]), &cb);
        v.data.resize(cb);
    }
    return v;
}

std::string Sz(const std::string& s) { return s + '\0'; }

std::string Dword(DWORD dw) { return std::string(reinterpret_cast<const char*>(&dw), 4); }

}  // namespace

TEST(RegistryScriptWin32, EveryFormAndRootReadsBack)
{
    const std::string product = UniqueName();
    const std::string sub = "Software\\" + product;
    const std::string uninstall = kUninstallRoot + product;
    KeyCleanup cleanup;
    cleanup.Add(HKEY_CURRENT_USER, sub);
    cleanup.Add(HKEY_LOCAL_MACHINE, sub);
    cleanup.Add(HKEY_CLASSES_ROOT, product);
    cleanup.Add(HKEY_USERS, ".DEFAULT\\" + sub);
    cleanup.Add(HKEY_LOCAL_MACHINE, uninstall);

    const std::string script =
        "REGEDIT4\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\" + sub + "\\Paths]\r\n"
        "\"Dir\"=\"%INSTALLPATH%\\bin\"\r\n"
        "\"Rate\"=\"%INSTALLPATH% at 100%%\"\r\n"
        "\"\"=\"default\"\r\n"
        "# a comment\r\n"
        "\"Bytes\"=hex:00,7f,80,FF\r\n"
        "\"Count\"=dword:0001e240\r\n"
        "[HKEY_LOCAL_MACHINE\\" + sub + "]\r\n"
        "\"Empty\"=\"\"\r\n"
        "[HKEY_CLASSES_ROOT\\" + product + "]\r\n"
        "[HKEY_USERS\\.DEFAULT\\" + sub + "]\r\n"
        "\"Low\"=dword:ab";
    const std::string installPath = "C:\\Program Files\\Zrv\\";
    ScriptOutcome out = RunRegistryScript(script, nullptr, installPath.c_str(), product.c_str());
    EXPECT_EQ(out.nResult, 1);
    EXPECT_EQ(out.strLog, "[\\REGEDIT4]\r\n"
                          "\\[HKEY_CURRENT_USER\\" + sub + "\\Paths]\r\nDir\r\nRate\r\n\r\nBytes\r\nCount\r\n"
                          "\\[HKEY_LOCAL_MACHINE\\" + sub + "]\r\nEmpty\r\n"
                          "\\[HKEY_CLASSES_ROOT\\" + product + "]\r\n"
                          "\\[HKEY_USERS\\.DEFAULT\\" + sub + "]\r\nLow\r\n"
                          "\\[HKEY_LOCAL_MACHINE\\" + uninstall + "]\r\nDisplayName\r\nUninstallString\r\nQuietUninstallString\r\nInstallLocation\r\nEstimatedSize\r\nDisplayIcon\r\nNoModify\r\nNoRepair\r\n");

    struct Expected {
        HKEY hRoot;
        std::string path;
        const char* pszName;
        DWORD dwType;
        std::string data;
    } expected[] = {
        {HKEY_CURRENT_USER, sub + "\\Paths", "Dir", REG_SZ, Sz(installPath + "\\bin")},
        {HKEY_CURRENT_USER, sub + "\\Paths", "Rate", REG_SZ, Sz(installPath + " at 100%")},
        {HKEY_CURRENT_USER, sub + "\\Paths", "", REG_SZ, Sz("default")},
        {HKEY_CURRENT_USER, sub + "\\Paths", "Bytes", REG_BINARY, std::string("\x00\x7f\x80\xff", 4)},
        {HKEY_CURRENT_USER, sub + "\\Paths", "Count", REG_DWORD, Dword(123456)},
        {HKEY_LOCAL_MACHINE, sub, "Empty", REG_SZ, Sz("")},
        {HKEY_USERS, ".DEFAULT\\" + sub, "Low", REG_DWORD, Dword(0xab)},
        {HKEY_LOCAL_MACHINE, uninstall, "DisplayName", REG_SZ, Sz(product)},
        {HKEY_LOCAL_MACHINE, uninstall, "UninstallString", REG_SZ, Sz("\"" + installPath + "\\Uninstal.exe\"")},
        {HKEY_LOCAL_MACHINE, uninstall, "QuietUninstallString", REG_SZ, Sz("\"" + installPath + "\\Uninstal.exe\" /S")},
        {HKEY_LOCAL_MACHINE, uninstall, "InstallLocation", REG_SZ, Sz(installPath)},
        {HKEY_LOCAL_MACHINE, uninstall, "EstimatedSize", REG_DWORD, Dword(0)},
        {HKEY_LOCAL_MACHINE, uninstall, "DisplayIcon", REG_SZ, Sz(installPath + "\\Uninstal.exe,0")},
        {HKEY_LOCAL_MACHINE, uninstall, "NoModify", REG_DWORD, Dword(1)},
        {HKEY_LOCAL_MACHINE, uninstall, "NoRepair", REG_DWORD, Dword(1)},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.path + " : " + e.pszName);
        Value v = Query(e.hRoot, e.path, e.pszName);
        ASSERT_EQ(v.lStatus, ERROR_SUCCESS);
        EXPECT_EQ(v.dwType, e.dwType);
        EXPECT_EQ(v.data, e.data);
    }
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, product));
}

// An existing key is opened, not replaced: its other values stay, a value named again is overwritten.
TEST(RegistryScriptWin32, AnExistingKeyKeepsItsOtherValues)
{
    const std::string product = UniqueName();
    const std::string sub = "Software\\" + product;
    KeyCleanup cleanup;
    cleanup.Add(HKEY_CURRENT_USER, sub);
    cleanup.Add(HKEY_LOCAL_MACHINE, kUninstallRoot + product);
    {
        CRegKey hKey;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, hKey.Receive(),
                                  nullptr),
                  ERROR_SUCCESS);
        DWORD dw = 7;
        RegSetValueExA(hKey.Get(), "Kept", 0, REG_DWORD, reinterpret_cast<BYTE*>(&dw), 4);
        RegSetValueExA(hKey.Get(), "Replaced", 0, REG_DWORD, reinterpret_cast<BYTE*>(&dw), 4);
    }

    ScriptOutcome out = RunRegistryScript("REGEDIT4\r\n[HKEY_CURRENT_USER\\" + sub + "]\r\n\"Replaced\"=hex:01\r\n",
                                          nullptr, "C:\\Zrv", product.c_str());
    EXPECT_EQ(out.nResult, 1);
    Value kept = Query(HKEY_CURRENT_USER, sub, "Kept");
    EXPECT_EQ(kept.dwType, DWORD(REG_DWORD));
    EXPECT_EQ(kept.data, Dword(7));
    Value replaced = Query(HKEY_CURRENT_USER, sub, "Replaced");
    EXPECT_EQ(replaced.dwType, DWORD(REG_BINARY));
    EXPECT_EQ(replaced.data, std::string("\x01", 1));
}

// What the registry refuses ends the script like a grammar error: no later key, no uninstall entry.
TEST(RegistryScriptWin32, ARefusedKeyEndsTheScript)
{
    const std::string product = UniqueName();
    const std::string sub = "Software\\" + product;
    KeyCleanup cleanup;
    cleanup.Add(HKEY_CURRENT_USER, sub);
    cleanup.Add(HKEY_LOCAL_MACHINE, kUninstallRoot + product);
    const std::string tooLong(300, 'k');  // a key name holds at most 255 characters
    ScriptOutcome out = RunRegistryScript("REGEDIT4\r\n"
                                          "[HKEY_CURRENT_USER\\" + sub + "\\A]\r\n\"a\"=dword:1\r\n"
                                          "[HKEY_CURRENT_USER\\" + sub + "\\" + tooLong + "]\r\n\"b\"=dword:2\r\n"
                                          "[HKEY_CURRENT_USER\\" + sub + "\\C]\r\n",
                                          nullptr, "C:\\Zrv", product.c_str());
    EXPECT_EQ(out.nResult, 0);
    EXPECT_EQ(out.strLog, "[\\REGEDIT4]\r\n\\[HKEY_CURRENT_USER\\" + sub + "\\A]\r\na\r\n");
    EXPECT_EQ(Query(HKEY_CURRENT_USER, sub + "\\A", "a").data, Dword(1));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, sub + "\\C"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallRoot + product));
}

// The product name that arrives through the value-line rules: a quote cuts the display name.
TEST(RegistryScriptWin32, UninstallEntryForAProductWithAQuote)
{
    const std::string product = UniqueName() + " \"Pro\"";
    KeyCleanup cleanup;
    cleanup.Add(HKEY_LOCAL_MACHINE, kUninstallRoot + product);
    ScriptOutcome out = RunRegistryScript("REGEDIT4\r\n", nullptr, "D:\\Apps\\Zrv", product.c_str());
    EXPECT_EQ(out.nResult, 1);
    Value name = Query(HKEY_LOCAL_MACHINE, kUninstallRoot + product, "DisplayName");
    EXPECT_EQ(name.dwType, DWORD(REG_SZ));
    EXPECT_EQ(name.data, Sz(product.substr(0, product.find('"'))));
    Value cmd = Query(HKEY_LOCAL_MACHINE, kUninstallRoot + product, "UninstallString");
    EXPECT_EQ(cmd.data, Sz("\"D:\\Apps\\Zrv\\Uninstal.exe\""));
}

// A backslash in the product name: the uninstall entry is a key nested one level deeper, with its
// parent made on the way, and logged as any other.
TEST(RegistryScriptWin32, UninstallEntryForAProductWithABackslash)
{
    const std::string vendor = UniqueName();
    const std::string product = vendor + "\\Tool";
    KeyCleanup cleanup;
    cleanup.Add(HKEY_LOCAL_MACHINE, kUninstallRoot + vendor);
    ScriptOutcome out = RunRegistryScript("REGEDIT4\r\n", nullptr, "D:\\Apps\\Zrv", product.c_str());
    EXPECT_EQ(out.nResult, 1);
    EXPECT_EQ(out.strLog, "[\\REGEDIT4]\r\n\\[HKEY_LOCAL_MACHINE\\" + std::string(kUninstallRoot) + product +
                              "]\r\nDisplayName\r\nUninstallString\r\nQuietUninstallString\r\nInstallLocation\r\nEstimatedSize\r\nDisplayIcon\r\nNoModify\r\nNoRepair\r\n");
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallRoot + vendor));
    EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, kUninstallRoot + product, "DisplayName").data, Sz(product));
    EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, kUninstallRoot + product, "UninstallString").data,
              Sz("\"D:\\Apps\\Zrv\\Uninstal.exe\""));
}
