// zrvtool ini check as an author runs it: exact output, warnings that name their line, exit codes
// with and without --strict, plain and stored files alike.
#include "../common/RegistryScriptRun.h"
#include "../common/ToolRun.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Lines 1 to 6 are the settings (SetupIniHeader), 7 the marker, 8 a key line; rows start at 9.
const std::string kHead = std::string(SetupIniHeader()) + "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\X]\r\n";

#define ENDS " the script ends here, at a line that is not a key line: nothing after it is applied"
#define FAILS(why) "error: the registry script fails here: " why "; nothing after it is applied, and the installation ends failed (exit code 2) with the product registered all the same"

struct Row {
    const char* pszWhat;
    std::string text;     // the whole plain Setup.ini
    const char* pszDiag;  // stderr, each line with "s.ini:" in front of it
    int nCode;            // without --strict
    // The plain text's stderr where it differs: a plain text is checked as it would be stored.
    const char* pszPlainDiag = nullptr;
};

const Row kRows[] = {
    {"clean script", kHead + "\"a\"=\"b\"\r\n\"n\"=dword:00000010\r\n\"h\"=hex:01,ff\r\n", "", 0},
    {"default value", kHead + "@=\"x\"\r\n[HKEY_CURRENT_USER\\Y]\r\n",
     "9: warning: @= (a key's default value) ends the script here: write \"\"= for the default value\n", 0},
    {"semicolon comment", kHead + ";note\r\n\"a\"=\"b\"\r\n", "9: warning: a ; comment ends the script here: begin comments with #\n", 0},
    {"semicolon right after the marker drops the script",
     std::string(SetupIniHeader()) + "REGEDIT4\r\n; keys\r\n[HKEY_LOCAL_MACHINE\\Software\\X]\r\n",
     "8: warning: a ; comment ends the script here: begin comments with #\n", 0},
    {"tab indent", kHead + "\t\"a\"=\"b\"\r\n",
     "9: warning: a line indented with a tab ends the script here: begin lines in the first column\n", 0},
    {"blank indent", kHead + "  \"a\"=\"b\"\r\n", "9: warning: a line indented with blanks is skipped: what it holds is never applied\n", 0},
    {"escaped backslashes", kHead + "\"p\"=\"C:\\\\Program Files\"\r\n",
     "9: warning: \\\\ is stored as two backslashes: the installer takes a string as written, so write one\n", 0},
    {"escaped quote in a value", kHead + "\"q\"=\"say \\\"hi\\\"\"\r\n",
     "9: warning: \\\" in a string ends the value there and the rest of the line is ignored: a value cannot hold a double quote\n", 0},
    {"escaped quote in a name", kHead + "\"a\\\"b\"=\"x\"\r\n",
     "9: warning: \\\" in a value's name ends the name there and fails the script: a name cannot hold a double quote\n"
     "9: " FAILS("the value's name is not followed directly by =") "\n", 1},
    {"hex continued with a backslash", kHead + "\"h\"=hex:01,02,\\\r\n  03\r\n",
     "9: warning: a hex: list continued with \\ fails the script: write the whole list on one line\n"
     "9: " FAILS("a hexadecimal byte is expected here in the hex: list") "\n", 1},
    {"hex continued after a comma", kHead + "\"h\"=hex:01,02,\r\n  03,04\r\n\"z\"=\"y\"\r\n",
     "9: warning: a hex: list that goes on to the next line keeps only the first byte there: write the whole list on one line\n", 0},
    {"upper-case type", kHead + "\"d\"=DWORD:00000001\r\n",
     "9: warning: the type fails the script: write dword: and hex: in lower case\n"
     "9: " FAILS("the value is neither a quoted string nor hex: nor dword:") "\n", 1},
    {"typed hex", kHead + "\"e\"=hex(2):25,00\r\n",
     "9: warning: a typed hex(N): value fails the script: only \"text\", hex: (binary) and dword: are understood\n"
     "9: " FAILS("the value is neither a quoted string nor hex: nor dword:") "\n", 1},
    {"key deletion", kHead + "[-HKEY_LOCAL_MACHINE\\Software\\Old]\r\n",
     "9: warning: a key deletion [-...] fails the script: the installer only creates keys\n"
     "9: " FAILS("the key line does not begin with a root the installer knows") "\n", 1},
    {"value deletion", kHead + "\"old\"=-\r\n",
     "9: warning: a value deletion =- fails the script: the installer only sets values\n"
     "9: " FAILS("the value is neither a quoted string nor hex: nor dword:") "\n", 1},
    {"abbreviated root", kHead + "[HKCU\\Software\\X]\r\n",
     "9: warning: an abbreviated root fails the script: write HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE or HKEY_USERS in full\n"
     "9: " FAILS("the key line does not begin with a root the installer knows") "\n", 1},
    {"other root", kHead + "[HKEY_CURRENT_CONFIG\\Software\\X]\r\n",
     "9: warning: this root fails the script: only HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and HKEY_USERS are accepted\n"
     "9: " FAILS("the key line does not begin with a root the installer knows") "\n", 1},
    {"root in lower case", kHead + "[hkey_users\\X]\r\n",
     "9: warning: root names are case-sensitive: this key line fails the script\n"
     "9: " FAILS("the key line does not begin with a root the installer knows") "\n", 1},
    {"dword with 0x", kHead + "\"d\"=dword:0x10\r\n", "9: warning: dword:0x... stores 0: write up to eight hexadecimal digits without 0x\n", 0},
    {"blank around =", kHead + "\"a\"= \"b\"\r\n",
     "9: warning: a blank before or after = fails the script: write \"name\"=value\n"
     "9: " FAILS("the value is neither a quoted string nor hex: nor dword:") "\n", 1},
    {"LF line ends", kHead + "\"a\"=\"b\"\n\"c\"=\"d\"\n",
     "9: warning: this line ends with a line feed alone: the installer ends lines only at CR LF, so it reads this line and the next as one\n"
     "10: warning: the installer does something else here than a registry file would (installer: nothing; registry file: value \"c\" REG_SZ \"d\")\n", 0,
     " note: lines ended by LF alone are stored ended by CR LF, as the installer reads them\n"},
    {"marker inside a setting",
     "INSTALL4\r\n[Demo]\r\nAppDescription=Our REGEDIT4 tools\r\nDiskImage=demo.001\r\nDefaultDir=C:\\Demo\r\nFreeSpace=20\r\n"
     "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\X]\r\n",
     "3: warning: the script starts after the first REGEDIT4 in the text, which is on this line: write the word only on the script's own line, after the settings\n"
     "4: warning:" ENDS "\n", 0},
    {"header without ]",
     "INSTALL4\r\n[Demo\r\nAppDescription=x]\r\nDiskImage=demo.001\r\nDefaultDir=C:\\Demo\r\nFreeSpace=20\r\nREGEDIT4\r\n",
     "2: warning: the section header has no ] on its line: the product name runs on to the next ] in the text, and the product gets no uninstall entry\n"
     "2: error: the product name cannot name an uninstall entry\n", 1},
    {"a byte list that a registry file reads whole", kHead + "\"h\"=hex:1,2,3\r\n",
     "9: warning: the installer does something else here than a registry file would (installer: value \"h\" REG_BINARY 01; registry file: value \"h\" REG_BINARY 01,02,03)\n", 0},
    {"an unknown line before more keys", kHead + "Path=x\r\n[HKEY_CURRENT_USER\\Y]\r\n", "9: warning:" ENDS "\n", 0},
    // Extension lines between the settings (lines 1 to 6) and the script.
    {"shortcut without a bar", std::string(SetupIniHeader()) + "Shortcut=Run\r\nREGEDIT4\r\n",
     "7: error: a Shortcut line is NAME|PATH: a name, a bar and the installed file it starts\n", 1},
    {"shortcut leaving the target", std::string(SetupIniHeader()) + "Shortcut=Run|..\\x.exe\r\nREGEDIT4\r\n",
     "7: error: the shortcut's target is not a path below the installation folder\n", 1},
    {"shortcut to a drive", std::string(SetupIniHeader()) + "Shortcut=Run|C:\\x.exe\r\nREGEDIT4\r\n",
     "7: error: the shortcut's target is not a path below the installation folder\n", 1},
    {"shortcut name with a backslash", std::string(SetupIniHeader()) + "Shortcut=a\\b|x.exe\r\nREGEDIT4\r\n",
     "7: error: the shortcut's name cannot be a file name\n", 1},
    {"two shortcuts of one name", std::string(SetupIniHeader()) + "Shortcut=Run|a.exe\r\n# x\r\nShortcut=RUN|b.exe\r\nREGEDIT4\r\n",
     "9: error: a second shortcut of that name (letter case aside): the first one is kept\n", 1},
    {"an unknown setting", std::string(SetupIniHeader()) + "Version=1.0\r\nDisplayVersion=1.0\r\nREGEDIT4\r\n",
     "7: warning: no setting the installer reads (those here are Shortcut, DisplayVersion, Publisher, Scope)\n", 0},
    {"a line after the script's marker is the script's", std::string(SetupIniHeader()) + "REGEDIT4\r\nShortcut=Run\r\n[HKEY_CURRENT_USER\\Y]\r\n",
     "8: warning:" ENDS "\n", 0},
    {"UTF-8 text", std::string(SetupIniHeader()) + "Publisher=Nex\xc3\xa1l\r\nREGEDIT4\r\n",
     "7: warning: the text is UTF-8, but the installer reads Windows-1252 and would show each accented letter as two "
     "(medium converts it; save it in Windows-1252 to store it as it is)\n", 0},
    {"Windows-1252 text", std::string(SetupIniHeader()) + "Publisher=Nex\xe1l\r\nREGEDIT4\r\n", "", 0},
    {"settings refused", "INSTALL4\r\n[Demo]\r\nDiskImage=demo.001\r\n",
     "error: the text ends before four key lines were read (a value without its closing quote, or a last line without CR LF, does not count)\n", 1},
};

