// The payload stream: what the disk image holds once decompressed.
//
//   total   4 bytes, unsigned little-endian: the sum of the data sizes of all file entries
//   entries until the total is used up, each:
//     name  1 to 256 bytes ending in a zero byte; a leading backslash makes it a directory entry
//     size  4 bytes, unsigned little-endian (file entries only)
//     data  size bytes (file entries only)
//
// The installer reads entries only while some of the total remains, so every directory and empty
// file must come before the last data byte. PayloadBuilder writes streams; PayloadReader reads
// them as the installer does, but strictly: whatever the installer would read wrongly or not at
// all is an error here.
#pragma once

#include "AfxFile.h"

#include <cstdint>
#include <stdexcept>
#include <string>

// A stream that cannot be what it claims; what() says where and why.
struct PayloadError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Appends the parts of a stream to a byte string, in the order the caller gives them. Names are
// the stored bytes (a directory's with its leading backslash); they are not checked here.
class PayloadBuilder {
public:
    static void AppendTotal(std::string& out, uint32_t nTotal);
    static void AppendDirectory(std::string& out, const std::string& storedName);
    // The name and size of a file entry; its size bytes of data follow.
    static void AppendFileHeader(std::string& out, const std::string& name, uint32_t nSize);
    static void AppendUint32(std::string& out, uint32_t n);
};

struct PayloadEntry {
    std::string name;  // the stored name, a directory's with its leading backslash
    bool bDirectory = false;
    uint32_t nSize = 0;  // file entries only
};

// Reads a stream from source through Read only. Throws PayloadError for a stream that ends early,
// a name the installer would refuse (CheckEntryName), a file larger than what is left of the total,
// or data after the last entry; lets exceptions of the source pass.
class PayloadReader {
public:
    explicit PayloadReader(CFile& source) : m_source(source) {}

    // Reads the total; call once, first.
    uint32_t ReadTotal();
    // Reads the next entry's name and, for a file, its size. Returns false once the total is used
    // up, after checking that the stream ends there.
    bool NextEntry(PayloadEntry& entry);
    // Reads up to nCount bytes of the current file's data; the caller asks for no more than the
    // size it was given. A short stream throws.
    void ReadData(void* pBuffer, uint32_t nCount);

    uint32_t GetRemaining() const { return m_nRemaining; }

private:
    void ReadExact(void* pBuffer, uint32_t nCount, const char* pszWhat);

    CFile& m_source;
    uint32_t m_nRemaining = 0;
    uint32_t m_nFileLeft = 0;
    std::string m_strCurrent;
};
