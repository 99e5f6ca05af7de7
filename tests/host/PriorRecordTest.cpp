// Install.prior: written and read back, strict about damage, binary-safe, and what an earlier
// installation into the same folder counts as found.
#include "EarlierInstallation.h"
#include "PriorRecord.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A file that keeps what is written to it.
class MemoryFile : public CFile {
public:
    void Write(const void* lpBuf, UINT nCount) override { m_strData.append(static_cast<const char*>(lpBuf), nCount); }
    std::string m_strData;
};

std::vector<BYTE> Bytes(const std::string& s) { return std::vector<BYTE>(s.begin(), s.end()); }

PriorValue MakeValue(int nRoot, const std::string& key, const std::string& name, DWORD oldType, const std::string& oldData,
                     DWORD newType, const std::string& newData)
{
    PriorValue v;
    v.nRoot = nRoot;
    v.strKey = key;
    v.strName = name;
    v.dwOldType = oldType;
    v.oldData = Bytes(oldData);
    v.dwNewType = newType;
    v.newData = Bytes(newData);
    return v;
}

bool SameValue(const PriorValue& a, const PriorValue& b)
{
    return a.nRoot == b.nRoot && a.strKey == b.strKey && a.strName == b.strName && a.dwOldType == b.dwOldType &&
           a.oldData == b.oldData && a.dwNewType == b.dwNewType && a.newData == b.newData;
}

const char kHead[] = "ZORVAN-PRIOR\t2\r\n";

}  // namespace

// Every kind of line, with names and data that hold every byte, comes back as it went out, in
// the documented text.
TEST(PriorRecord, RoundTrip)
{
    std::string every;
    for (int b = 0; b < 256; ++b) every += char(b);
    const PriorValue values[] = {
        MakeValue(2, "Software\\Nexal\\Zorvan Demo", "Version", 1, std::string("0.9\0", 4), 1, std::string("1.0\0", 4)),
        MakeValue(1, "Software\\A\tB%", "", 4, std::string("\x01\x00\x00\x00", 4), 3, ""),
        MakeValue(0, ".zrv", "bin\r\nname\x7f", 0x12345678, every, 7, std::string("a\0b\0\0", 5)),
        MakeValue(3, ".DEFAULT\\x", "q", 11, "", 2, "%PATH%"),
    };
    MemoryFile file;
    PriorRecordWriter writer(&file);
    writer.Header();
    writer.TargetHeldFiles();
    writer.Directory("logs");
    writer.Directory("sub\\50% off\x01");
    writer.Key(2, "Software\\Nexal");
    writer.Key(1, "Software\\Nexal\\Empty Key");
    writer.MadeFolder("C:\\Users\\u\\AppData\\Local\\Programs");
    writer.MadeFolder("D:\\100% new\\x\x01");
    writer.KeptFile("readme.txt");
    writer.KeptFile("sub\\50% off\tx.txt");
    for (const PriorValue& v : values) writer.Value(v);

    const std::string start = std::string(kHead) + "target\r\ndirectory\tlogs\r\n"
                                                                  "directory\tsub\\50%25 off%01\r\n"
                                                                  "key\tHKEY_LOCAL_MACHINE\tSoftware\\Nexal\r\n";
    EXPECT_EQ(file.m_strData.substr(0, start.size()), start);
    EXPECT_NE(file.m_strData.find("value\tHKEY_LOCAL_MACHINE\tSoftware\\Nexal\\Zorvan Demo\tVersion\t"
                                  "REG_SZ\t302e3900\tREG_SZ\t312e3000\r\n"),
              std::string::npos);
    EXPECT_NE(file.m_strData.find("madefolder\tC:\\Users\\u\\AppData\\Local\\Programs\r\n"
                                  "madefolder\tD:\\100%25 new\\x%01\r\n"),
              std::string::npos);
    EXPECT_NE(file.m_strData.find("file\treadme.txt\r\nfile\tsub\\50%25 off%09x.txt\r\n"), std::string::npos);
    EXPECT_NE(file.m_strData.find("value\tHKEY_CURRENT_USER\tSoftware\\A%09B%25\t\tREG_DWORD\t01000000\tREG_BINARY\t\r\n"),
              std::string::npos);

    PriorState state;
    PriorDamage damage;
    ASSERT_TRUE(ParsePriorRecord(file.m_strData.data(), file.m_strData.size(), state, damage))
        << damage.nLine << ": " << damage.strReason;
    EXPECT_TRUE(state.bTargetHeldFiles);
    ASSERT_EQ(state.directories.size(), 2u);
    EXPECT_EQ(state.directories[1], "sub\\50% off\x01");
    ASSERT_EQ(state.keys.size(), 2u);
    EXPECT_EQ(state.keys[1].nRoot, 1);
    EXPECT_EQ(state.keys[1].strPath, "Software\\Nexal\\Empty Key");
    ASSERT_EQ(state.madeFolders.size(), 2u);
    EXPECT_EQ(state.madeFolders[0], "C:\\Users\\u\\AppData\\Local\\Programs");
    EXPECT_EQ(state.madeFolders[1], "D:\\100% new\\x\x01");
    ASSERT_EQ(state.keptFiles.size(), 2u);
    EXPECT_EQ(state.keptFiles[1], "sub\\50% off\tx.txt");
    ASSERT_EQ(state.values.size(), 4u);
    for (size_t i = 0; i < 4; ++i) EXPECT_TRUE(SameValue(state.values[i], values[i])) << "value " << i;

    // Lookups as the uninstaller makes them: without regard to case, key paths also to stray
    // backslashes; value names exactly apart from case.
    EXPECT_TRUE(state.HasDirectory("LOGS"));
    EXPECT_FALSE(state.HasDirectory("logs\\x"));
    EXPECT_TRUE(state.HasKeptFile("README.TXT"));
    EXPECT_FALSE(state.HasKeptFile("logs")) << "a directory's line keeps no file";
    EXPECT_FALSE(state.HasDirectory("readme.txt")) << "a kept file's line is no directory";
    EXPECT_TRUE(state.HasKey(2, "software\\nexal\\"));
    EXPECT_FALSE(state.HasKey(1, "Software\\Nexal"));
    ASSERT_NE(state.FindValue(2, "SOFTWARE\\\\Nexal\\Zorvan Demo", "version"), nullptr);
    EXPECT_EQ(state.FindValue(2, "Software\\Nexal\\Zorvan Demo", "Version\\"), nullptr);
}