std::string Prefixed(const char* pszDiag)
{
    std::string out;
    for (const char* p = pszDiag; *p;) {
        const char* nl = std::strchr(p, '\n');
        out += "s.ini:" + std::string(p, nl + 1);
        p = nl + 1;
    }
    return out;
}

}  // namespace

TEST(IniCheckCli, EachPitfallNamesItsLine)
{
    ScopedTempDir dir;
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.pszWhat);
        std::string expected = row.pszDiag[0] == 'e' ? "s.ini: " + std::string(row.pszDiag) : Prefixed(row.pszDiag);
        for (bool bStored : {false, true}) {
            WriteBytes("s.ini", bStored ? ChainSetupIni(row.text) : row.text);
            ToolRun r = Tool("ini check s.ini");
            EXPECT_EQ(r.err, !bStored && row.pszPlainDiag ? Prefixed(row.pszPlainDiag) : expected);
            EXPECT_EQ(r.code, !bStored && row.pszPlainDiag ? 0 : row.nCode);
        }
        bool bWarned = expected.find("warning:") != std::string::npos;
        ToolRun strict = Tool("ini check s.ini --strict");
        EXPECT_EQ(strict.code, bWarned || row.nCode ? 1 : 0);
    }
}

TEST(IniCheckCli, ShortcutTargetsAreLookedForInTheTree)
{
    ScopedTempDir dir;
    std::filesystem::create_directories("tree/bin");
    WriteBytes("tree/bin/run.exe", "MZ");
    struct Case {
        const char* target;
        int nCode;
    } cases[] = {{"bin\\run.exe", 0}, {"Uninstal.exe", 0}, {"bin\\gone.exe", 1}, {"bin", 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        WriteBytes("s.ini", std::string(SetupIniHeader()) + "Shortcut=Run|" + c.target + "\r\nREGEDIT4\r\n");
        ToolRun r = Tool("ini check s.ini --tree tree");
        EXPECT_EQ(r.code, c.nCode) << r.err;
        EXPECT_EQ(r.err, c.nCode ? "s.ini:7: error: the shortcut's target '" + std::string(c.target) +
                                       "' is not a file of 'tree'\n"
                                 : "");
        EXPECT_NE(r.out.find("\nShortcut: Run -> " + std::string(c.target) + "\n"), std::string::npos) << r.out;
        EXPECT_EQ(Tool("ini check s.ini").code, 0) << "without a tree the target is not looked for";
    }
}

TEST(IniCheckCli, DryRunOfTheScript)
{
    ScopedTempDir dir;
    WriteBytes("s.ini", ChainSetupIni(kHead + "\"Path\"=\"%INSTALLPATH%\\bin\"\r\n\"N\"=dword:1f\r\n"
                                              "\r\n[HKEY_CURRENT_USER\\Software\\Y]\r\n\"B\"=hex:00,Ab\r\n# end\r\n"));
    ToolRun r = Tool("ini check s.ini");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "s.ini: stored form\n"
              "Code page: Windows-1252 (no CodePage line)\n"
              "Product: Demo\n"
              "AppDescription: A small demo product\n"
              "DiskImage: demo.001\n"
              "DefaultDir: C:\\Demo\n"
              "FreeSpace: 20 MB\n"
              "Registry script: REGEDIT4 on line 7, %INSTALLPATH% = C:\\Demo\n"
              "  8: key HKEY_LOCAL_MACHINE\\Software\\X\n"
              "  9: value \"Path\" REG_SZ \"C:\\Demo\\bin\"\n"
              "  10: value \"N\" REG_DWORD 0x0000001f\n"
              "  12: key HKEY_CURRENT_USER\\Software\\Y\n"
              "  13: value \"B\" REG_BINARY 00,ab\n"
              "  the script ends at the end of the text\n"
              "  uninstall entry: key HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo\n"
              "  uninstall entry: value \"DisplayName\" REG_SZ \"Demo\"\n"
              "  uninstall entry: value \"UninstallString\" REG_SZ \"\"C:\\Demo\\Uninstal.exe\"\"\n"
              "  uninstall entry: value \"QuietUninstallString\" REG_SZ \"\"C:\\Demo\\Uninstal.exe\" /S\"\n"
              "  uninstall entry: value \"InstallLocation\" REG_SZ \"C:\\Demo\"\n"
              "  uninstall entry: value \"EstimatedSize\" REG_DWORD (the unpacked payload in KB)\n"
              "  uninstall entry: value \"DisplayIcon\" REG_SZ \"C:\\Demo\\Uninstal.exe,0\"\n"
              "  uninstall entry: value \"NoModify\" REG_DWORD 0x00000001\n"
              "  uninstall entry: value \"NoRepair\" REG_DWORD 0x00000001\n");

    WriteBytes("s.ini", kHead + "\"a\"=\"b\"\r\n\"c\"=hex:zz\r\n");
    r = Tool("ini check s.ini");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out.substr(r.out.find("Registry script:")),
              "Registry script: REGEDIT4 on line 7, %INSTALLPATH% = C:\\Demo\n"
              "  8: key HKEY_LOCAL_MACHINE\\Software\\X\n"
              "  9: value \"a\" REG_SZ \"b\"\n"
              "  10: the script fails here: a hexadecimal byte is expected here in the hex: list\n"
              "  no uninstall entry is registered\n");

    WriteBytes("s.ini", SetupIniHeader());
    r = Tool("ini check s.ini");
    EXPECT_EQ(r.out.substr(r.out.find("Registry script:")),
              "Registry script: none (no REGEDIT4 in the text; no uninstall entry is registered)\n");
}

