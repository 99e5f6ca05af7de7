// The registry script against the real registry: values read back with their types and data, the
// uninstall entry under HKEY_LOCAL_MACHINE, refusals by the registry itself; and keys never reached
// through a registry link that a user made. Every test works under keys named for this process and
// removes them afterwards.
#include "AfxHandle.h"
#include "AfxRegistry.h"
#include "RegistryScript.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// ---- Registry links ---------------------------------------------------------------------------

namespace {

std::string Machine(const std::string& sub) { return "\\REGISTRY\\MACHINE\\" + sub; }

// Links are removed first, as links: a plain delete of one would remove its target's keys.
class LinkCleanup {
public:
    void Link(HKEY hRoot, const std::string& path) { m_links.push_back({hRoot, path}); }
    void Tree(HKEY hRoot, const std::string& path) { m_trees.push_back({hRoot, path}); }
    ~LinkCleanup()
    {
        for (const auto& key : m_links) DeleteRegistryLink(key.first, key.second);
        for (const auto& key : m_trees) DeleteKeyTree(key.first, key.second);
    }

private:
    std::vector<std::pair<HKEY, std::string>> m_links, m_trees;
};

void PutWho(HKEY hRoot, const std::string& path, const char* pszWho)
{
    CRegKey h;
    ASSERT_EQ(RegCreateKeyExA(hRoot, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, h.Receive(), nullptr),
              ERROR_SUCCESS)
        << path;
    ASSERT_EQ(RegSetValueExA(h.Get(), "Who", 0, REG_SZ, reinterpret_cast<const BYTE*>(pszWho), DWORD(strlen(pszWho) + 1)),
              ERROR_SUCCESS);
}

// The "Who" of an open key, or "-" when it has none.
std::string WhoOf(HKEY hKey)
{
    char buf[64] = {};
    DWORD cb = sizeof buf - 1, dwType = 0;
    if (RegQueryValueExA(hKey, "Who", nullptr, &dwType, reinterpret_cast<BYTE*>(buf), &cb) != ERROR_SUCCESS) return "-";
    return buf;
}

// The "Who" of a key reached as the system reaches it, links followed.
std::string WhoAt(HKEY hRoot, const std::string& path)
{
    CRegKey h;
    if (RegOpenKeyExA(hRoot, path.c_str(), 0, KEY_QUERY_VALUE, h.Receive()) != ERROR_SUCCESS) return "(no key)";
    return WhoOf(h.Get());
}

DWORD SubKeyCount(HKEY hRoot, const std::string& path)
{
    CRegKey h;
    DWORD n = 0;
    if (RegOpenKeyExA(hRoot, path.c_str(), 0, KEY_READ, h.Receive()) != ERROR_SUCCESS) return DWORD(-1);
    RegQueryInfoKeyA(h.Get(), nullptr, nullptr, nullptr, &n, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    return n;
}

enum class KeyOp { Open, Create, Delete };

struct LinkRow {
    const char* pszName;
    KeyOp op;
    HKEY hRoot;
    std::string path;
    LONG lExpected;
    std::string who;  // the "Who" read through the key opened or made ("-": none); unused otherwise
};

// Runs one row; what it opened or made is looked at through the handle it returned.
void RunLinkRow(const LinkRow& row)
{
    SCOPED_TRACE(row.pszName);
    CRegKey key;
    LONG rc;
    if (row.op == KeyOp::Delete) {
        rc = AfxRegDeleteKeyNoLinks(row.hRoot, row.path.c_str());
    } else if (row.op == KeyOp::Open) {
        rc = AfxRegOpenKeyNoLinks(row.hRoot, row.path.c_str(), KEY_QUERY_VALUE, key);
    } else {
        bool bCreated = true;
        rc = AfxRegCreateKeyNoLinks(row.hRoot, row.path.c_str(), KEY_ALL_ACCESS, key, &bCreated);
    }
    EXPECT_EQ(row.lExpected, rc);
    EXPECT_EQ(rc == ERROR_SUCCESS && row.op != KeyOp::Delete, key.IsValid());
    if (key.IsValid()) {
        EXPECT_EQ(row.who, WhoOf(key.Get()));
    }
}

}  // namespace

// A user's link below HKEY_CURRENT_USER, at the key named or at a key above it, is never followed:
// not to open, not to make a key, not to delete; and the key it leads to stays as it was.
TEST(RegistryNoLinks, ALinkInTheUsersKeysIsRefused)
{
    const std::string u = UniqueName();
    const std::string base = "Software\\" + u, target = "Software\\" + u + "-Target", fresh = "Software\\" + u + "-Fresh";
    LinkCleanup cleanup;
    cleanup.Tree(HKEY_CURRENT_USER, base);
    cleanup.Tree(HKEY_LOCAL_MACHINE, target);
    cleanup.Tree(HKEY_LOCAL_MACHINE, fresh);
    PutWho(HKEY_LOCAL_MACHINE, target, "target");
    PutWho(HKEY_LOCAL_MACHINE, target + "\\Sub", "target-sub");
    PutWho(HKEY_CURRENT_USER, base + "\\Plain", "plain");
    PutWho(HKEY_CURRENT_USER, base + "\\Plain\\Sub", "plain-sub");
    PutWho(HKEY_CURRENT_USER, base + "\\Plain\\Full\\Inside", "inside");
    cleanup.Link(HKEY_CURRENT_USER, base + "\\Link");
    cleanup.Link(HKEY_CURRENT_USER, base + "\\Dangling");
    ASSERT_TRUE(MakeRegistryLink(HKEY_CURRENT_USER, base + "\\Link", Machine(target)));
    ASSERT_TRUE(MakeRegistryLink(HKEY_CURRENT_USER, base + "\\Dangling", Machine(fresh)));
    // The system follows both for a plain open: the rows below would reach HKEY_LOCAL_MACHINE if
    // the keys on the way were not looked at.
    ASSERT_EQ("target", WhoAt(HKEY_CURRENT_USER, base + "\\Link"));
    ASSERT_EQ("target-sub", WhoAt(HKEY_CURRENT_USER, base + "\\Link\\Sub"));

    const HKEY hcu = HKEY_CURRENT_USER;
    const LinkRow rows[] = {
        {"no link", KeyOp::Open, hcu, base + "\\Plain\\Sub", ERROR_SUCCESS, "plain-sub"},
        {"doubled and closing backslashes", KeyOp::Open, hcu, base + "\\\\Plain\\Sub\\", ERROR_SUCCESS, "plain-sub"},
        {"leading backslash", KeyOp::Open, hcu, "\\" + base, ERROR_BAD_PATHNAME, ""},
        {"missing", KeyOp::Open, hcu, base + "\\Plain\\None", ERROR_FILE_NOT_FOUND, ""},
        {"missing below a link", KeyOp::Open, hcu, base + "\\Link\\None", kErrorRegistryLink, ""},
        {"link at the leaf", KeyOp::Open, hcu, base + "\\Link", kErrorRegistryLink, ""},
        {"link in the middle", KeyOp::Open, hcu, base + "\\Link\\Sub", kErrorRegistryLink, ""},
        {"dangling link", KeyOp::Open, hcu, base + "\\Dangling", kErrorRegistryLink, ""},
        {"create: existing", KeyOp::Create, hcu, base + "\\Plain", ERROR_SUCCESS, "plain"},
        {"create: new below new", KeyOp::Create, hcu, base + "\\Plain\\Made\\Deeper", ERROR_SUCCESS, "-"},
        {"create: the link", KeyOp::Create, hcu, base + "\\Link", kErrorRegistryLink, ""},
        {"create: below the link", KeyOp::Create, hcu, base + "\\Link\\New\\Deeper", kErrorRegistryLink, ""},
        {"create: the dangling link", KeyOp::Create, hcu, base + "\\Dangling", kErrorRegistryLink, ""},
        {"create: below the dangling link", KeyOp::Create, hcu, base + "\\Dangling\\New", kErrorRegistryLink, ""},
        {"delete: the link", KeyOp::Delete, hcu, base + "\\Link", kErrorRegistryLink, ""},
        {"delete: below the link", KeyOp::Delete, hcu, base + "\\Link\\Sub", kErrorRegistryLink, ""},
        {"delete: missing", KeyOp::Delete, hcu, base + "\\Plain\\None", ERROR_FILE_NOT_FOUND, ""},
        {"delete: new key", KeyOp::Delete, hcu, base + "\\Plain\\Made\\Deeper", ERROR_SUCCESS, ""},
        {"delete: a key that holds one", KeyOp::Delete, hcu, base + "\\Plain\\Full", ERROR_ACCESS_DENIED, ""},
    };
    for (const LinkRow& row : rows) RunLinkRow(row);

    // Nothing reached the target, nor made the dangling link's; the links are still there.
    EXPECT_EQ("target", WhoAt(HKEY_LOCAL_MACHINE, target));
    EXPECT_EQ("target-sub", WhoAt(HKEY_LOCAL_MACHINE, target + "\\Sub"));
    EXPECT_EQ(1u, SubKeyCount(HKEY_LOCAL_MACHINE, target));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, fresh));
    EXPECT_EQ(Machine(target), RegistryLinkTarget(HKEY_CURRENT_USER, base + "\\Link"));
    EXPECT_EQ(Machine(fresh), RegistryLinkTarget(HKEY_CURRENT_USER, base + "\\Dangling"));
    // What the plain rows made and deleted.
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, base + "\\Plain\\Made"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, base + "\\Plain\\Made\\Deeper"));
    EXPECT_EQ("inside", WhoAt(HKEY_CURRENT_USER, base + "\\Plain\\Full\\Inside"));
}

