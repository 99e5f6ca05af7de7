// The installer's reading of the payload stream from the disk image (see PayloadStream.h).
#include "PayloadStream.h"

#include "AfxText.h"

#include "ArchiveFile.h"
#include "ArchivePromptBox.h"
#include "AfxCodePage.h"

#include <cstring>
#include <string>

// The reader tells its errors and asks about a missing volume in the installer's message boxes.
CPayloadStream::CPayloadStream() : m_archive(std::make_unique<CArchiveFile>(&ArchivePromptBox())) {}

CPayloadStream::~CPayloadStream() = default;

// The reader throws the error object it was given at Open for the image's own faults, and one of
// its own (which the catcher deletes) for anything else.
InstallStop CPayloadStream::Stop(CFileException* e)
{
    InstallStop stop = FileErrorStop(*e, e != &m_error ? RunFile::unknown : RunFile::image, GetFileName());
    e->Delete();
    return stop;
}

void CPayloadStream::Open(const CString& strDiskImage)
{
    bool bOpened = false;
    try {
        bOpened = m_archive->Open(strDiskImage, CFile::typeBinary | CFile::shareDenyWrite, &m_error);
    } catch (CFileException* e) {
        throw Stop(e);
    }
    if (!bOpened) throw FileErrorStop(m_error, RunFile::refusedImage, GetFileName());
}

void CPayloadStream::ReadExact(void* pBuffer, UINT nCount)
{
    // The reader delivers fewer bytes only at the end of the stream: the payload is cut short.
    if (Read(pBuffer, nCount) != nCount) ThrowCutShort();
}

UINT CPayloadStream::ReadTotal()
{
    UINT nTotal = 0;
    ReadExact(&nTotal, 4);
    return nTotal;
}

void CPayloadStream::ReadName()
{
    std::memset(m_szName, 0, sizeof m_szName);
    try {
        m_archive->ReadString(m_szName, sizeof m_szName);
    } catch (CFileException* e) {
        throw Stop(e);
    }
    m_strName.clear();
    const char* why = CheckEntryName(m_szName, sizeof m_szName);
    size_t len = strnlen(m_szName, sizeof m_szName);
    const std::string stored(m_szName, len);
    if (!why && !m_bUtf8) {
        m_strName = Cp1252ToUtf8(stored);
        return;
    }
    if (!why && IsUtf8(stored)) {
        m_strName = stored;
        return;
    }
    if (!why) why = kEntryNameNotUtf8;
    // Quoted with its control characters escaped: the refused name may hold any byte.
    std::string name = m_bUtf8 ? EscapeControls(stored, true) : Cp1252ToUtf8(EscapeControls(stored, false));
    throw InstallStop::Failure(AfxTextFormat("install.bad_entry_name", GetFileName().GetString(), name.c_str(), why));
}

UINT CPayloadStream::ReadSize(UINT nRemaining)
{
    UINT nSize = 0;
    ReadExact(&nSize, 4);
    if (nSize > nRemaining) {
        throw InstallStop::Failure(AfxTextFormat("install.bad_sizes", GetFileName().GetString()));
    }
    return nSize;
}

UINT CPayloadStream::Read(void* pBuffer, UINT nCount)
{
    try {
        return m_archive->Read(pBuffer, nCount);
    } catch (CFileException* e) {
        throw Stop(e);
    }
}

void CPayloadStream::ThrowCutShort()
{
    m_error.m_cause = CFileException::endOfFile;
    throw FileErrorStop(m_error, RunFile::image, GetFileName());
}

CString CPayloadStream::GetFileName() const { return m_archive ? m_archive->GetFileName() : CString(); }

void CPayloadStream::Release() { m_archive.reset(); }
