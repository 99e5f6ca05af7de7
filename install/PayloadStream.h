// The installer's reading of the payload stream (the format of Payload.h) from the disk image:
// the total, each entry's name and size, the data. It reads as the installer always has: names
// through the reader's ReadString, nothing after the last entry; the reader's own errors (it has
// told the user of a corrupt image or a missing volume) and an entry the installer cannot take
// end the run as InstallStop, with the run's message for each (Win32).
#pragma once

#include "EntryName.h"
#include "InstallStop.h"

#include <memory>
#include <string>

class CArchiveFile;

class CPayloadStream {
public:
    CPayloadStream();
    ~CPayloadStream();
    CPayloadStream(const CPayloadStream&) = delete;
    CPayloadStream& operator=(const CPayloadStream&) = delete;

    // Opens the disk image whose first volume is strDiskImage. Throws InstallStop.
    void Open(const CString& strDiskImage);
    // The sum of the file entries' sizes; read once, first. Throws InstallStop.
    UINT ReadTotal();
    // Whether the image's names are UTF-8 (a medium with CodePage=65001); else Windows-1252.
    void SetUtf8Names(bool bUtf8) { m_bUtf8 = bUtf8; }
    // Reads the next entry's name (Name()), and checks it against the entry-name rules as stored,
    // then as text of the medium's code page. Throws InstallStop for a name the installer refuses.
    void ReadName();
    // The name in hand, in the program's UTF-8: a directory's with its leading backslash.
    const char* Name() const { return m_strName.c_str(); }
    bool IsDirectory() const { return m_strName[0] == '\\'; }
    // The size of the file entry in hand. Throws InstallStop when it is larger than nRemaining,
    // what is left of the total.
    UINT ReadSize(UINT nRemaining);
    // Up to nCount bytes of the entry's data; fewer only where the stream ends. Throws InstallStop.
    UINT Read(void* pBuffer, UINT nCount);
    // Stops the run for a stream that ended inside an entry's data.
    [[noreturn]] void ThrowCutShort();
    // The reader's name of the image, for messages.
    CString GetFileName() const;
    // Lets go of the reader and its memory; a volume still open is closed without its check.
    void Release();

private:
    void ReadExact(void* pBuffer, UINT nCount);
    // The stop for a file error that the reader threw (or the run raised on its behalf).
    InstallStop Stop(CFileException* e);

    std::unique_ptr<CArchiveFile> m_archive;
    CFileException m_error;  // filled by the reader's Open, thrown by it on every later error
    // Cleared before each name, so that a stream that has ended yields an empty (refused) name
    // rather than the previous entry's bytes.
    char m_szName[kEntryNameBufferSize] = {};
    // The name converted: a Windows-1252 name may grow up to three times as UTF-8.
    std::string m_strName;
    bool m_bUtf8 = false;
};
