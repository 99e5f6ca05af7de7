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
