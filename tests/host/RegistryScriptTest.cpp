// The registry script against the in-memory registry: grammar, values, log bytes, uninstall entry.
#include "AfxRegistry.h"
#include "MemoryRegistry.h"
#include "RegistryScript.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "../common/RegistryScriptRun.h"

namespace {

// Every key and value in creation order, one key a line:
//   HKCU\path: name="text" name=hex:01,02 name=dword:0000abcd
std::string Dump(const MemoryRegistry& registry)
{
    std::string out;
    for (const MemoryRegistry::Key& key : registry.GetKeys()) {
        std::string root = GetRootName(key.hRoot);
        out += root == "HKEY_CLASSES_ROOT" ? "HKCR" : root == "HKEY_CURRENT_USER" ? "HKCU"
             : root == "HKEY_LOCAL_MACHINE" ? "HKLM" : "HKU";
        out += "\\" + key.strPath + ":";
        for (const MemoryRegistry::Value& v : key.values) {
            out += " " + v.strName + "=";
            char buf[16];
            if (v.dwType == REG_SZ && !v.data.empty() && v.data.back() == 0) {
                out += "\"" + std::string(v.data.begin(), v.data.end() - 1) + "\"";
            } else if (v.dwType == REG_BINARY) {
                out += "hex:";
                for (size_t i = 0; i < v.data.size(); ++i) {
                    std::snprintf(buf, sizeof buf, i ? ",%02x" : "%02x", v.data[i]);
                    out += buf;
                }
            } else if (v.dwType == REG_DWORD && v.data.size() == 4) {
                DWORD dw;
                std::memcpy(&dw, v.data.data(), 4);
                std::snprintf(buf, sizeof buf, "dword:%08x", unsigned(dw));
                out += buf;
            } else {
                out += "?type" + std::to_string(v.dwType) + "/" + std::to_string(v.data.size());
            }
        }
        out += "\n";
    }
    return out;
}

#define M "REGEDIT4\r\n"
#define ML "[\\REGEDIT4]\r\n"
#define CU "[HKEY_CURRENT_USER\\Software\\Zrv]\r\n"
#define CUL "\\[HKEY_CURRENT_USER\\Software\\Zrv]\r\n"
#define CUD "HKCU\\Software\\Zrv:"
// The uninstall entry of Demo installed in C:\Demo: its log lines and its key.
#define UL "\\[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo]\r\nDisplayName\r\nUninstallString\r\nQuietUninstallString\r\nInstallLocation\r\nEstimatedSize\r\nDisplayIcon\r\nNoModify\r\nNoRepair\r\n"
// The entry's values after DisplayName, as Dump shows them, for the install path p (a payload of
// no bytes).
#define UVALS(p)                                                                                      \
    " UninstallString=\"\"" p "\\Uninstal.exe\"\" QuietUninstallString=\"\"" p "\\Uninstal.exe\" /S\"" \
    " InstallLocation=\"" p "\" EstimatedSize=dword:00000000 DisplayIcon=\"" p "\\Uninstal.exe,0\""           \
    " NoModify=dword:00000001 NoRepair=dword:00000001"
#define UD "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo: DisplayName=\"Demo\"" UVALS("C:\\Demo") "\n"

struct Case {
    const char* pszWhat;
    const char* pszScript;  // follows the settings of Setup.ini
    int nResult;
    const char* pszLog;
    const char* pszRegistry;
};

void RunTable(const Case* cases, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.pszWhat);
        MemoryRegistry registry;
        ScriptOutcome out = RunRegistryScript(c.pszScript, &registry);
        EXPECT_EQ(out.nResult != 0, c.nResult != 0);
        EXPECT_EQ(out.strLog, c.pszLog);
        EXPECT_EQ(Dump(registry), c.pszRegistry);
        EXPECT_EQ(registry.GetOpenKeyCount(), 0u) << "a key was left open";
        EXPECT_EQ(registry.GetBadCloseCount(), 0);
    }
}

}  // namespace

TEST(RegistryScript, FindingTheScript)
{
    const Case cases[] = {
        {"no marker: nothing at all", "", 1, "", ""},
        {"a marker in lower case is no marker", "regedit4\r\n" CU "\"a\"=\"x\"\r\n", 1, "", ""},
        {"marker without a line end", "REGEDIT4", 1, ML, ""},
        {"marker, then only empty lines", M "\r\n\r\n", 1, ML UL, UD},
        {"marker and its line end only", M, 1, ML UL, UD},
        {"comments, the last without a line end", M "# one\r\n# two", 1, ML, ""},
        {"the marker inside a line", "Script: REGEDIT4 follows\r\n" CU "\"a\"=\"x\"\r\n", 1, ML CUL "a\r\n" UL,
         CUD " a=\"x\"\n" UD},
        {"only the first marker counts", M CU "\"a\"=\"x\"\r\nREGEDIT4\r\n", 1, ML CUL "a\r\n" UL, CUD " a=\"x\"\n" UD},
    };
    RunTable(cases, sizeof cases / sizeof cases[0]);
}

