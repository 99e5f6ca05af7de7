// The lines of a Setup.ini text as an editor numbers them, for messages that name a line.
#pragma once

#include <string>
#include <vector>

namespace zrvtool {

struct TextLine {
    size_t nOffset = 0;    // where the line starts in the text
    std::string strText;   // without its line end
    bool bCrLf = false;    // ended by CR LF; false for LF alone or the end of the text
    bool bLf = false;      // ended by a line feed at all
};

// Splits text at every line feed (a CR right before it belongs to the line end). Line k of an
// editor is element k - 1.
std::vector<TextLine> SplitLines(const std::string& text);

// The 1-based number of the line that holds offset.
int LineNumberAt(const std::vector<TextLine>& lines, size_t offset);

}  // namespace zrvtool

namespace zrvtool {

// The words in which the tool shows what a registry script does, alike for the installer's dry run
// and for the same text read as a registry file, so that the two can be compared as text:
//   key HKEY_LOCAL_MACHINE\Software\Demo
//   value "Path" REG_SZ "C:\Demo"   value "N" REG_DWORD 0x00000010   value "B" REG_BINARY 01,ff
std::string DescribeKey(const std::string& strRoot, const std::string& strPath);
// dwType and data as the registry gets them (a REG_SZ's data ends with its NUL).
std::string DescribeValue(const std::string& strName, unsigned long dwType, const std::vector<unsigned char>& data);

}  // namespace zrvtool