// A create tells whether it made the key named.
TEST(RegistryNoLinks, CreateSaysWhetherItMadeTheKey)
{
    const std::string base = "Software\\" + UniqueName();
    LinkCleanup cleanup;
    cleanup.Tree(HKEY_CURRENT_USER, base);
    cleanup.Tree(HKEY_LOCAL_MACHINE, base);
    for (HKEY hRoot : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        for (bool bFirst : {true, false}) {
            SCOPED_TRACE(std::string(hRoot == HKEY_CURRENT_USER ? "HKCU" : "HKLM") + (bFirst ? " first" : " again"));
            CRegKey key;
            bool bCreated = !bFirst;
            ASSERT_EQ(ERROR_SUCCESS, AfxRegCreateKeyNoLinks(hRoot, (base + "\\A\\B").c_str(), KEY_ALL_ACCESS, key, &bCreated));
            EXPECT_EQ(bFirst, bCreated);
            EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key.Get(), "Who", 0, REG_SZ, reinterpret_cast<const BYTE*>("b"), 2));
        }
        EXPECT_EQ("b", WhoAt(hRoot, base + "\\A\\B"));
        EXPECT_EQ(ERROR_SUCCESS, AfxRegDeleteKeyNoLinks(hRoot, (base + "\\A\\B").c_str()));
        EXPECT_FALSE(KeyExists(hRoot, base + "\\A\\B"));
        EXPECT_TRUE(KeyExists(hRoot, base + "\\A"));
    }
}