// The Scope line: reported with the settings; a product that may be installed for one user is
// dry-run so, and each of its key lines under HKEY_LOCAL_MACHINE or HKEY_USERS is an error.
TEST(IniCheckCli, ScopeDecidesWhereTheScriptWrites)
{
#define SCOPE_USER "Scope: user (for the user who runs Setup.exe, without administrator rights)\n"
#define FOR_ONE_USER "Registry script: REGEDIT4 on line 8, installed for one user, %INSTALLPATH% = %LOCALAPPDATA%\\Programs\\Demo\n"
#define FOR_EVERYONE "Registry script: REGEDIT4 on line 8, %INSTALLPATH% = C:\\Demo\n"
#define REFUSED(line) "  " line ": the script is refused whole here, and nothing of it is written: a key under HKEY_LOCAL_MACHINE " \
    "or HKEY_USERS, which a product installed for one user does not write\n  no uninstall entry is registered\n"
#define MACHINE_WIDE(scope) "error: a key under HKEY_LOCAL_MACHINE or HKEY_USERS, which a product installed for one user " \
    "does not write: with Scope=" scope ", an installation for one user refuses the whole script and registers no uninstall entry\n"
    const std::string uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo\n";
    struct Case {
        const char* pszWhat;
        std::string line7;    // the extension line between the settings and the marker on line 8
        std::string keys;     // from line 9 on
        std::string scopeOut; // the Scope line of the report, "" for none
        std::string dryRun;   // the report from "Registry script:", without the uninstall entry's values
        const char* pszDiag;  // stderr, each line with "s.ini:" in front of it
        int nCode;
    } cases[] = {
        {"no Scope line: for every user, as ever", "# for everyone", "[HKEY_LOCAL_MACHINE\\Software\\X]\r\n", "",
         FOR_EVERYONE "  9: key HKEY_LOCAL_MACHINE\\Software\\X\n  the script ends at the end of the text\n"
         "  uninstall entry: key HKEY_LOCAL_MACHINE\\" + uninstall, "", 0},
        {"machine writes under HKEY_LOCAL_MACHINE", "Scope=machine", "[HKEY_LOCAL_MACHINE\\Software\\X]\r\n",
         "Scope: machine (for every user of the machine; Setup.exe asks for administrator rights)\n",
         FOR_EVERYONE "  9: key HKEY_LOCAL_MACHINE\\Software\\X\n  the script ends at the end of the text\n"
         "  uninstall entry: key HKEY_LOCAL_MACHINE\\" + uninstall, "", 0},
        {"user: classes and the entry go to the user's own keys", "Scope=user",
         "[HKEY_CLASSES_ROOT\\.demo]\r\n\"\"=\"Demo.File\"\r\n[HKEY_CURRENT_USER\\Software\\Demo]\r\n\"Dir\"=\"%INSTALLPATH%\\bin\"\r\n",
         SCOPE_USER,
         FOR_ONE_USER "  9: key HKEY_CURRENT_USER\\Software\\Classes\\.demo\n  10: value \"\" REG_SZ \"Demo.File\"\n"
         "  11: key HKEY_CURRENT_USER\\Software\\Demo\n  12: value \"Dir\" REG_SZ \"%LOCALAPPDATA%\\Programs\\Demo\\bin\"\n"
         "  the script ends at the end of the text\n  uninstall entry: key HKEY_CURRENT_USER\\" + uninstall, "", 0},
        {"user: each machine-wide key line is an error", "Scope=user",
         "[HKEY_CURRENT_USER\\Software\\Demo]\r\n[HKEY_LOCAL_MACHINE\\Software\\Demo]\r\n\"a\"=\"b\"\r\n[HKEY_USERS\\.DEFAULT\\Demo]\r\n",
         SCOPE_USER, FOR_ONE_USER REFUSED("10"), "10: " MACHINE_WIDE("user") "12: " MACHINE_WIDE("user"), 1},
        {"user: a machine-wide line after the script's end is refused too", "Scope=user",
         "[HKEY_CURRENT_USER\\Y]\r\n;x\r\n[HKEY_LOCAL_MACHINE\\Z]\r\n", SCOPE_USER, FOR_ONE_USER REFUSED("11"),
         "10: warning: a ; comment ends the script here: begin comments with #\n11: " MACHINE_WIDE("user"), 1},
        {"either offering one user first", "Scope=either|user", "[HKEY_LOCAL_MACHINE\\Software\\X]\r\n",
         "Scope: either|user (for every user or for one, as the person who installs chooses; offered first: for one user)\n",
         FOR_ONE_USER REFUSED("9"), "9: " MACHINE_WIDE("either|user"), 1},
        {"either alone offers every user first", "Scope=either", "[HKEY_USERS\\S-1-5-18\\X]\r\n",
         "Scope: either (for every user or for one, as the person who installs chooses; offered first: for every user)\n",
         FOR_ONE_USER REFUSED("9"), "9: " MACHINE_WIDE("either"), 1},
        {"either|machine with the user's own classes", "Scope=either|machine", "[HKEY_CLASSES_ROOT\\.demo]\r\n",
         "Scope: either (for every user or for one, as the person who installs chooses; offered first: for every user)\n",
         FOR_ONE_USER "  9: key HKEY_CURRENT_USER\\Software\\Classes\\.demo\n  the script ends at the end of the text\n"
         "  uninstall entry: key HKEY_CURRENT_USER\\" + uninstall, "", 0},
        {"an unknown scope leaves the product for every user", "Scope=everyone", "[HKEY_LOCAL_MACHINE\\Software\\X]\r\n", "",
         FOR_EVERYONE "  9: key HKEY_LOCAL_MACHINE\\Software\\X\n  the script ends at the end of the text\n"
         "  uninstall entry: key HKEY_LOCAL_MACHINE\\" + uninstall,
         "7: error: a Scope line is Scope=machine, Scope=user, Scope=either, Scope=either|machine or Scope=either|user\n", 1},
        {"scope names are lower case", "Scope=User", "", "",
         FOR_EVERYONE "  the script ends at the end of the text\n  uninstall entry: key HKEY_LOCAL_MACHINE\\" + uninstall,
         "7: error: a Scope line is Scope=machine, Scope=user, Scope=either, Scope=either|machine or Scope=either|user\n", 1},
    };
    ScopedTempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        WriteBytes("s.ini", std::string(SetupIniHeader()) + c.line7 + "\r\nREGEDIT4\r\n" + c.keys);
        ToolRun r = Tool("ini check s.ini");
        EXPECT_EQ(r.err, Prefixed(c.pszDiag));
        EXPECT_EQ(r.code, c.nCode);
        size_t scopeAt = r.out.find("Scope: ");
        EXPECT_EQ(scopeAt == std::string::npos ? "" : r.out.substr(scopeAt, r.out.find('\n', scopeAt) + 1 - scopeAt),
                  c.scopeOut);
        std::string dryRun;
        size_t at = r.out.find("Registry script:");
        for (size_t end; at < r.out.size(); at = end + 1) {
            end = r.out.find('\n', at);
            std::string line = r.out.substr(at, end + 1 - at);
            if (line.rfind("  uninstall entry: value", 0) != 0) dryRun += line;
        }
        EXPECT_EQ(dryRun, c.dryRun);
    }
