// The check of Setup.ini on texts made of the script's own troublesome characters: it never
// crashes, and every diagnostic names the file and, when it names a line, one of the text's lines.
#include "IniCheck.h"
#include "SetupText.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

using namespace zrvtool;

TEST(IniCheck, ScrambledScriptsGiveWellFormedDiagnostics)
{
    const std::string head = "INSTALL4\r\n[Demo]\r\nAppDescription=x\r\nDiskImage=demo.001\r\nDefaultDir=C:\\D\r\nFreeSpace=1\r\n";
    const std::string pieces[] = {"REGEDIT4", "\r\n", "\n", "\r", "[", "]", "\"", "\\", "=", ",", ";", "@", "\t", " ",
                                  "-", "hex:", "hex(2):", "dword:", "0x", "ff", "1", "HKEY_LOCAL_MACHINE\\", "HKLM\\",
                                  "%INSTALLPATH%", "%%", "a", std::string(1, '\0')};
    std::mt19937 rng(12345);
    int nWarned = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = round % 3 == 0 ? "" : head;
        int n = 1 + int(rng() % 40);
        for (int i = 0; i < n; ++i) text += pieces[rng() % std::size(pieces)];
        std::string bytes = round % 2 ? ChainSetupIni(text) : text;
        std::ostringstream out, diag;
        IniCheck check = CheckSetupIni("s.ini", bytes, out, diag);
        size_t nLines = 1;
        for (char ch : text.substr(0, text.find('\0'))) nLines += ch == '\n';
        std::istringstream lines(diag.str());
        std::string line;
        int nCounted = 0;
        while (std::getline(lines, line)) {
            SCOPED_TRACE(line);
            ASSERT_EQ(line.compare(0, 6, "s.ini:"), 0);
            if (line.compare(6, 7, " note: ") == 0) continue;  // what storing the plain text changes
            if (line[6] != ' ') {
                size_t nLine = std::stoul(line.substr(6));
                ASSERT_GE(nLine, 1u);
                ASSERT_LE(nLine, nLines);
            }
            ++nCounted;
        }
        ASSERT_EQ(nCounted, check.nWarnings + check.nErrors);
        nWarned += check.nWarnings > 0;
    }
    EXPECT_GT(nWarned, 100);  // the mixtures do reach the table
}