// The system's own link from a user's key to that user's classes is followed, and only that one:
// HKEY_USERS\<user>\Software\Classes leading to \REGISTRY\USER\<user>_Classes. (The test makes a
// user's keys of its own below HKEY_USERS.) HKEY_CURRENT_USER\Software\Classes, whatever it is on
// this system, keeps working; a link on the user's branch of a path below HKEY_CLASSES_ROOT fails it.
TEST(RegistryNoLinks, TheUsersClassesAreReachedAndNothingElse)
{
    const std::string u = UniqueName(), other = u + "-Other", classes = u + "_Classes";
    const std::string target = "Software\\" + u + "-Target";
    const std::string userClasses = "Software\\Classes";
    const bool bHadUserClasses = KeyExists(HKEY_CURRENT_USER, userClasses);
    {
        LinkCleanup cleanup;
        for (const std::string& key : {u, other, classes}) cleanup.Tree(HKEY_USERS, key);
        cleanup.Tree(HKEY_LOCAL_MACHINE, target);
        cleanup.Tree(HKEY_CURRENT_USER, userClasses + "\\" + u);
        cleanup.Tree(HKEY_CLASSES_ROOT, u + "-Plain");
        PutWho(HKEY_USERS, classes + "\\Foo", "classes");
        PutWho(HKEY_USERS, u + "\\Software", "software");
        PutWho(HKEY_USERS, other + "\\Software", "other");
        PutWho(HKEY_LOCAL_MACHINE, target, "target");
        PutWho(HKEY_CURRENT_USER, userClasses + "\\" + u, "user-classes");
        for (const auto& link : {std::make_pair(u + "\\Software\\Classes", classes),
                                 std::make_pair(u + "\\Software\\Elsewhere", classes),
                                 std::make_pair(other + "\\Software\\Classes", classes)}) {
            cleanup.Link(HKEY_USERS, link.first);
            ASSERT_TRUE(MakeRegistryLink(HKEY_USERS, link.first, "\\REGISTRY\\USER\\" + link.second));
        }
        cleanup.Link(HKEY_CURRENT_USER, userClasses + "\\" + u + "\\Link");
        ASSERT_TRUE(MakeRegistryLink(HKEY_CURRENT_USER, userClasses + "\\" + u + "\\Link", Machine(target)));
        ASSERT_EQ("classes", WhoAt(HKEY_USERS, other + "\\Software\\Classes\\Foo"));  // followed by the system

        const HKEY hu = HKEY_USERS, hcu = HKEY_CURRENT_USER, hcr = HKEY_CLASSES_ROOT;
        const LinkRow rows[] = {
            {"the user's classes", KeyOp::Open, hu, u + "\\Software\\Classes\\Foo", ERROR_SUCCESS, "classes"},
            {"the user's classes, any case", KeyOp::Open, hu, u + "\\SOFTWARE\\classes\\Foo", ERROR_SUCCESS, "classes"},
            {"a key made in the user's classes", KeyOp::Create, hu, u + "\\Software\\Classes\\Made", ERROR_SUCCESS, "-"},
            {"another user's classes", KeyOp::Open, hu, other + "\\Software\\Classes\\Foo", kErrorRegistryLink, ""},
            {"the classes by another name", KeyOp::Open, hu, u + "\\Software\\Elsewhere\\Foo", kErrorRegistryLink, ""},
            {"the link itself is not deleted", KeyOp::Delete, hu, u + "\\Software\\Classes", kErrorRegistryLink, ""},
            {"current user's classes", KeyOp::Open, hcu, userClasses + "\\" + u, ERROR_SUCCESS, "user-classes"},
            {"a link in the current user's classes", KeyOp::Open, hcu, userClasses + "\\" + u + "\\Link\\X",
             kErrorRegistryLink, ""},
            {"classes root: the user's branch holds a link", KeyOp::Open, hcr, u + "\\Link", kErrorRegistryLink, ""},
            {"classes root: make below the user's link", KeyOp::Create, hcr, u + "\\Link\\New", kErrorRegistryLink, ""},
            {"classes root: delete below the user's link", KeyOp::Delete, hcr, u + "\\Link\\New", kErrorRegistryLink, ""},
            {"classes root: a plain key", KeyOp::Create, hcr, u + "-Plain", ERROR_SUCCESS, "-"},
        };
        for (const LinkRow& row : rows) RunLinkRow(row);
        EXPECT_TRUE(KeyExists(HKEY_USERS, classes + "\\Made"));
        EXPECT_EQ("\\REGISTRY\\USER\\" + classes, RegistryLinkTarget(HKEY_USERS, u + "\\Software\\Classes"));
        EXPECT_EQ("target", WhoAt(HKEY_LOCAL_MACHINE, target));
        EXPECT_EQ(0u, SubKeyCount(HKEY_LOCAL_MACHINE, target));
    }
    if (!bHadUserClasses) RegDeleteKeyA(HKEY_CURRENT_USER, userClasses.c_str());  // only when empty
}

