// What was there before an installation, against the real registry and files under Wine: the
// script records existing keys and replaced values as it goes, and the removal leaves the keys and
// folders that existed and puts replaced values back, unless they were changed since.
#include "AfxHandle.h"
#include "InstallLog.h"
#include "PriorRecord.h"
#include "RegistryScript.h"
#include "Removal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../common/RegistryKeys.h"

namespace {

const char kBase[] = "Software\\ZrvPriorTest";
const char kProduct[] = "ZrvPriorTest";

// A log or record file kept in memory.
class MemoryFile : public CFile {
public:
    void Write(const void* lpBuf, UINT nCount) override { m_strData.append(static_cast<const char*>(lpBuf), nCount); }
    std::string m_strData;
};

struct RegValue {
    bool bExists = false;
    DWORD dwType = 0;
    std::string data;
};

RegValue Query(HKEY hRoot, const std::string& sub, const char* name)
{
    RegValue v;
    CRegKey h;
    if (RegOpenKeyExA(hRoot, sub.c_str(), 0, KEY_READ, h.Receive()) != ERROR_SUCCESS) return v;
    char buf[512];
    DWORD cb = sizeof buf;
    if (RegQueryValueExA(h.Get(), name, nullptr, &v.dwType, reinterpret_cast<BYTE*>(buf), &cb) == ERROR_SUCCESS) {
        v.bExists = true;
        v.data.assign(buf, cb);
    }
    return v;
}

void Set(const std::string& sub, const char* name, DWORD dwType, const std::string& data)
{
    CRegKey h;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, h.Receive(), nullptr),
              ERROR_SUCCESS);
    if (name) RegSetValueExA(h.Get(), name, 0, dwType, reinterpret_cast<const BYTE*>(data.data()), DWORD(data.size()));
}

std::string UninstallKey() { return std::string("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kProduct; }

std::string Script()
{
    const std::string b = std::string("[HKEY_CURRENT_USER\\") + kBase;
    return "INSTALL4\r\n[ZrvPriorTest]\r\nDiskImage=x.001\r\nDefaultDir=C:\\x\r\nREGEDIT4\r\n" + b +
           "\\Existing]\r\n\"Theirs\"=\"new\"\r\n\"Changed\"=\"ours\"\r\n\"Fresh\"=dword:5\r\n" + b + "\\Empty]\r\n" + b +
           "\\New\\Child]\r\n" + b + "\\New]\r\n\"V\"=\"x\"\r\n";
}

struct Installed {
    InstallRecord record;
    std::string strRecord;
};

// The script applied to the real registry with a record; the log and the record read back as the
// uninstaller reads them.
Installed Install(const std::string& target, bool bWithRecord)
{
    Installed out;
    const std::string text = Script();
    RegistryScript script(text.data(), text.size(), target.c_str(), kProduct);
    MemoryFile log, record;
    log.m_strData = "\\logs\r\n\\samples\r\n";
    PriorRecordWriter writer(&record);
    writer.Header();
    writer.Directory("logs");
    if (bWithRecord) script.m_pRecord = &writer;
    EXPECT_EQ(script.Apply(log), 1);
    LogDamage damage;
    EXPECT_TRUE(ParseInstallLog(log.m_strData.data(), log.m_strData.size(), out.record, damage)) << damage.strReason;
    out.strRecord = record.m_strData;
    PriorDamage priorDamage;
    if (bWithRecord) {
        EXPECT_TRUE(ParsePriorRecord(record.m_strData.data(), record.m_strData.size(), out.record.prior, priorDamage))
            << priorDamage.nLine << ": " << priorDamage.strReason;
    }
    return out;
}

std::string TempTarget()
{
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + "zrv-prior";
}

bool DirThere(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

TEST(PriorState, UninstallPutsBackWhatWasThere)
{
    const std::string base = kBase, t = TempTarget();
    const std::string oldTheirs("%TEMP%\\old\0", 12), oldChanged("\x00\xff\x01", 3);
    struct {
        const char* pszWhat;
        bool bWithRecord;
        bool bChangeAfterwards;
    } runs[] = {{"with a record", true, false}, {"a value changed after the install", true, true},
                {"without a record, as an installer of another make", false, false}};
    for (const auto& run : runs) {
        SCOPED_TRACE(run.pszWhat);
        DeleteKeyTree(HKEY_CURRENT_USER, base);
        DeleteKeyTree(HKEY_LOCAL_MACHINE, UninstallKey());
        Set(base + "\\Existing", "Theirs", REG_EXPAND_SZ, oldTheirs);
        Set(base + "\\Existing", "Changed", REG_BINARY, oldChanged);
        Set(base + "\\Existing", "Other", REG_SZ, std::string("kept\0", 5));
        Set(base + "\\Empty", nullptr, 0, "");
        RemoveDirectoryA((t + "\\logs").c_str());
        RemoveDirectoryA((t + "\\samples").c_str());
        CreateDirectoryA(t.c_str(), nullptr);
        CreateDirectoryA((t + "\\logs").c_str(), nullptr);
        CreateDirectoryA((t + "\\samples").c_str(), nullptr);

        Installed inst = Install(t, run.bWithRecord);
        if (run.bWithRecord) {
            // Existing keys and replaced values; of what the script made, only New, made on the way
            // to New\Child before its own key line opened it (it goes with New\Child when empty).
            const std::string k = "HKEY_CURRENT_USER\t" + base;
            EXPECT_EQ(inst.strRecord, "ZORVAN-PRIOR\t2\r\ndirectory\tlogs\r\n"
                                      "key\t" + k + "\\Existing\r\n"
                                      "value\t" + k + "\\Existing\tTheirs\tREG_EXPAND_SZ\t2554454d50255c6f6c640000\tREG_SZ\t6e657700\r\n"
                                      "value\t" + k + "\\Existing\tChanged\tREG_BINARY\t00ff01\tREG_SZ\t6f75727300\r\n"
                                      "key\t" + k + "\\Empty\r\n"
                                      "madekey\t" + k + "\\New\r\n");
        }
        EXPECT_EQ(Query(HKEY_CURRENT_USER, base + "\\Existing", "Theirs").data, std::string("new\0", 4));
        EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, UninstallKey(), "UninstallString").data,
                  "\"" + t + "\\Uninstal.exe\"" + std::string(1, '\0'));
        if (run.bChangeAfterwards) Set(base + "\\Existing", "Changed", REG_SZ, std::string("user\0", 5));

        RemovalReport report = RemoveInstalledItems(inst.record, t.c_str(), {}, nullptr);
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey())) << "the uninstall entry stays";
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, base + "\\New")) << "a key the script made stays";
        EXPECT_FALSE(Query(HKEY_CURRENT_USER, base + "\\Existing", "Fresh").bExists);
        EXPECT_FALSE(DirThere(t + "\\samples"));
        EXPECT_EQ(Query(HKEY_CURRENT_USER, base + "\\Existing", "Other").data, std::string("kept\0", 5));
        if (!run.bWithRecord) {
            // Today's rule: every listed key that is then empty goes, every listed value goes; the
            // key that still holds a value of someone else's stays, and is reported.
            EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, base + "\\Empty"));
            EXPECT_FALSE(DirThere(t + "\\logs"));
            EXPECT_FALSE(Query(HKEY_CURRENT_USER, base + "\\Existing", "Theirs").bExists);
            ASSERT_EQ(report.left.size(), 1u);
            EXPECT_EQ(report.left[0].strWhat.Str(), "HKEY_CURRENT_USER\\" + base + "\\Existing");
            continue;
        }
        EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, base + "\\Empty")) << "the empty key that was there went";
        EXPECT_TRUE(DirThere(t + "\\logs")) << "the folder that was there went";
        RegValue theirs = Query(HKEY_CURRENT_USER, base + "\\Existing", "Theirs");
        EXPECT_EQ(theirs.dwType, DWORD(REG_EXPAND_SZ));
        EXPECT_EQ(theirs.data, oldTheirs);
        RegValue changed = Query(HKEY_CURRENT_USER, base + "\\Existing", "Changed");
        if (run.bChangeAfterwards) {
            EXPECT_EQ(changed.dwType, DWORD(REG_SZ));
            EXPECT_EQ(changed.data, std::string("user\0", 5));
            ASSERT_EQ(report.left.size(), 1u);
            EXPECT_EQ(report.left[0].strWhat.Str(), "HKEY_CURRENT_USER\\" + base + "\\Existing: Changed");
            EXPECT_EQ(ReasonText(report.left[0]).Str(), "changed since the installation; left as it is");
        } else {
            EXPECT_EQ(changed.dwType, DWORD(REG_BINARY));
            EXPECT_EQ(changed.data, oldChanged);
            EXPECT_TRUE(report.left.empty()) << report.left[0].strWhat.Str() << ": " << ReasonText(report.left[0]).Str();
        }
    }
    DeleteKeyTree(HKEY_CURRENT_USER, base);
    RemoveDirectoryA((t + "\\logs").c_str());
    RemoveDirectoryA(t.c_str());
}

