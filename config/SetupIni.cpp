// Reading the settings of Setup.ini.
#include "SetupConfig.h"

#include <cstdio>
#include <cstring>

namespace {

// A line is skipped when it starts with '#', a blank, or CR (an empty line).
bool IsSkipped(const char* line) { return *line == '#' || *line == ' ' || *line == '\r'; }

// The start of the line after the one at p, or null when no CR LF follows.
char* NextLine(char* p)
{
    char* crlf = std::strstr(p, "\r\n");
    return crlf ? crlf + 2 : nullptr;
}

// The next line after p that is not skipped, or null when the text ends first.
char* NextUsedLine(char* p)
{
    do {
        p = NextLine(p);
    } while (p && IsSkipped(p));
    return p;
}

}  // namespace

BOOL ReadKeyValue(char* pszLine, const char* pszKey, CString& strValue)
{
    size_t keyLen = std::strlen(pszKey);
    if (std::strncmp(pszLine, pszKey, keyLen) != 0) return FALSE;
    char* value = pszLine + keyLen;
    char* end;
    if (*value == '"') {
        ++value;
        end = std::strchr(value, '"');
    } else {
        end = std::strchr(value, '\r');
    }
    if (!end) return FALSE;
    char saved = *end;
    *end = '\0';
    strValue = value;
    *end = saved;
    return TRUE;
}

namespace {

int LineOf(const char* text, const char* p)
{
    int line = 1;
    for (const char* q = text; q < p; ++q)
        if (q[0] == '\r' && q[1] == '\n') ++line;
    return line;
}

BOOL Refuse(SetupIniProblem* pProblem, const char* text, const char* at, const char* reason)
{
    if (pProblem) {
        pProblem->m_strReason = reason;
        pProblem->m_nLine = at ? LineOf(text, at) : 0;
    }
    return FALSE;
}

}  // namespace

BOOL ParseSetupText(char* pszText, SetupConfig& config, SetupIniProblem* pProblem, char** ppFourthKeyLine)
{
    const char* text = pszText;
    if (std::strncmp(text, "INSTALL4", 8) != 0)
        return Refuse(pProblem, text, text, "the text does not begin with INSTALL4 (is the file stored chained?)");

    char* line = NextUsedLine(pszText);
    if (!line) return Refuse(pProblem, text, nullptr, "the text ends before the section header");
    if (*line != '[') return Refuse(pProblem, text, line, "the first line that is not skipped is not a section header [Name]");
    char* close = std::strchr(line + 1, ']');
    if (!close) return Refuse(pProblem, text, line, "the section header has no closing ]");
    config.m_strProductName = CString(line + 1, int(close - line - 1));

    line = NextUsedLine(line);
    if (!line) return Refuse(pProblem, text, nullptr, "the text ends before the four key lines");

    CString strFreeSpace;
    char* freeSpaceLine = nullptr;
    struct Key {
        const char* name;
        CString* target;
    };
    const Key keys[] = {
        {"AppDescription=", &config.m_strAppDescription},
        {"DiskImage=", &config.m_strDiskImage},
        {"DefaultDir=", &config.m_strInstallDir},
        {"FreeSpace=", &strFreeSpace},
    };
    int nNeeded = 4;
    for (;;) {
        bool counted = false;
        for (const Key& key : keys) {
            if (ReadKeyValue(line, key.name, *key.target)) {
                counted = true;
                if (key.target == &strFreeSpace) freeSpaceLine = line;
                break;
            }
        }
        if (counted && --nNeeded == 0) break;
        if (*line == '[') return Refuse(pProblem, text, line, "another section begins before four key lines were read");
        line = NextUsedLine(line);
        if (!line)
            return Refuse(pProblem, text, nullptr,
                          "the text ends before four key lines were read (a value without its closing quote, "
                          "or a last line without CR LF, does not count)");
    }

    // Like sscanf("%d"): "20MB" gives 20; no number at all is a mismatch and rejects the file,
    // but an empty or blank value reaches the end of its input and leaves the space at 0.
    int nFreeSpace = 0;
#ifdef _WIN32
    // The system C library's own sscanf: the C99 one that the C++ runtime selects would bring
    // some 30 KB of conversion code into the installer for this one "%d". Some system libraries
    // report a blank input as a mismatch, so the end of the input is found here.
    const char* p = strFreeSpace;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    int converted = *p ? __ms_sscanf(p, "%d", &nFreeSpace) : EOF;
#else
    int converted = std::sscanf(strFreeSpace, "%d", &nFreeSpace);
#endif
    if (converted == 0) return Refuse(pProblem, text, freeSpaceLine, "the FreeSpace value holds no number");
    if (converted == 1) config.m_nFreeSpaceMB = nFreeSpace;
    if (ppFourthKeyLine) *ppFourthKeyLine = line;
    return TRUE;
}