TEST(RegistryScript, KeyLines)
{
    const Case cases[] = {
        {"the four roots",
         M "[HKEY_CLASSES_ROOT\\.zrv]\r\n[HKEY_CURRENT_USER\\A]\r\n[HKEY_LOCAL_MACHINE\\B\\C]\r\n[HKEY_USERS\\.DEFAULT\\D]\r\n",
         1,
         ML "\\[HKEY_CLASSES_ROOT\\.zrv]\r\n\\[HKEY_CURRENT_USER\\A]\r\n\\[HKEY_LOCAL_MACHINE\\B\\C]\r\n"
            "\\[HKEY_USERS\\.DEFAULT\\D]\r\n" UL,
         "HKCR\\.zrv:\nHKCU\\A:\nHKLM\\B\\C:\nHKU\\.DEFAULT\\D:\n" UD},
        {"a root in lower case", M "[hkey_current_user\\Software\\Zrv]\r\n\"a\"=\"x\"\r\n", 0, ML, ""},
        {"HKEY_CURRENT_CONFIG is no root", M "[HKEY_CURRENT_CONFIG\\Software]\r\n", 0, ML, ""},
        {"HKEY_DYN_DATA is no root", M "[HKEY_DYN_DATA\\X]\r\n", 0, ML, ""},
        {"a deletion line", M "[-HKEY_CURRENT_USER\\Software\\Zrv]\r\n", 0, ML, ""},
        {"a root without its backslash", M "[HKEY_USERS]\r\n", 0, ML, ""},
        {"no closing bracket", M "[HKEY_CURRENT_USER\\Software\\Zrv\r\n", 0, ML, ""},
        {"no closing bracket on the key's own line", M "[HKEY_CURRENT_USER\\Software\\Zrv\r\n\"a\"=\"]\"\r\n", 0, ML, ""},
        {"text after the bracket is ignored", M "[HKEY_CURRENT_USER\\Software\\Zrv] ; note\r\n\"a\"=\"x\"\r\n", 1,
         ML CUL "a\r\n" UL, CUD " a=\"x\"\n" UD},
        {"the path is taken as written, blanks and all",
         M "[HKEY_CURRENT_USER\\Software\\My Co\\\\x\\]\r\n", 1, ML "\\[HKEY_CURRENT_USER\\Software\\My Co\\\\x\\]\r\n" UL,
         "HKCU\\Software\\My Co\\\\x\\:\n" UD},
        {"a key without values, then the next key",
         M CU "[HKEY_CURRENT_USER\\Software\\Zrv\\Sub]\r\n\"a\"=dword:1\r\n", 1,
         ML CUL "\\[HKEY_CURRENT_USER\\Software\\Zrv\\Sub]\r\na\r\n" UL,
         CUD "\nHKCU\\Software\\Zrv\\Sub: a=dword:00000001\n" UD},
        {"a later bad key line keeps what came before",
         M CU "\"a\"=\"x\"\r\n[HKEY_CURRENT_CONFIG\\X]\r\n[HKEY_USERS\\Y]\r\n", 0, ML CUL "a\r\n", CUD " a=\"x\"\n"},
    };
    RunTable(cases, sizeof cases / sizeof cases[0]);
}

TEST(RegistryScript, SkippedAndEndingLines)
{
    const Case cases[] = {
        {"comments, blanks and empty lines anywhere",
         M "# c\r\n\r\n  indented\r\n" CU "# c\r\n\r\n\"a\"=\"x\"\r\n \"b\"=\"ignored\"\r\n#\r\n\"c\"=\"y\"\r\n\r\n"
           "[HKEY_CURRENT_USER\\Software\\Zrv2]\r\n",
         1, ML CUL "a\r\nc\r\n\\[HKEY_CURRENT_USER\\Software\\Zrv2]\r\n" UL,
         CUD " a=\"x\" c=\"y\"\nHKCU\\Software\\Zrv2:\n" UD},
        {"a default value line ends the script", M CU "\"a\"=\"x\"\r\n@=\"d\"\r\n[HKEY_USERS\\Y]\r\n", 1,
         ML CUL "a\r\n" UL, CUD " a=\"x\"\n" UD},
        {"a semicolon line ends the script", M CU "; c\r\n\"a\"=\"x\"\r\n", 1, ML CUL UL, CUD "\n" UD},
        {"a tab line ends the script", M CU "\t\"a\"=\"x\"\r\n", 1, ML CUL UL, CUD "\n" UD},
        {"a value line before any key", M "\"a\"=\"x\"\r\n" CU, 1, ML UL, UD},
        {"the last value line without a line end", M CU "\"a\"=dword:2", 1, ML CUL "a\r\n" UL,
         CUD " a=dword:00000002\n" UD},
        {"a key line that is the last line", M "[HKEY_CURRENT_USER\\Software\\Zrv]", 1, ML CUL UL, CUD "\n" UD},
        {"a comment without line end after the values", M CU "\"a\"=\"x\"\r\n# end", 1, ML CUL "a\r\n" UL,
         CUD " a=\"x\"\n" UD},
        {"a bare line feed is no line end", M CU "\"a\"=\"x\"\n\"b\"=\"y\"\r\n", 1, ML CUL "a\r\n" UL,
         CUD " a=\"x\"\n" UD},
        {"a bare line feed or carriage return inside a key path is part of it",
         M "[HKEY_CURRENT_USER\\A\nB\rC]\r\n\"a\"=\"x\"\r\n", 1, ML "\\[HKEY_CURRENT_USER\\A\nB\rC]\r\na\r\n" UL,
         "HKCU\\A\nB\rC: a=\"x\"\n" UD},
    };
    RunTable(cases, sizeof cases / sizeof cases[0]);
}

TEST(RegistryScript, ValueLines)
{
    const Case cases[] = {
        {"string, binary and dword", M CU "\"s\"=\"text\"\r\n\"b\"=hex:0a,FF,7c\r\n\"d\"=dword:1234\r\n", 1,
         ML CUL "s\r\nb\r\nd\r\n" UL, CUD " s=\"text\" b=hex:0a,ff,7c d=dword:00001234\n" UD},
        {"an empty name sets the default value", M CU "\"\"=\"def\"\r\n", 1, ML CUL "\r\n" UL, CUD " =\"def\"\n" UD},
        {"names and values keep backslashes", M CU "\"a\\\\b\"=\"c:\\\\x\\y\"\r\n", 1, ML CUL "a\\\\b\r\n" UL,
         CUD " a\\\\b=\"c:\\\\x\\y\"\n" UD},
        {"an empty string", M CU "\"e\"=\"\"\r\n", 1, ML CUL "e\r\n" UL, CUD " e=\"\"\n" UD},
        {"a string running over a line end; its continuation ends the values",
         M CU "\"m\"=\"one\r\ntwo\"\r\n\"n\"=\"x\"\r\n", 1, ML CUL "m\r\n" UL, CUD " m=\"one\r\ntwo\"\n" UD},
        {"a value set twice keeps the second", M CU "\"a\"=\"x\"\r\n\"A\"=dword:5\r\n", 1, ML CUL "a\r\nA\r\n" UL,
         CUD " a=dword:00000005\n" UD},
        {"blank before the equals sign", M CU "\"a\" =\"x\"\r\n", 0, ML CUL, CUD "\n"},
        {"blank after the equals sign", M CU "\"a\"= \"x\"\r\n", 0, ML CUL, CUD "\n"},
        {"name without closing quote", M CU "\"a=\"x\r\n", 0, ML CUL, CUD "\n"},
        {"name closed only on a later line", M CU "\"a\r\n\"=\"x\"\r\n", 0, ML CUL, CUD "\n"},
        {"a bare line feed or carriage return inside a name is part of it", M CU "\"a\nb\rc\"=\"x\"\r\n", 1,
         ML CUL "a\nb\rc\r\n" UL, CUD " a\nb\rc=\"x\"\n" UD},
        {"string without closing quote", M CU "\"a\"=\"x\r\n", 0, ML CUL, CUD "\n"},
        {"unknown form", M CU "\"a\"=x\r\n", 0, ML CUL, CUD "\n"},
        {"typed hex form", M CU "\"a\"=hex(2):41,00\r\n", 0, ML CUL, CUD "\n"},
        {"forms are case-sensitive", M CU "\"a\"=DWORD:1\r\n", 0, ML CUL, CUD "\n"},
        {"a failed value ends the script", M CU "\"a\"=\"x\"\r\n\"b\"=bad\r\n\"c\"=\"y\"\r\n[HKEY_USERS\\Y]\r\n", 0,
         ML CUL "a\r\n", CUD " a=\"x\"\n"},
    };
    RunTable(cases, sizeof cases / sizeof cases[0]);
}