// A replaced value that is gone, or whose key is gone, by the time of the uninstall: nothing is
// put back, and the report says so.
TEST(PriorState, AValueRemovedSinceIsReported)
{
    const std::string base = kBase;
    const struct {
        const char* pszWhat;
        bool bDeleteKey;
        const char* pszReason;
    } cases[] = {
        {"the value", false, "removed since the installation; its earlier data was not put back"},
        {"its key", true, "its key was removed since the installation; its earlier data was not put back"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        DeleteKeyTree(HKEY_CURRENT_USER, base);
        Set(base + "\\K", "v", REG_SZ, std::string("new\0", 4));
        InstallRecord record;
        const std::string log = "[\\REGEDIT4]\r\n\\[HKEY_CURRENT_USER\\" + base + "\\K]\r\nv\r\n";
        LogDamage damage;
        ASSERT_TRUE(ParseInstallLog(log.data(), log.size(), record, damage));
        PriorValue v;
        v.nRoot = 1;
        v.strKey = base + "\\K";
        v.strName = "v";
        v.dwOldType = REG_SZ;
        v.oldData = {'o', 0};
        v.dwNewType = REG_SZ;
        v.newData = {'n', 'e', 'w', 0};
        record.prior.values.push_back(v);
        if (c.bDeleteKey) DeleteKeyTree(HKEY_CURRENT_USER, base + "\\K");
        else {
            CRegKey h;
            ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (base + "\\K").c_str(), 0, KEY_SET_VALUE, h.Receive()),
                      ERROR_SUCCESS);
            RegDeleteValueA(h.Get(), "v");
        }
        RemovalReport report = RemoveInstalledItems(record, "C:\\nowhere", {}, nullptr);
        ASSERT_EQ(report.left.size(), 1u);
        EXPECT_EQ(ReasonText(report.left[0]).Str(), c.pszReason);
        EXPECT_FALSE(Query(HKEY_CURRENT_USER, base + "\\K", "v").bExists);
    }
    DeleteKeyTree(HKEY_CURRENT_USER, base);
}