TEST(PriorRecord, DamageIsNamed)
{
    const std::string head = kHead;
    const std::string good = "value\tHKEY_USERS\tk\tn\tREG_SZ\t00\tREG_SZ\t00\r\n";
    const struct {
        const char* pszWhat;
        std::string text;
        int nLine;
        const char* pszReason;
    } cases[] = {
        {"empty", "", 1, "the record is empty"},
        {"another header", "ZORVAN-PRIOR\t3\r\n", 1, "not a record of this installer (bad first line)"},
        {"header without CR", "ZORVAN-PRIOR\t1\n", 1, "the line is incomplete"},
        {"cut short", head + good.substr(0, good.size() - 1), 2, "the line is incomplete"},
        {"cut inside the data", head + good.substr(0, 30), 2, "the line is incomplete"},
        {"a lone CR inside", head + "directory\ta\rb\r\n", 2, "a control character inside the line"},
        {"a zero byte inside", head + std::string("directory\ta\0b\r\n", 15), 2, "a control character inside the line"},
        {"an empty line", head + "\r\n", 2, "not a line of the record (unknown kind or wrong number of fields)"},
        {"an unknown kind", head + "folder\tx\r\n", 2, "not a line of the record (unknown kind or wrong number of fields)"},
        {"a field too many", head + "key\tHKEY_USERS\tk\tx\r\n", 2,
         "not a line of the record (unknown kind or wrong number of fields)"},
        {"target with a field", head + "target\tx\r\n", 2,
         "not a line of the record (unknown kind or wrong number of fields)"},
        {"an unknown root", head + "key\tHKEY_CURRENT_CONFIG\tk\r\n", 2, "a key under a root that the installer does not write"},
        {"a root in lower case", head + "key\thkey_users\tk\r\n", 2, "a key under a root that the installer does not write"},
        {"an empty key", head + "key\tHKEY_USERS\t\r\n", 2, "an empty path"},
        {"an empty directory", head + "directory\t\r\n", 2, "an empty path"},
        {"a kept file without its path", head + "file\r\n", 2,
         "not a line of the record (unknown kind or wrong number of fields)"},
        {"a kept file with a field too many", head + "file\ta\tb\r\n", 2,
         "not a line of the record (unknown kind or wrong number of fields)"},
        {"an empty kept file", head + "file\t\r\n", 2, "an empty path"},
        {"a kept file with a bad escape", head + "file\t50%.txt\r\n", 2,
         "a name holds a byte that must be escaped, or a bad escape"},
        {"an empty made folder", head + "madefolder\t\r\n", 2, "an empty path"},
        {"a made folder below a root", head + "madefolder\tHKEY_USERS\tk\r\n", 2,
         "not a line of the record (unknown kind or wrong number of fields)"},
        {"a made folder with a bad escape", head + "madefolder\tC:\\50%\r\n", 2,
         "a name holds a byte that must be escaped, or a bad escape"},
        {"an unescaped percent", head + "directory\t50%\r\n", 2, "a name holds a byte that must be escaped, or a bad escape"},
        {"a bad escape", head + "directory\t%4G\r\n", 2, "a name holds a byte that must be escaped, or a bad escape"},
        {"an escape of a plain byte", head + "directory\t%41\r\n", 2,
         "a name holds a byte that must be escaped, or a bad escape"},
        {"an escape in lower case", head + "directory\t%0a\r\n", 2,
         "a name holds a byte that must be escaped, or a bad escape"},
        {"an unknown type", head + "value\tHKEY_USERS\tk\tn\tREG_FOO\t\tREG_SZ\t\r\n", 2, "an unknown value type"},
        {"a named type as a number", head + "value\tHKEY_USERS\tk\tn\t1\t\tREG_SZ\t\r\n", 2, "an unknown value type"},
        {"a type beyond 32 bits", head + "value\tHKEY_USERS\tk\tn\t4294967296\t\tREG_SZ\t\r\n", 2, "an unknown value type"},
        {"an odd number of digits", head + "value\tHKEY_USERS\tk\tn\tREG_SZ\t0\tREG_SZ\t\r\n", 2,
         "data that is not pairs of lower-case hexadecimal digits"},
        {"upper-case digits", head + "value\tHKEY_USERS\tk\tn\tREG_SZ\t0A\tREG_SZ\t\r\n", 2,
         "data that is not pairs of lower-case hexadecimal digits"},
        {"damage after good lines", head + good + good + "key\tHKEY_USERS\r\n", 4,
         "not a line of the record (unknown kind or wrong number of fields)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        PriorState state;
        PriorDamage damage;
        EXPECT_FALSE(ParsePriorRecord(c.text.data(), c.text.size(), state, damage));
        EXPECT_EQ(damage.nLine, c.nLine);
        EXPECT_EQ(damage.strReason, c.pszReason);
    }
    PriorState state;
    PriorDamage damage;
    const std::string numbered = head + "value\tHKEY_USERS\tk\tn\t4294967295\t\t12\tff\r\n";
    ASSERT_TRUE(ParsePriorRecord(numbered.data(), numbered.size(), state, damage)) << damage.strReason;
    EXPECT_EQ(state.values[0].dwOldType, 0xFFFFFFFFu);
    EXPECT_EQ(state.values[0].dwNewType, 12u);
}

// Only a folder on the way to the target, above it and below its drive or share, is one that the
// uninstaller may take away as made for it.
TEST(PriorRecord, FolderAbove)
{
    const struct {
        const char* pszFolder;
        const char* pszTarget;
        bool bAbove;
    } rows[] = {
        {"C:\\Users\\u\\AppData\\Local\\Programs", "C:\\Users\\u\\AppData\\Local\\Programs\\Notes", true},
        {"C:\\Users\\u\\AppData\\Local", "C:\\Users\\u\\AppData\\Local\\Programs\\Notes", true},
        {"c:\\users\\U\\appdata\\local\\programs\\", "C:\\Users\\u\\AppData\\Local\\Programs\\Notes\\", true},
        {"C:\\Games", "C:\\Games\\New", true},
        {"\\\\server\\share\\apps", "\\\\server\\share\\apps\\Demo", true},
        // The target itself, below it, beside it, a name that only starts alike.
        {"C:\\Games\\New", "C:\\Games\\New", false},
        {"C:\\Games\\New\\bin", "C:\\Games\\New", false},
        {"C:\\Games\\Old", "C:\\Games\\New\\x", false},
        {"C:\\Gam", "C:\\Games\\New", false},
        // A drive's root or a share alone is never made; another drive is not on the way.
        {"C:\\", "C:\\Games\\New", false},
        {"C:", "C:\\Games\\New", false},
        {"\\\\server\\share", "\\\\server\\share\\apps\\Demo", false},
        {"D:\\Games", "C:\\Games\\New", false},
        // Paths that are not full, or that climb.
        {"Games", "Games\\New", false},
        {"C:Games", "C:Games\\New", false},
        {"C:\\Games\\..", "C:\\Games\\..\\Windows", false},
        {"C:\\Games\\.", "C:\\Games\\.\\New", false},
        {"C:\\Games", "C:\\Games\\\\New", false},
        {"", "C:\\Games\\New", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.pszFolder) + " above " + row.pszTarget);
        EXPECT_EQ(IsFolderAbove(row.pszFolder, row.pszTarget), row.bAbove);
    }
}