TEST(RegistryScript, BinaryAndDwordForms)
{
    const Case cases[] = {
        {"one-digit byte ends the list", M CU "\"b\"=hex:1,02\r\n", 1, ML CUL "b\r\n" UL, CUD " b=hex:01\n" UD},
        {"blank after a comma drops the rest", M CU "\"b\"=hex:01, 02,03\r\n", 1, ML CUL "b\r\n" UL,
         CUD " b=hex:01,02\n" UD},
        {"blank before the first byte", M CU "\"b\"=hex: 0a,0b\r\n", 1, ML CUL "b\r\n" UL, CUD " b=hex:0a\n" UD},
        {"three digits: the third ends the list", M CU "\"b\"=hex:123,45\r\n", 1, ML CUL "b\r\n" UL,
         CUD " b=hex:12\n" UD},
        {"missing commas", M CU "\"b\"=hex:0102\r\n", 1, ML CUL "b\r\n" UL, CUD " b=hex:01\n" UD},
        {"no digit", M CU "\"b\"=hex:\r\n", 0, ML CUL, CUD "\n"},
        {"not a digit", M CU "\"b\"=hex:zz\r\n", 0, ML CUL, CUD "\n"},
        {"continued with a backslash", M CU "\"b\"=hex:01,02,\\\r\n  03\r\n", 0, ML CUL, CUD "\n"},
        {"trailing comma, nothing after", M CU "\"b\"=hex:01,", 0, ML CUL, CUD "\n"},
        {"one digit at the very end", M CU "\"b\"=hex:01,0", 1, ML CUL "b\r\n" UL, CUD " b=hex:01,00\n" UD},
        {"two digits at the very end", M CU "\"b\"=hex:ab", 1, ML CUL "b\r\n" UL, CUD " b=hex:ab\n" UD},
        {"no sign, no 0x", M CU "\"b\"=hex:+1\r\n\"c\"=dword:-1\r\n", 0, ML CUL, CUD "\n"},
        {"dword of four digits is the low half", M CU "\"d\"=dword:abCD\r\n", 1, ML CUL "d\r\n" UL,
         CUD " d=dword:0000abcd\n" UD},
        {"dword of eight digits", M CU "\"d\"=dword:FFFFFFFF\r\n", 1, ML CUL "d\r\n" UL, CUD " d=dword:ffffffff\n" UD},
        {"dword: digits after the eighth are ignored", M CU "\"d\"=dword:123456789abc\r\n", 1, ML CUL "d\r\n" UL,
         CUD " d=dword:12345678\n" UD},
        {"dword: blanks before, text after", M CU "\"d\"=dword:  10 ; sixteen\r\n", 1, ML CUL "d\r\n" UL,
         CUD " d=dword:00000010\n" UD},
        {"dword without a digit", M CU "\"d\"=dword:\r\n\"e\"=dword:1\r\n", 0, ML CUL, CUD "\n"},
        {"dword at the very end", M CU "\"d\"=dword:7", 1, ML CUL "d\r\n" UL, CUD " d=dword:00000007\n" UD},
    };
    RunTable(cases, sizeof cases / sizeof cases[0]);
}

TEST(RegistryScript, InstallPathInStrings)
{
    const Case cases[] = {
        {"path and a directory", M "[HKEY_LOCAL_MACHINE\\Software\\Zrv]\r\n\"Dir\"=\"%INSTALLPATH%\\bin\"\r\n", 1,
         ML "\\[HKEY_LOCAL_MACHINE\\Software\\Zrv]\r\nDir\r\n" UL, "HKLM\\Software\\Zrv: Dir=\"C:\\Demo\\bin\"\n" UD},
        {"with %% the percent is halved", M CU "\"p\"=\"%INSTALLPATH%\\100%%\"\r\n", 1, ML CUL "p\r\n" UL,
         CUD " p=\"C:\\Demo\\100%\"\n" UD},
        {"%% before it too", M CU "\"p\"=\"%%%INSTALLPATH%\"\r\n", 1, ML CUL "p\r\n" UL, CUD " p=\"%C:\\Demo\"\n" UD},
        {"without it %% stays", M CU "\"p\"=\"100%%\"\r\n", 1, ML CUL "p\r\n" UL, CUD " p=\"100%%\"\n" UD},
        {"a second one is kept", M CU "\"p\"=\"%INSTALLPATH%;%INSTALLPATH%\"\r\n", 1, ML CUL "p\r\n" UL,
         CUD " p=\"C:\\Demo;%INSTALLPATH%\"\n" UD},
        {"other directives are kept", M CU "\"p\"=\"%s%n%d %INSTALLPATH% %x%*s%\"\r\n", 1, ML CUL "p\r\n" UL,
         CUD " p=\"%s%n%d C:\\Demo %x%*s%\"\n" UD},
        {"case-sensitive", M CU "\"p\"=\"%installpath%%%\"\r\n", 1, ML CUL "p\r\n" UL,
         CUD " p=\"%installpath%%%\"\n" UD},
        {"not in binary values", M CU "\"b\"=hex:25,25\r\n", 1, ML CUL "b\r\n" UL, CUD " b=hex:25,25\n" UD},
    };
    RunTable(cases, sizeof cases / sizeof cases[0]);
}

