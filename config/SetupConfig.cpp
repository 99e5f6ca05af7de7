#include "SetupConfig.h"

UINT CSetupIniFile::ReadUnchained(void* lpBuf, UINT nCount)
{
    UINT n = Read(lpBuf, nCount);
    unsigned char* p = static_cast<unsigned char*>(lpBuf);
    // Downwards, so that each byte is combined with the stored byte before it, still unchanged.
    for (UINT k = n; k-- > 1;) p[k] ^= p[k - 1];
    return n;
}

char* ReadWholeSetupIni(CSetupIniFile& file, DWORD* pLength)
{
    DWORD length = file.GetLength();
    char* text = new char[size_t(length) + 1];
    text[length] = '\0';
    UINT n;
    try {
        n = file.ReadUnchained(text, length);
    } catch (...) {
        delete[] text;
        throw;
    }
    // A file that shrank between the length query and the read keeps its terminator right after
    // the bytes that did arrive.
    text[n] = '\0';
    file.Close();
    if (pLength) *pLength = n;
    return text;
}