// A key line below a link fails the script with the key's name and why; nothing is written
// through the link, and the product is not registered.
TEST(RegistryNoLinks, TheScriptStopsAtAKeyBelowALink)
{
    const std::string u = UniqueName();
    const std::string base = "Software\\" + u, target = "Software\\" + u + "-Target";
    LinkCleanup cleanup;
    cleanup.Tree(HKEY_CURRENT_USER, base);
    cleanup.Tree(HKEY_LOCAL_MACHINE, target);
    cleanup.Tree(HKEY_LOCAL_MACHINE, kUninstallRoot + u);
    PutWho(HKEY_LOCAL_MACHINE, target + "\\Sub", "target-sub");
    PutWho(HKEY_CURRENT_USER, base, "base");
    cleanup.Link(HKEY_CURRENT_USER, base + "\\Link");
    ASSERT_TRUE(MakeRegistryLink(HKEY_CURRENT_USER, base + "\\Link", Machine(target)));

    struct Observer : RegistryScriptObserver {
        std::string failure;
        void OnStart(const char*) override {}
        void OnLine(const char*) override {}
        void OnScriptEnd(const char*, const char* pszFailure) override { failure = pszFailure ? pszFailure : ""; }
        void OnUninstall() override {}
    };
    struct MemoryLog : CFile {
        void Write(const void* p, UINT n) override { data.append(static_cast<const char*>(p), n); }
        std::string data;
    };
    struct Row {
        const char* pszName;
        std::string keyLine;  // below HKEY_CURRENT_USER\base
        std::string failure;
    } rows[] = {
        {"below the link", "Link\\Sub", "HKEY_CURRENT_USER\\" + base + "\\Link\\Sub: " + kRegistryLinkReason},
        {"the link", "Link", "HKEY_CURRENT_USER\\" + base + "\\Link: " + kRegistryLinkReason},
        {"a new key below the link", "Link\\New", "HKEY_CURRENT_USER\\" + base + "\\Link\\New: " + kRegistryLinkReason},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        const std::string text = "REGEDIT4\r\n[HKEY_CURRENT_USER\\" + base + "]\r\n\"Who\"=\"script\"\r\n" +
                                 "[HKEY_CURRENT_USER\\" + base + "\\" + row.keyLine + "]\r\n\"Who\"=\"script\"\r\n";
        RegistryScript script(text.data(), text.size(), "C:\\Zrv", u.c_str());
        MemoryLog log;
        Observer observer;
        EXPECT_EQ(0, script.Apply(log, GetSystemRegistry(), &observer));
        EXPECT_EQ(row.failure, observer.failure);
        EXPECT_EQ("[\\REGEDIT4]\r\n\\[HKEY_CURRENT_USER\\" + base + "]\r\nWho\r\n", log.data);
        EXPECT_EQ("script", WhoAt(HKEY_CURRENT_USER, base));  // the key line before it was applied
        EXPECT_EQ("target-sub", WhoAt(HKEY_LOCAL_MACHINE, target + "\\Sub"));
        EXPECT_EQ("-", WhoAt(HKEY_LOCAL_MACHINE, target));
        EXPECT_EQ(1u, SubKeyCount(HKEY_LOCAL_MACHINE, target));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallRoot + u));
    }
}