// Registry calls that fail: the script ends there, nothing more is written or logged.
TEST(RegistryScript, RegistryFailures)
{
    struct FailCase {
        const char* pszWhat;
        const char* pszFailKey;
        const char* pszFailValue;
        const char* pszLog;
        const char* pszRegistry;
    } cases[] = {
        {"script key refused", "Software\\Zrv2", "", ML CUL "a\r\n", CUD " a=\"x\"\n"},
        {"script value refused", "", "b", ML CUL "a\r\n\\[HKEY_CURRENT_USER\\Software\\Zrv2]\r\n",
         CUD " a=\"x\"\nHKCU\\Software\\Zrv2:\n"},
        {"uninstall key refused", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo", "",
         ML CUL "a\r\n\\[HKEY_CURRENT_USER\\Software\\Zrv2]\r\nb\r\nc\r\n",
         CUD " a=\"x\"\nHKCU\\Software\\Zrv2: b=\"y\" c=\"z\"\n"},
        {"display name refused", "", "DisplayName",
         ML CUL "a\r\n\\[HKEY_CURRENT_USER\\Software\\Zrv2]\r\nb\r\nc\r\n"
                "\\[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo]\r\n",
         CUD " a=\"x\"\nHKCU\\Software\\Zrv2: b=\"y\" c=\"z\"\nHKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo:\n"},
        {"uninstall string refused", "", "UninstallString",
         ML CUL "a\r\n\\[HKEY_CURRENT_USER\\Software\\Zrv2]\r\nb\r\nc\r\n"
                "\\[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo]\r\nDisplayName\r\n",
         CUD " a=\"x\"\nHKCU\\Software\\Zrv2: b=\"y\" c=\"z\"\n"
             "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo: DisplayName=\"Demo\"\n"},
    };
    const char* pszScript = M CU "\"a\"=\"x\"\r\n[HKEY_CURRENT_USER\\Software\\Zrv2]\r\n\"b\"=\"y\"\r\n\"c\"=\"z\"\r\n";
    for (const FailCase& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        MemoryRegistry registry;
        if (*c.pszFailKey) registry.FailCreateKey(c.pszFailKey);
        if (*c.pszFailValue) registry.FailSetValue(c.pszFailValue);
        ScriptOutcome out = RunRegistryScript(pszScript, &registry);
        EXPECT_EQ(out.nResult, 0);
        EXPECT_EQ(out.strLog, c.pszLog);
        EXPECT_EQ(Dump(registry), c.pszRegistry);
        EXPECT_EQ(registry.GetOpenKeyCount(), 0u);
        EXPECT_EQ(registry.GetBadCloseCount(), 0);
    }
}

TEST(RegistryScript, UninstallEntry)
{
    struct UninstallCase {
        const char* pszWhat;
        const char* pszInstallPath;
        const char* pszProduct;
        int nResult;
        const char* pszLog;
        const char* pszRegistry;
    } cases[] = {
        {"a trailing backslash stays", "C:\\Demo\\", "Demo", 1, ML UL,
         "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo: DisplayName=\"Demo\"" UVALS("C:\\Demo\\") "\n"},
        {"percent signs in the path are not directives", "C:\\50%%s\\%n", "Demo", 1, ML UL,
         "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo: DisplayName=\"Demo\""
             UVALS("C:\\50%%s\\%n") "\n"},
        {"a quote cuts the display name", "C:\\Demo", "Zrv \"Pro\"", 1,
         ML "\\[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zrv \"Pro\"]\r\n"
            "DisplayName\r\nUninstallString\r\nQuietUninstallString\r\nInstallLocation\r\nEstimatedSize\r\nDisplayIcon\r\nNoModify\r\nNoRepair\r\n",
         "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zrv \"Pro\": DisplayName=\"Zrv \""
             UVALS("C:\\Demo") "\n"},
        {"percent signs in the product name", "C:\\Demo", "50%% %s", 1,
         ML "\\[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\50%% %s]\r\n"
            "DisplayName\r\nUninstallString\r\nQuietUninstallString\r\nInstallLocation\r\nEstimatedSize\r\nDisplayIcon\r\nNoModify\r\nNoRepair\r\n",
         "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\50%% %s: DisplayName=\"50%% %s\""
             UVALS("C:\\Demo") "\n"},
        {"an empty product name is not registered", "C:\\Demo", "", 0, ML, ""},
        {"a backslash in the product name makes a nested key", "C:\\Demo", "Zrv\\Pro", 1,
         ML "\\[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zrv\\Pro]\r\n"
            "DisplayName\r\nUninstallString\r\nQuietUninstallString\r\nInstallLocation\r\nEstimatedSize\r\nDisplayIcon\r\nNoModify\r\nNoRepair\r\n",
         "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zrv\\Pro: DisplayName=\"Zrv\\Pro\""
             UVALS("C:\\Demo") "\n"},
        {"a line break in the product name is not registered", "C:\\Demo", "Zrv\r\nPro", 0, ML, ""},
        {"a lone line feed in the product name is not registered", "C:\\Demo", "Zrv\nPro", 0, ML, ""},
    };
    for (const UninstallCase& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        MemoryRegistry registry;
        ScriptOutcome out = RunRegistryScript(M, &registry, c.pszInstallPath, c.pszProduct);
        EXPECT_EQ(out.nResult != 0, c.nResult != 0);
        EXPECT_EQ(out.strLog, c.pszLog);
        EXPECT_EQ(Dump(registry), c.pszRegistry);
    }
}

// DisplayVersion and Publisher of the extension lines join the entry after its own values, taken as
// written (no %INSTALLPATH%, quotes kept), only when given and only from before the script.
TEST(RegistryScript, VersionAndPublisher)
{
    const Case cases[] = {
        {"both", "DisplayVersion=2.1 \"beta\"\r\nPublisher=Nexal %INSTALLPATH%\r\n" M, 1,
         ML UL "DisplayVersion\r\nPublisher\r\n", "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo: DisplayName=\"Demo\"" UVALS("C:\\Demo")
         " DisplayVersion=\"2.1 \"beta\"\" Publisher=\"Nexal %INSTALLPATH%\"\n"},
        {"the later line counts, an empty one writes nothing", "Publisher=A\r\nPublisher=B\r\nDisplayVersion=\r\n" M, 1,
         ML UL "Publisher\r\n", "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo: DisplayName=\"Demo\"" UVALS("C:\\Demo")
         " Publisher=\"B\"\n"},
        {"after the marker they are no settings", M "Publisher=A\r\n", 1, ML UL, UD},
    };
    RunTable(cases, sizeof cases / sizeof cases[0]);
}