#undef SCOPE_USER
#undef FOR_ONE_USER
#undef FOR_EVERYONE
#undef REFUSED
#undef MACHINE_WIDE
}

TEST(IniCheckCli, StrictCountsWarnings)
{
    ScopedTempDir dir;
    WriteBytes("s.ini", kHead + ";a\r\n  \"b\"=\"c\"\r\n");
    ToolRun r = Tool("ini check s.ini --strict");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.substr(r.err.rfind("s.ini: ")), "s.ini: 2 warnings, an error with --strict\n");
    EXPECT_EQ(Tool("ini check").code, 1);
    EXPECT_EQ(Tool("ini check s.ini --loose").err, "zrvtool: unknown option '--loose'\n");
    EXPECT_EQ(Tool("ini check missing.ini").err, "zrvtool: missing.ini: cannot open: No such file or directory\n");
    // A byte-order mark before a plain text is what medium leaves out: a note, as there, even with --strict.
    WriteBytes("s.ini", "\xEF\xBB\xBF" + kHead + "\"a\"=\"b\"\r\n");
    r = Tool("ini check s.ini --strict");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "s.ini: note: the byte-order mark at the start is left out\n");
}

// Help and wrong calls: a command family's first word alone, and a usage that spans two lines,
// which is the tool's own text and reaches the terminal with its line break.
TEST(ToolCli, HelpAndWrongCalls)
{
    ScopedTempDir dir;
    struct Case {
        const char* args;
        int nCode;
        const char* outStart;  // of stdout
        const char* errStart;  // of stderr
    } cases[] = {
        {"ini --help", 0, "usage:\n  zrvtool ini encode PLAIN OUT", ""},
        {"ini -h", 0, "usage:\n  zrvtool ini encode PLAIN OUT", ""},
        {"ini", 2, "", "zrvtool: 'ini' is not a command; these are:\n  zrvtool ini encode"},
        {"ini show x", 2, "", "zrvtool: 'ini show' is not a command; these are:\n"},
        {"inix --help", 2, "", "zrvtool: unknown command 'inix'\nusage:\n"},
        {"medium", 1, "", "zrvtool: usage: zrvtool medium CONFIG SRC_DIR [OUT_DIR] [--block-size 1-255]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        ToolRun r = Tool(c.args);
        EXPECT_EQ(r.code, c.nCode);
        EXPECT_EQ(r.out.rfind(c.outStart, 0), 0u) << r.out;
        EXPECT_EQ(r.err.rfind(c.errStart, 0), 0u) << r.err;
        EXPECT_EQ(r.err.find("\\x0a"), std::string::npos) << r.err;
    }
    EXPECT_NE(Tool("medium").err.find("\n       [--no-uninstaller]"), std::string::npos);
}