// An installation over an earlier one: what the earlier log lists was made by the product, unless
// the earlier record says it was there before.
TEST(PriorRecord, EarlierInstallation)
{
    const std::string log = "\\logs\r\nreadme.txt\r\n\\samples\r\n[\\REGEDIT4]\r\n"
                            "\\[HKEY_LOCAL_MACHINE\\Software\\Nexal\\Zorvan Demo]\r\nVersion\r\n\r\n"
                            "\\[HKEY_CURRENT_USER\\Software\\Nexal]\r\nTheirs\r\n"
                            "\\samples\r\n";
    MemoryFile record;
    PriorRecordWriter writer(&record);
    writer.Header();
    writer.Directory("samples");
    writer.Key(1, "Software\\Nexal");
    writer.Value(MakeValue(1, "Software\\Nexal", "Theirs", 1, "old", 1, "new"));
    EarlierInstallation earlier;
    earlier.Load(log, record.m_strData);
    EXPECT_TRUE(earlier.ListsDirectory("LOGS"));
    EXPECT_FALSE(earlier.ListsDirectory("readme.txt")) << "a file is no directory";
    EXPECT_TRUE(earlier.ListsFile("README.txt")) << "the product's file, not one there before";
    EXPECT_FALSE(earlier.ListsFile("logs")) << "a directory is no file";
    EXPECT_TRUE(earlier.Found().HasDirectory("samples"));
    EXPECT_TRUE(earlier.ListsKey(2, "software\\nexal\\zorvan demo"));
    EXPECT_TRUE(earlier.ListsValue(2, "Software\\Nexal\\Zorvan Demo", "Version"));
    EXPECT_TRUE(earlier.ListsValue(2, "Software\\Nexal\\Zorvan Demo", "")) << "the default value";
    EXPECT_FALSE(earlier.ListsValue(1, "Software\\Nexal", "Version"));
    EXPECT_FALSE(earlier.ListsDirectory("samples\r\n")) << "lines after the marker are registry lines";
    ASSERT_NE(earlier.Found().FindValue(1, "Software\\Nexal", "Theirs"), nullptr);
    EXPECT_EQ(earlier.Found().FindValue(1, "Software\\Nexal", "Theirs")->oldData, Bytes("old"));

    // A log that the uninstaller would refuse (a key under an unknown root) is taken as none; the
    // record still reads.
    earlier.Load(log + "\\[HKEY_FOO\\x]\r\nStray\r\n", record.m_strData);
    EXPECT_FALSE(earlier.ListsDirectory("logs"));
    EXPECT_FALSE(earlier.ListsValue(1, "Software\\Nexal", "Stray")) << "a value under an unknown root";
    EXPECT_TRUE(earlier.Found().HasDirectory("samples"));

    // A damaged record is taken as none; a last line without its CR LF names nothing.
    earlier.Load("\\logs\r\n\\cut", "ZORVAN-PRIOR\t1\r\ndirectory\tlogs");
    EXPECT_TRUE(earlier.ListsDirectory("logs"));
    EXPECT_FALSE(earlier.ListsDirectory("cut"));
    EXPECT_FALSE(earlier.Found().HasDirectory("logs"));
}