// Long and hostile values: the byte list grows past its first buffer, and overlong digit and blank
// runs are read only as far as the grammar allows.
TEST(RegistryScript, LargeValues)
{
    std::string list;
    std::string expected = "hex:";
    for (int i = 0; i < 100000; ++i) {
        char buf[8];
        std::snprintf(buf, sizeof buf, i ? ",%02X" : "%02X", i & 0xFF);
        list += buf;
        std::snprintf(buf, sizeof buf, i ? ",%02x" : "%02x", i & 0xFF);
        expected += buf;
    }
    const std::string script = M CU "\"big\"=hex:" + list + "\r\n\"d\"=dword:" + std::string(5000, '7') +
                               "\r\n\"w\"=dword:" + std::string(5000, ' ') + "1\r\n\"s\"=\"" +
                               std::string(70000, 'x') + "\"\r\n";
    MemoryRegistry registry;
    ScriptOutcome out = RunRegistryScript(script, &registry);
    EXPECT_EQ(out.nResult, 1);
    EXPECT_EQ(out.strLog, ML CUL "big\r\nd\r\nw\r\ns\r\n" UL);
    EXPECT_EQ(Dump(registry), CUD " big=" + expected + " d=dword:77777777 w=dword:00000001 s=\"" +
                                  std::string(70000, 'x') + "\"\n" UD);
}

// Apply without a registry argument uses the system registry, which off Windows is in memory.
TEST(RegistryScript, TheSystemRegistryOffWindows)
{
    ScopedTempDir dir;
    WriteBytes("Setup.ini", ChainSetupIni(std::string(SetupIniHeader()) + M CU "\"a\"=dword:3\r\n"));
    RegistryScript script("Setup.ini", "C:\\Demo", "Demo");
    CFile log;
    ASSERT_TRUE(log.Open("Install.log", CFile::modeCreate | CFile::modeWrite));
    EXPECT_EQ(script.Apply(log), 1);
    log.Close();
    auto* pRegistry = dynamic_cast<MemoryRegistry*>(&GetSystemRegistry());
    ASSERT_NE(pRegistry, nullptr);
    const MemoryRegistry::Value* pValue = pRegistry->FindValue(HKEY_CURRENT_USER, "software\\zrv", "A");
    ASSERT_NE(pValue, nullptr);
    EXPECT_EQ(pValue->dwType, DWORD(REG_DWORD));
    EXPECT_EQ(ReadBytes("Install.log"), ML CUL "a\r\n" UL);
}

// A log that fails on its nth write, as a full disk would.
class FailingLog : public CFile {
public:
    explicit FailingLog(int nFailAt) : m_nLeft(nFailAt) {}
    void Write(const void*, UINT) override
    {
        if (--m_nLeft == 0) AfxThrowFileException(CFileException::diskFull);
    }

private:
    int m_nLeft;
};

// A log write that throws leaves the script there, with no key left open.
TEST(RegistryScript, ALogFailureClosesTheOpenKey)
{
    ScopedTempDir dir;
    WriteBytes("Setup.ini", ChainSetupIni(std::string(SetupIniHeader()) + M CU "\"a\"=dword:3\r\n\"b\"=dword:4\r\n"));
    RegistryScript script("Setup.ini", "C:\\Demo", "Demo");
    for (int nFailAt = 1; nFailAt <= 5; ++nFailAt) {
        SCOPED_TRACE(nFailAt);
        MemoryRegistry registry;
        FailingLog log(nFailAt);
        try {
            script.Apply(log, registry);
            ADD_FAILURE() << "the log's exception was lost";
        } catch (CFileException* e) {
            EXPECT_EQ(e->m_cause, CFileException::diskFull);
            e->Delete();
        }
        EXPECT_EQ(registry.GetOpenKeyCount(), 0u);
        EXPECT_EQ(registry.GetBadCloseCount(), 0);
    }
}

// A log held in memory that records each write separately.
class MemoryLog : public CFile {
public:
    void Write(const void* lpBuf, UINT nCount) override
    {
        m_writes.emplace_back(static_cast<const char*>(lpBuf), nCount);
    }
    std::vector<std::string> m_writes;
};

// Scripts put together at random from the grammar's pieces: whatever the input, nothing is read
// outside the text (the sanitizer build checks that), the text stays as it was, every key opened
// is closed, and each log write is exactly one line.
TEST(RegistryScript, RandomScriptsKeepTheInvariants)
{
    const char* pieces[] = {"REGEDIT4", "\r\n", "\r", "\n", "[", "]", "HKEY_CURRENT_USER\\", "HKEY_USERS\\", "K",
                            "\"", "=", "hex:", "dword:", ",", "0", "7f", "A", " ", "\t", "#", "@", "%INSTALLPATH%",
                            "%%", "%s", "%n", "\\", ";"};
    const char* lines[] = {CU, "[HKEY_LOCAL_MACHINE\\K\\L]\r\n", "\"v\"=\"x%INSTALLPATH%\"\r\n",
                           "\"w\"=hex:01,02\r\n", "\"\"=dword:ff\r\n", "\r\n", "# c\r\n"};
    int nWithValues = 0;
    int nRegistered = 0;
    ScopedTempDir dir;
    WriteBytes("Setup.ini", ChainSetupIni(SetupIniHeader()));
    RegistryScript script("Setup.ini", "C:\\Demo", "Demo");
    delete[] script.m_pText;
    script.m_pText = nullptr;

    uint32_t seed = 12345;
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    for (int run = 0; run < 20000; ++run) {
        std::string text = "REGEDIT4\r\n";
        for (unsigned n = next() % 40; n > 0; --n) {
            if (next() % 4 == 0)
                text += pieces[next() % (sizeof pieces / sizeof pieces[0])];
            else
                text += lines[next() % (sizeof lines / sizeof lines[0])];
        }
        // An exactly sized buffer, so that reading past its NUL is caught.
        script.m_pText = new char[text.size() + 1];
        std::memcpy(script.m_pText, text.c_str(), text.size() + 1);

        MemoryRegistry registry;
        MemoryLog log;
        int nResult = script.Apply(log, registry);
        ASSERT_TRUE(nResult == 0 || nResult == 1) << text;
        ASSERT_EQ(std::string(script.m_pText), text);
        ASSERT_EQ(registry.GetOpenKeyCount(), 0u) << text;
        ASSERT_EQ(registry.GetBadCloseCount(), 0) << text;
        ASSERT_FALSE(log.m_writes.empty());
        EXPECT_EQ(log.m_writes[0], ML);
        for (const std::string& line : log.m_writes) {
            ASSERT_GE(line.size(), 2u) << text;
            EXPECT_EQ(line.find_first_of("\r\n"), line.size() - 2) << text;
        }
        for (const MemoryRegistry::Key& key : registry.GetKeys()) {
            if (key.strPath.rfind("SOFTWARE\\Microsoft", 0) == 0) ++nRegistered;
            else if (!key.values.empty()) ++nWithValues;
        }
        delete[] script.m_pText;
        script.m_pText = nullptr;
    }
    // The pieces must make real scripts often enough for the run to mean something.
    EXPECT_GT(nWithValues, 1000);
    EXPECT_GT(nRegistered, 1000);
}

