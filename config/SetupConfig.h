// The settings of Setup.ini, and the file class that reads its byte-chained storage.
#pragma once

#include "AfxFile.h"

struct SetupConfig {
    CString m_strAppDescription;
    int m_nFreeSpaceMB = 0;  // megabytes of 1,048,576 bytes; may be negative
    CString m_strDiskImage;
    CString m_strProductName;
    CString m_strInstallDir;  // the default directory, then the one the user confirmed
};

// Setup.ini is stored chained by XOR: stored byte 0 is text byte 0, and every later stored byte is
// the text byte XOR the stored byte before it. There is no key, header or checksum.
class CSetupIniFile : public CFile {
public:
    ~CSetupIniFile() override = default;

    // Reads up to nCount bytes into lpBuf and un-chains them in place; returns the number read.
    // Only the bytes read are touched. Like Read, it throws on a read error.
    UINT ReadUnchained(void* lpBuf, UINT nCount);
};

// The name the installer opens, in its current directory.
constexpr const char* kSetupIniName = "Setup.ini";

// Reads the whole of an open CSetupIniFile, un-chained, into a new zero-terminated buffer that the
// caller frees with delete[]. Throws a CFileException when the file is not open or cannot be read.
char* ReadWholeSetupIni(CSetupIniFile& file, DWORD* pLength = nullptr);

// Why a Setup.ini text was refused and on which line (1-based; 0 when no line applies).
struct SetupIniProblem {
    CString m_strReason;
    int m_nLine = 0;
};

// Reads the settings from a decoded zero-terminated Setup.ini text into config, as the installer
// does at start-up. Returns TRUE when the text starts with the marker and its section held four
// key lines with a usable FreeSpace value. Fills config as it goes, so after a failure some fields
// may be set; when it returns FALSE and pProblem is given, pProblem says why. The text is
// unchanged afterwards. On success *ppFourthKeyLine (when given) is the start of the fourth key line.
BOOL ParseSetupText(char* pszText, SetupConfig& config, SetupIniProblem* pProblem = nullptr,
                    char** ppFourthKeyLine = nullptr);

// If the line at pszLine starts with pszKey and a value can be taken (up to the closing double
// quote of a quoted value, else up to the next CR), copies the value into strValue and returns
// TRUE. The text is unchanged afterwards.
BOOL ReadKeyValue(char* pszLine, const char* pszKey, CString& strValue);