// Makes the key base under HKEY_CURRENT_USER, open in key, removed with cleanup.
void MakeUserKey(const std::string& base, KeyCleanup& cleanup, CRegKey& key)
{
    cleanup.Add(HKEY_CURRENT_USER, base);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, base.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             key.Receive(), nullptr));
}

// The registry reader: a string is read only as REG_SZ and within its bound, ends at its first zero
// whether or not one was stored; a number only as REG_DWORD; "is there a value" for every type;
// the names of subkeys and values, a name too long left out.
TEST(RegistryReader, ReadsEachValueAsItsTypeAllows)
{
    const std::string base = "Software\\" + UniqueName();
    KeyCleanup cleanup;
    CRegKey key;
    ASSERT_NO_FATAL_FAILURE(MakeUserKey(base, cleanup, key));
    struct Stored {
        const char* pszName;
        DWORD dwType;
        std::string data;
    } stored[] = {
        {"Text", REG_SZ, Sz("abc")},         {"NoZero", REG_SZ, "abc"},           {"Inner", REG_SZ, Sz("ab") + Sz("cd")},
        {"Long", REG_SZ, Sz("0123456789")}, {"Number", REG_DWORD, Dword(7)},     {"Bytes", REG_BINARY, "\x01\x02"},
        {"Short", REG_DWORD, "\x05\x00"},   {"Expand", REG_EXPAND_SZ, Sz("%x%")},
    };
    for (const Stored& s : stored)
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key.Get(), s.pszName, 0, s.dwType,
                                                reinterpret_cast<const BYTE*>(s.data.data()), DWORD(s.data.size())));
    for (const char* pszSub : {"One", "Two", "LongerThanEight"}) {
        CRegKey sub;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(key.Get(), pszSub, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, sub.Receive(), nullptr));
    }
    struct Row {
        const char* pszName;
        std::string text;  // AfxRegQueryStringValue with a bound of 8 bytes; "-": false
        bool bExists;
        std::string number;  // AfxRegQueryDword; "-": false
    } rows[] = {
        {"Text", "abc", true, "-"},   {"NoZero", "abc", true, "-"}, {"Inner", "ab", true, "-"},
        {"Long", "-", true, "-"},     {"Number", "-", true, "7"},   {"Bytes", "-", true, "-"},
        {"Short", "-", true, "-"},    {"Expand", "-", true, "-"},   {"Missing", "-", false, "-"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        CString text("-");
        if (!AfxRegQueryStringValue(key.Get(), row.pszName, text, 8)) text = "-";
        EXPECT_EQ(row.text, text.Str());
        CString viaPath("-");
        if (!AfxRegQueryString(HKEY_CURRENT_USER, base.c_str(), row.pszName, viaPath, 8)) viaPath = "-";
        EXPECT_EQ(row.text, viaPath.Str());
        EXPECT_EQ(row.bExists, AfxRegValueExists(key.Get(), row.pszName));
        EXPECT_EQ(row.bExists, AfxRegValueExists(HKEY_CURRENT_USER, base.c_str(), row.pszName));
        DWORD dw = 0;
        EXPECT_EQ(row.number, AfxRegQueryDword(key.Get(), row.pszName, dw) ? std::to_string(dw) : std::string("-"));
    }
    std::vector<BYTE> data;
    DWORD dwType = 0;
    EXPECT_EQ(ERROR_SUCCESS, AfxRegQueryValue(key.Get(), "Inner", &dwType, data));
    EXPECT_EQ(DWORD(REG_SZ), dwType);
    EXPECT_EQ(Sz("ab") + Sz("cd"), std::string(data.begin(), data.end()));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, AfxRegQueryValue(key.Get(), "Missing", &dwType, data));
    EXPECT_FALSE(AfxRegValueExists(HKEY_CURRENT_USER, (base + "\\Three").c_str(), "Text"));
    EXPECT_TRUE(AfxRegKeyExists(HKEY_CURRENT_USER, (base + "\\Two").c_str()));
    EXPECT_FALSE(AfxRegKeyExists(HKEY_CURRENT_USER, (base + "\\Three").c_str()));
    EXPECT_FALSE(AfxRegKeyExists(nullptr, base.c_str()));
    // In name order: the system's order of values is its own.
    auto joined = [](const std::vector<CString>& names) {
        std::vector<std::string> sorted;
        for (const CString& name : names) sorted.push_back(name.Str());
        std::sort(sorted.begin(), sorted.end());
        std::string all;
        for (const std::string& name : sorted) all += name + ",";
        return all;
    };
    EXPECT_EQ("One,Two,", joined(AfxRegSubKeyNames(key.Get(), 8)));
    EXPECT_EQ("Bytes,Inner,Long,Short,Text,", joined(AfxRegValueNames(key.Get(), 6)));
    EXPECT_EQ("Bytes,Expand,Inner,Long,NoZero,Number,Short,Text,", joined(AfxRegValueNames(key.Get())));
}