// What an observer is told: each key and value line before it is applied, where the key lines
// ended and why a line failed, and the start of the uninstall registration, which follows only a
// script that did not fail.
TEST(RegistryScript, TellsAnObserverWhereItIs)
{
    struct Recorder : RegistryScriptObserver {
        const char* pText;
        std::string events;
        std::string At(const char* p) { return p ? std::to_string(p - pText) : std::string("end"); }
        void OnStart(const char* p) override { events += "start@" + At(p) + " "; }
        void OnLine(const char* p) override { events += "line@" + At(p) + " "; }
        void OnScriptEnd(const char* p, const char* why) override
        {
            events += "end@" + At(p) + (why ? std::string(" (") + why + ")" : "") + " ";
        }
        void OnUninstall() override { events += "uninstall"; }
    };
    struct Case {
        const char* pszText;
        const char* pszEvents;
    } cases[] = {
        {"no script", ""},
        {"REGEDIT4", "start@0 end@end "},
        // Only skipped lines after the marker: the key lines end at the text's terminating NUL.
        {"REGEDIT4\r\n\r\n", "start@0 end@12 uninstall"},
        {"REGEDIT4\r\n[HKEY_USERS\\X]\r\n# c\r\n\"a\"=\"b\"\r\n;x\r\n[HKEY_USERS\\Y]\r\n",
         "start@0 line@10 line@31 end@40 uninstall"},
        {"REGEDIT4\r\n[HKEY_USERS\\X]\r\n\"a\"=dword:1\r\n\"b\"=DWORD:1\r\n\"c\"=\"d\"\r\n",
         "start@0 line@10 line@26 line@39 end@39 (the value is neither a quoted string nor hex: nor dword:) "},
        {"REGEDIT4\r\n[HKLM\\X]\r\n", "start@0 line@10 end@10 (the key line does not begin with a root the installer knows) "},
        {"REGEDIT4\r\n[HKEY_USERS\\X\r\n]\r\n", "start@0 line@10 end@10 (the key line has no closing ]) "},
        {"REGEDIT4\r\n[HKEY_USERS\\X]\r\n\"a\"=hex:,\r\n", "start@0 line@10 line@26 end@26 (a hexadecimal byte is expected here in the hex: list) "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszText);
        RegistryScript script(c.pszText, std::strlen(c.pszText), "C:\\Demo", "Demo");
        Recorder recorder;
        recorder.pText = script.GetText();
        MemoryRegistry registry;
        MemoryLog log;
        script.Apply(log, registry, &recorder);
        EXPECT_EQ(recorder.events, c.pszEvents);
    }
}

namespace {

// Install.log or Install.prior kept in memory.
class MemoryFile : public CFile {
public:
    void Write(const void* lpBuf, UINT nCount) override { m_strData.append(static_cast<const char*>(lpBuf), nCount); }
    std::string m_strData;
};

void Put(MemoryRegistry& registry, HKEY hRoot, const char* pszKey, const char* pszName, const std::string& data)
{
    HKEY hKey = nullptr;
    ASSERT_EQ(registry.CreateKey(hRoot, pszKey, &hKey, nullptr), ERROR_SUCCESS);
    if (pszName)
        registry.SetValue(hKey, pszName, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), DWORD(data.size() + 1));
    registry.CloseKey(hKey);
}

}  // namespace

