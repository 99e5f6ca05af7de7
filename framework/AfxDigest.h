// SHA-256 of what a program writes, so that a record read back later can be compared with the one
// written. Portable.
#pragma once

#include "AfxFile.h"

#include <cstdint>
#include <functional>
#include <string>

class CSha256 {
public:
    CSha256();
    void Update(const void* pData, size_t nSize);
    // The digest as 64 lower-case hexadecimal digits. Ends the computation: call once.
    std::string HexDigest();
    // The digest of a whole text in one call.
    static std::string Of(const std::string& strData);
    // The number of bytes taken in so far.
    uint64_t Length() const { return m_nBytes; }

private:
    void Block(const uint8_t* p);

    uint32_t m_h[8];
    uint8_t m_buf[64];
    size_t m_nBuf = 0;
    uint64_t m_nBytes = 0;
};

// A CFile that keeps the SHA-256 of everything written through it since it was opened.
class CDigestFile : public CFile {
public:
    BOOL Open(const char* lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr) override;
    void Write(const void* lpBuf, UINT nCount) override;
    // The digest of what was written so far; may be asked for at any time.
    std::string HexDigest() const
    {
        CSha256 copy = m_sha;
        return copy.HexDigest();
    }
    // The number of bytes written so far.
    uint64_t Written() const { return m_sha.Length(); }
    // Called after every Write that succeeded, and after every Rewind (to keep a digest elsewhere
    // in step with the file).
    void SetAfterWrite(std::function<void()> afterWrite) { m_afterWrite = std::move(afterWrite); }

    // A point in what was written, to come back to.
    struct Mark {
        CSha256 sha;
        // For a file that holds its text in another form than it writes it (CListedLog): where
        // the text stood, and which writing of the file the mark belongs to.
        size_t nText = 0;
        unsigned nGeneration = 0;
    };
    Mark GetMark() const { return {m_sha, 0, 0}; }
    // Cuts the file back to mark, and its digest with it; throws as Write does.
    virtual void Rewind(const Mark& mark);

private:
    CSha256 m_sha;
    std::function<void()> m_afterWrite;
};