// The wide reader, as the font code reads FontLink and FontSubstitutes: face names that no narrow
// code page holds, as value names and as data; a REG_SZ to its first zero, a REG_MULTI_SZ to its
// first empty string or its end; nothing for another type, a missing value or key, a longer value.
TEST(RegistryReader, ReadsWideStringsAsTheirTypeAllows)
{
    const std::string base = "Software\\" + UniqueName();
    KeyCleanup cleanup;
    CRegKey key;
    ASSERT_NO_FATAL_FAILURE(MakeUserKey(base, cleanup, key));
    const std::wstring gothic = L"\xFF2D\xFF33 \x30B4\x30B7\x30C3\x30AF";  // full-width "MS", then "Gothic"
    const std::wstring song = L"\x5B8B\x4F53";
    const std::wstring links = L"MSGOTHIC.TTC," + gothic + L"\nSIMSUN.TTC," + song + L"\n\n";
    auto zeros = [](std::wstring text) {
        for (wchar_t& c : text)
            if (c == L'\n') c = L'\0';
        return text;
    };
    struct Stored {
        std::wstring name;
        DWORD dwType;
        std::wstring data;  // '\n' stands for a zero
        size_t nExtraBytes;  // of data's next character, written after it
    } stored[] = {
        {gothic, REG_MULTI_SZ, links, 0},
        {L"Face", REG_SZ, L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF,128\n", 0},
        {L"Open", REG_MULTI_SZ, L"a\nb", 0},
        {L"Gap", REG_MULTI_SZ, L"a\n\nb\n\n", 0},
        {L"Inner", REG_SZ, L"ab\ncd\n", 0},
        {L"EmptyList", REG_MULTI_SZ, L"\n", 0},
        {L"EmptyText", REG_SZ, L"\n", 0},
        {L"Odd", REG_SZ, L"abc", 1},  // "ab" and half of 'c'
        {L"Edge", REG_SZ, std::wstring(39, L'e') + L"\n", 0},  // as long as the bound
        {L"Long", REG_MULTI_SZ, std::wstring(39, L'l') + L"\n\n", 0},
        {L"Expand", REG_EXPAND_SZ, L"%x%\n", 0},
        {L"Number", REG_DWORD, L"\x0007\n", 0},
    };
    for (const Stored& s : stored) {
        const std::wstring data = zeros(s.data);
        const DWORD cb = DWORD(s.nExtraBytes ? (data.size() - 1) * sizeof(wchar_t) + s.nExtraBytes
                                             : data.size() * sizeof(wchar_t));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.Get(), s.name.c_str(), 0, s.dwType,
                                                reinterpret_cast<const BYTE*>(data.data()), cb));
    }
    struct Row {
        const char* what;
        std::string sub;  // below base
        std::wstring name;
        DWORD dwType;  // asked for
        std::wstring strings;  // each with '\n' after it; "-": false, strings untouched
    } rows[] = {
        {"links under a Japanese face", "", gothic, REG_MULTI_SZ, links.substr(0, links.size() - 1)},
        {"a list asked for as text", "", gothic, REG_SZ, L"-"},
        {"a Japanese substitute", "", L"Face", REG_SZ, L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF,128\n"},
        {"text asked for as a list", "", L"Face", REG_MULTI_SZ, L"-"},
        {"a list without its closing zeros", "", L"Open", REG_MULTI_SZ, L"a\nb\n"},
        {"a list ends at its first empty string", "", L"Gap", REG_MULTI_SZ, L"a\n"},
        {"text ends at its first zero", "", L"Inner", REG_SZ, L"ab\n"},
        {"an empty list", "", L"EmptyList", REG_MULTI_SZ, L""},
        {"an empty text is one string", "", L"EmptyText", REG_SZ, L"\n"},
        {"an odd last byte", "", L"Odd", REG_SZ, L"ab\n"},
        {"as long as the bound", "", L"Edge", REG_SZ, std::wstring(39, L'e') + L"\n"},
        {"longer than the bound", "", L"Long", REG_MULTI_SZ, L"-"},
        {"an expandable text", "", L"Expand", REG_SZ, L"-"},
        {"a number", "", L"Number", REG_SZ, L"-"},
        {"no such value", "", L"Missing", REG_MULTI_SZ, L"-"},
        {"no such key", "\\None", L"Face", REG_SZ, L"-"},
        {"a type that is no text", "", L"Number", REG_DWORD, L"-"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<std::wstring> strings = {L"-"};
        std::wstring got;
        if (AfxRegQueryWideStrings(HKEY_CURRENT_USER, (base + row.sub).c_str(), row.name.c_str(), row.dwType, strings,
                                   80)) {
            for (const std::wstring& one : strings) got += one + L"\n";
        } else {
            got = strings.size() == 1 ? strings[0] : L"changed";
        }
        EXPECT_EQ(row.strings, got);
    }
}