// The record of what the script found: keys that existed, values it replaced with their earlier
// and new data, and nothing that this run or an earlier installation into the folder made.
// The keys below which every Windows keeps its programs' keys and entries.
static void EveryWindowsHas(MemoryRegistry& registry)
{
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
        for (const char* key : {"SOFTWARE", "SOFTWARE\\Microsoft", "SOFTWARE\\Microsoft\\Windows",
                                "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                                "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"})
            Put(registry, root, key, nullptr, "");
}

TEST(RegistryScript, RecordsWhatWasThere)
{
    const struct {
        const char* pszWhat;
        void (*setUp)(MemoryRegistry&);
        const char* pszScript;
        const char* pszEarlierLog;
        const char* pszEarlierRecord;
        const char* pszRecord;  // after the header
    } cases[] = {
        {"nothing there", [](MemoryRegistry&) {}, M CU "\"a\"=\"x\"\r\n", "", "", ""},
        {"an empty key", [](MemoryRegistry& r) { Put(r, HKEY_CURRENT_USER, "software\\ZRV", nullptr, ""); },
         M CU "\"a\"=\"x\"\r\n", "", "", "key\tHKEY_CURRENT_USER\tSoftware\\Zrv\r\n"},
        {"a replaced value, and one that is new", [](MemoryRegistry& r) { Put(r, HKEY_CURRENT_USER, "Software\\Zrv", "A", "old"); },
         M CU "\"a\"=\"x\"\r\n\"b\"=dword:1\r\n", "", "",
         "key\tHKEY_CURRENT_USER\tSoftware\\Zrv\r\nvalue\tHKEY_CURRENT_USER\tSoftware\\Zrv\ta\tREG_SZ\t6f6c6400\tREG_SZ\t7800\r\n"},
        {"a value set twice: its earlier data each time, the last new data last",
         [](MemoryRegistry& r) { Put(r, HKEY_CURRENT_USER, "Software\\Zrv", "a", "old"); },
         M CU "\"a\"=\"x\"\r\n\"a\"=dword:2\r\n", "", "",
         "key\tHKEY_CURRENT_USER\tSoftware\\Zrv\r\nvalue\tHKEY_CURRENT_USER\tSoftware\\Zrv\ta\tREG_SZ\t6f6c6400\tREG_SZ\t7800\r\n"
         "value\tHKEY_CURRENT_USER\tSoftware\\Zrv\ta\tREG_SZ\t6f6c6400\tREG_DWORD\t02000000\r\n"},
        {"a key and value this run made, met again", [](MemoryRegistry&) {},
         M CU "\"a\"=\"x\"\r\n[HKEY_CURRENT_USER\\SOFTWARE\\zrv\\]\r\n\"a\"=\"y\"\r\n", "", "", ""},
        {"the uninstall entry over an existing one",
         [](MemoryRegistry& r) { Put(r, HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo", "DisplayName", "Old"); },
         M, "", "",
         "key\tHKEY_LOCAL_MACHINE\tSOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo\r\n"
         "value\tHKEY_LOCAL_MACHINE\tSOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo\tDisplayName\t"
         "REG_SZ\t4f6c6400\tREG_SZ\t44656d6f00\r\n"},
        {"made by an earlier installation into the folder",
         [](MemoryRegistry& r) { Put(r, HKEY_CURRENT_USER, "Software\\Zrv", "a", "x"); }, M CU "\"a\"=\"x\"\r\n",
         "\\logs\r\n[\\REGEDIT4]\r\n\\[HKEY_CURRENT_USER\\Software\\Zrv]\r\na\r\n", "", ""},
        {"found by an earlier installation into the folder: its earlier data",
         [](MemoryRegistry& r) { Put(r, HKEY_CURRENT_USER, "Software\\Zrv", "a", "x"); }, M CU "\"a\"=\"x\"\r\n",
         "[\\REGEDIT4]\r\n\\[HKEY_CURRENT_USER\\Software\\Zrv]\r\na\r\n",
         "ZORVAN-PRIOR\t1\r\nkey\tHKEY_CURRENT_USER\tSoftware\\Zrv\r\n"
         "value\tHKEY_CURRENT_USER\tSoftware\\Zrv\ta\tREG_BINARY\t01\tREG_SZ\t7800\r\n",
         "key\tHKEY_CURRENT_USER\tSoftware\\Zrv\r\nvalue\tHKEY_CURRENT_USER\tSoftware\\Zrv\ta\tREG_BINARY\t01\tREG_SZ\t7800\r\n"},
        {"the keys made on the way, shallowest first, before what they lead to", [](MemoryRegistry&) {},
         M "[HKEY_CURRENT_USER\\Software\\Nexal\\Demo\\Settings]\r\n\"a\"=\"x\"\r\n[HKEY_CURRENT_USER\\Software\\Nexal\\Other]\r\n",
         "", "",
         "madekey\tHKEY_CURRENT_USER\tSoftware\\Nexal\r\nmadekey\tHKEY_CURRENT_USER\tSoftware\\Nexal\\Demo\r\n"},
        {"a value the earlier installation did not set counts as found",
         [](MemoryRegistry& r) { Put(r, HKEY_CURRENT_USER, "Software\\Zrv", "a", "x"); }, M CU "\"a\"=\"x\"\r\n",
         "[\\REGEDIT4]\r\n\\[HKEY_CURRENT_USER\\Software\\Zrv]\r\nb\r\n", "",
         "value\tHKEY_CURRENT_USER\tSoftware\\Zrv\ta\tREG_SZ\t7800\tREG_SZ\t7800\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        MemoryRegistry registry;
        EveryWindowsHas(registry);
        c.setUp(registry);
        const std::string text = std::string(SetupIniHeader()) + c.pszScript;
        RegistryScript script(text.data(), text.size(), "C:\\Demo", "Demo");
        MemoryFile log, record;
        PriorRecordWriter writer(&record);
        EarlierInstallation earlier;
        earlier.Load(c.pszEarlierLog, c.pszEarlierRecord);
        script.m_pRecord = &writer;
        script.m_pEarlier = &earlier;
        EXPECT_EQ(script.Apply(log, registry), 1);
        EXPECT_EQ(record.m_strData, c.pszRecord);
        EXPECT_EQ(registry.GetOpenKeyCount(), 0u);
        // The log is the same with or without a record.
        MemoryRegistry again;
        EveryWindowsHas(again);
        c.setUp(again);
        MemoryFile plainLog;
        RegistryScript plain(text.data(), text.size(), "C:\\Demo", "Demo");
        plain.Apply(plainLog, again);
        EXPECT_EQ(log.m_strData, plainLog.m_strData);
    }
}

// EstimatedSize: the payload's bytes in KB, rounded up, as a DWORD.
TEST(RegistryScript, EstimatedSize)
{
    const struct {
        UINT nBytes;
        DWORD nKilobytes;
    } cases[] = {{0, 0}, {1, 1}, {1024, 1}, {1025, 2}, {300000, 293}, {0xFFFFFFFFu, 4194304}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nBytes);
        MemoryRegistry registry;
        const std::string text = std::string(SetupIniHeader()) + M;
        RegistryScript script(text.data(), text.size(), "C:\\Demo", "Demo");
        script.m_nPayloadBytes = c.nBytes;
        MemoryFile log;
        ASSERT_EQ(script.Apply(log, registry), 1);
        const MemoryRegistry::Value* v = registry.FindValue(
            HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo", "EstimatedSize");
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->dwType, DWORD(REG_DWORD));
        DWORD n = 0;
        ASSERT_EQ(v->data.size(), 4u);
        std::memcpy(&n, v->data.data(), 4);
        EXPECT_EQ(n, c.nKilobytes);
    }
}

// Whether the installation must tell the shell that file types changed: a key opened under
// HKEY_CLASSES_ROOT, also by a script that fails after it; never for other roots.
TEST(RegistryScript, NotesKeysOfFileTypes)
{
    const struct {
        const char* what;
        const char* script;
        bool classes;
    } cases[] = {
        {"a file type", M "[HKEY_CLASSES_ROOT\\.ztv]\r\n@=\"x\"\r\n", true},
        {"other roots only", M CU "[HKEY_LOCAL_MACHINE\\Software\\Zrv]\r\n", false},
        {"a failure after the file type", M "[HKEY_CLASSES_ROOT\\.ztv]\r\n\"a\"=bad\r\n", true},
        {"a failure before it", M "[HKEY_CURRENT_USER\\Software\\Zrv]\r\n\"a\"=bad\r\n[HKEY_CLASSES_ROOT\\.ztv]\r\n", false},
        {"no script", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedTempDir dir;
        WriteBytes("Setup.ini", ChainSetupIni(SetupIniHeader() + std::string(c.script)));
        RegistryScript rs("Setup.ini", "C:\\Demo", "Demo");
        CFile log;
        ASSERT_TRUE(log.Open("Install.log", CFile::modeCreate | CFile::modeWrite));
        MemoryRegistry registry;
        rs.Apply(log, registry);
        EXPECT_EQ(rs.m_bClassesRootWritten, c.classes);
    }
}

// An installation for one user writes the user's part of the registry alone: its entry below
// HKEY_CURRENT_USER, file types among the user's own classes; a script with a key for the machine
// or for other users is refused whole, before anything is written.
TEST(RegistryScript, ForOneUser)
{
    const std::string kUserEntryLog = std::string(UL).replace(2, 18, "HKEY_CURRENT_USER");
    const std::string kUserEntry = std::string(UD).replace(0, 4, "HKCU");
    const struct {
        const char* pszWhat;
        const char* pszScript;
        bool bResult;
        std::string strLog, strRegistry;
        bool bClasses;
    } rows[] = {
        {"a key of the user's own", M CU "\"a\"=\"1\"\r\n", true, ML CUL "a\r\n" + kUserEntryLog,
         CUD " a=\"1\"\n" + kUserEntry, false},
        {"a file type: the user's classes", M "[HKEY_CLASSES_ROOT\\.ztv]\r\n\"\"=\"x\"\r\n", true,
         ML "\\[HKEY_CURRENT_USER\\Software\\Classes\\.ztv]\r\n\r\n" + kUserEntryLog,
         "HKCU\\Software\\Classes\\.ztv: =\"x\"\n" + kUserEntry, true},
        {"a key for the machine after one of the user's", M CU "\"a\"=\"1\"\r\n[HKEY_LOCAL_MACHINE\\Software\\Zrv]\r\n",
         false, "", "", false},
        {"a key for other users", M "[HKEY_USERS\\.DEFAULT\\Software\\Zrv]\r\n" CU, false, "", "", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszWhat);
        ScopedTempDir dir;
        const std::string text = SetupIniHeader() + std::string(row.pszScript);
        RegistryScript rs(text.data(), text.size(), "C:\\Demo", "Demo");
        rs.m_bForOneUser = true;
        CFile log;
        ASSERT_TRUE(log.Open("Install.log", CFile::modeCreate | CFile::modeWrite));
        MemoryRegistry registry;
        EXPECT_EQ(row.bResult, rs.Apply(log, registry) != 0);
        log.Close();
        EXPECT_EQ(row.strLog, ReadBytes(dir.path() / "Install.log"));
        EXPECT_EQ(row.strRegistry, Dump(registry));
        EXPECT_EQ(row.bClasses, rs.m_bClassesRootWritten);
        // The line refused is the one named.
        const char* pLine = RegistryScript::FindMachineWideLine(text.c_str());
        EXPECT_EQ(!row.bResult, pLine != nullptr);
        if (pLine) {
            EXPECT_TRUE(std::strncmp(pLine, "[HKEY_LOCAL_MACHINE\\", 20) == 0 || std::strncmp(pLine, "[HKEY_USERS\\", 12) == 0);
        }
    }
}

// An installation whose files are in place asks for the product to be registered whatever stops the
// script: the entry is there, Apply still fails, and the line that stopped it is named with why.
TEST(RegistryScript, AStoppedScriptIsToldAndStillRegistersWhenAsked)
{
    // The script's lines start on line 7, after SetupIniHeader()'s six.
    const char* pszTwoKeys = M CU "\"a\"=\"x\"\r\n[HKEY_CURRENT_USER\\Software\\Zrv2]\r\n\"b\"=\"y\"\r\n";
    const struct {
        const char* pszWhat;
        const char* pszScript;
        bool bForOneUser;
        const char* pszFailKey;  // made to fail, with lKeyError
        LONG lKeyError;
        const char* pszFailValue;
        int nLine;               // the line named; 0 when nothing stopped
        const char* pszWhy;      // part of the reason
        bool bRegistered;
    } rows[] = {
        {"nothing stops", pszTwoKeys, false, "", 0, "", 0, "", true},
        {"a registry link where a key goes", pszTwoKeys, false, "Software\\Zrv2", kErrorRegistryLink, "", 10,
         "Software\\Zrv2: the key, or a key above it, is a registry link", true},
        {"a key the registry refuses", pszTwoKeys, false, "Software\\Zrv2", ERROR_ACCESS_DENIED, "", 10,
         "the registry refused the key", true},
        {"a value the registry refuses", pszTwoKeys, false, "", 0, "b", 11, "the registry refused the value", true},
        {"a root the grammar refuses", M CU "\"a\"=\"x\"\r\n[HKEY_CURRENT_CONFIG\\Zrv]\r\n", false, "", 0, "", 10,
         "a root the installer knows", true},
        {"for one user, a key of the machine", M CU "[HKEY_LOCAL_MACHINE\\Software\\Zrv]\r\n", true, "", 0, "", 9,
         "HKEY_LOCAL_MACHINE or HKEY_USERS", true},
        {"the entry refused as well", pszTwoKeys, false, "Software\\Zrv2", ERROR_ACCESS_DENIED, "DisplayName", 10,
         "the registry refused the key", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszWhat);
        ScopedTempDir dir;
        const std::string text = SetupIniHeader() + std::string(row.pszScript);
        RegistryScript rs(text.data(), text.size(), "C:\\Demo", "Demo");
        rs.m_bForOneUser = row.bForOneUser;
        rs.m_bRegisterAfterStop = true;
        MemoryRegistry registry;
        if (*row.pszFailKey) registry.FailCreateKey(row.pszFailKey, row.lKeyError);
        if (*row.pszFailValue) registry.FailSetValue(row.pszFailValue);
        CFile log;
        ASSERT_TRUE(log.Open("Install.log", CFile::modeCreate | CFile::modeWrite));
        const bool bApplied = rs.Apply(log, registry) != 0;
        log.Close();
        EXPECT_EQ(bApplied, row.nLine == 0 && row.bRegistered);
        EXPECT_EQ(row.nLine, rs.m_nStoppedLine);
        EXPECT_NE(rs.m_strStopped.find(row.pszWhy), std::string::npos) << rs.m_strStopped;
        EXPECT_EQ(row.nLine == 0, rs.m_strStopped.empty());
        EXPECT_EQ(row.bRegistered, rs.m_bRegistered);
        // Registered whole: the uninstall command is in the entry and in the log, which lists it.
        const std::string strEntry = row.bForOneUser ? "HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo:"
                                                     : "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo:";
        const std::string strDump = Dump(registry);
        EXPECT_EQ(row.bRegistered, strDump.find(strEntry + " DisplayName=\"Demo\" UninstallString=") != std::string::npos)
            << strDump;
        EXPECT_EQ(row.bRegistered, ReadBytes(dir.path() / "Install.log").find("UninstallString\r\n") != std::string::npos);
        // Nothing of a machine's key is written for one user, stopped or not.
        if (row.bForOneUser) {
            EXPECT_EQ(strDump.find("HKLM"), std::string::npos) << strDump;
        }
        EXPECT_EQ(registry.GetOpenKeyCount(), 0u);
    }
}
