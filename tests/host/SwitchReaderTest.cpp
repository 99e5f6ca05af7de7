// One switch reader for every program: the same command lines through Setup.exe's options and the
// launcher's silence, which must agree on every line, and the arguments the reader hands out.
#include "AfxCommandLine.h"
#include "AfxPath.h"
#include "CommandTail.h"
#include "SetupOptions.h"

#include <gtest/gtest.h>

TEST(SwitchReader, SetupAndLauncherAgreeOnEveryLine)
{
    struct Row {
        const char* line;  // the whole command line, the program's name first
        bool silent;
        const char* args;  // the arguments as read, joined by '|'
    } rows[] = {
        {"setup.exe", false, ""},
        {"setup.exe /D=C:\\a /S", false, "/D=C:\\a /S"},
        {"setup.exe \"/D=C:\\My App\" /S", false, "/D=C:\\My App /S"},
        {"setup.exe /S /D=C:\\Program Files\\App  ", true, "/S|/D=C:\\Program Files\\App"},
        {"setup.exe\t/s\t/d=C:\\x\t/S", true, "/s|/d=C:\\x\t/S"},
        {"\"C:\\My Downloads\\demo setup.exe\" \"/S\"", true, "/S"},
        {"demo.exe /log=\"C:\\my logs\\l.txt\" /S", true, "/log=C:\\my logs\\l.txt|/S"},
        {"demo.exe /LOG=x /S /D=", true, "/LOG=x|/S|/D="},
        {"demo.exe /SILENT /Sx \"/S x\"", false, "/SILENT|/Sx|/S x"},
        {"/S", false, ""},
        {"\"/S\" other", false, "other"},
        {"u.exe /HANDOVER 4:8 \"C:\\Program Files\\P\\Uninstal.exe\"", false,
         "/HANDOVER|4:8|C:\\Program Files\\P\\Uninstal.exe"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        const char* tail = AfxArgumentsOf(row.line);
        CCommandSwitches switches(tail);
        std::string args;
        for (int i = 0; i < switches.GetCount(); ++i) args += (i ? "|" : "") + switches.GetAt(i).Str();
        EXPECT_EQ(args, row.args);
        EXPECT_EQ(HasSilentSwitch(row.line), row.silent) << "the launcher";
        EXPECT_EQ(ParseSetupOptions(tail).bSilent != FALSE, row.silent) << "Setup.exe";
    }
}

// /LANG= as Setup.exe reads it, with or without /S, and as the launcher finds it in the line it
// passes on: the two agree, and /S accepts it among its options.
TEST(SwitchReader, LanguageSwitch)
{
    struct Row {
        const char* line;
        const char* tag;
        bool refused;  // Setup.exe refuses the line (an unknown option under /S)
    } rows[] = {
        {"setup.exe", "", false},
        {"setup.exe /LANG=de", "de", false},
        {"setup.exe /lang=pt-BR", "pt-BR", false},
        {"setup.exe \"/LANG=zh-CN\" /S /LOG=l.txt", "zh-CN", false},
        {"setup.exe /S /LANG=ru /D=C:\\Program Files\\App", "ru", false},
        {"setup.exe /S /D=C:\\App /LANG=ru", "", false},  // part of the folder's name
        {"setup.exe /S /LANGUAGE=ru", "", true},
        {"setup.exe /LANG=de /LANG=fr", "de", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        SetupOptions options = ParseSetupOptions(AfxArgumentsOf(row.line));
        EXPECT_EQ(options.strLanguage.Str(), row.tag) << "Setup.exe";
        EXPECT_EQ(!options.strError.IsEmpty(), row.refused) << options.strError.Str();
        EXPECT_EQ(LanguageSwitch(row.line).Str(), row.tag) << "the launcher";
    }
}

TEST(SwitchReader, NamesFoldOnlyAsciiCase)
{
    CCommandSwitches switches("/s /Log=A.TXT /\xe9 /handover");
    CString value;
    EXPECT_TRUE(switches.Is(0, "/S"));
    EXPECT_TRUE(switches.IsValued(1, "/LOG=", value));
    EXPECT_EQ(value, "A.TXT");
    EXPECT_FALSE(switches.Is(2, "/\xc9"));
    EXPECT_FALSE(switches.IsValued(0, "/S=", value));
    EXPECT_TRUE(switches.Has("/HANDOVER"));
    EXPECT_FALSE(switches.Has("/HANDOVE"));
}

TEST(PathParts, FolderAndName)
{
    struct Row {
        const char* path;
        const char* folder;
        const char* name;
    } rows[] = {
        {"C:\\Program Files\\P\\Uninstal.exe", "C:\\Program Files\\P", "Uninstal.exe"},
        {"C:\\x.exe", "C:", "x.exe"},
        {"C:/a\\b/c", "C:/a\\b", "c"},
        {"name", "", "name"},
        {"C:\\dir\\", "C:\\dir", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(AfxFolderOf(row.path), row.folder);
        EXPECT_EQ(AfxNameOf(row.path), row.name);
    }
}
