#include "Payload.h"

#include "EntryName.h"

void PayloadBuilder::AppendUint32(std::string& out, uint32_t n)
{
    for (int i = 0; i < 4; ++i) out.push_back(char((n >> (8 * i)) & 0xFF));
}

void PayloadBuilder::AppendTotal(std::string& out, uint32_t nTotal) { AppendUint32(out, nTotal); }

void PayloadBuilder::AppendDirectory(std::string& out, const std::string& storedName)
{
    out += storedName;
    out.push_back('\0');
}

void PayloadBuilder::AppendFileHeader(std::string& out, const std::string& name, uint32_t nSize)
{
    out += name;
    out.push_back('\0');
    AppendUint32(out, nSize);
}

void PayloadReader::ReadExact(void* pBuffer, uint32_t nCount, const char* pszWhat)
{
    UINT got = m_source.Read(pBuffer, nCount);
    if (got != nCount) throw PayloadError(std::string("the payload ends inside ") + pszWhat);
}

uint32_t PayloadReader::ReadTotal()
{
    unsigned char b[4];
    ReadExact(b, 4, "its total");
    m_nRemaining = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    return m_nRemaining;
}

bool PayloadReader::NextEntry(PayloadEntry& entry)
{
    if (m_nFileLeft != 0) throw PayloadError("entry '" + m_strCurrent + "': data not read");
    if (m_nRemaining == 0) {
        char extra;
        if (m_source.Read(&extra, 1) != 0)
            throw PayloadError("data after the last entry: the file sizes add up to more than the total");
        return false;
    }
    // Byte by byte up to the installer's limit, as it reads names.
    char name[kEntryNameBufferSize];
    size_t n = 0;
    for (;;) {
        if (n == sizeof name) break;
        ReadExact(&name[n], 1, "an entry name");
        if (name[n++] == '\0') break;
    }
    if (const char* why = CheckEntryName(name, n))
        throw PayloadError("bad entry name '" + std::string(name, n > 0 && name[n - 1] == '\0' ? n - 1 : n) + "': " + why);
    entry.name.assign(name);
    entry.bDirectory = name[0] == '\\';
    entry.nSize = 0;
    m_strCurrent = entry.name;
    if (entry.bDirectory) return true;
    unsigned char b[4];
    ReadExact(b, 4, ("the size of '" + entry.name + "'").c_str());
    entry.nSize = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    if (entry.nSize > m_nRemaining)
        throw PayloadError("entry '" + entry.name + "': its size is larger than what is left of the total");
    m_nFileLeft = entry.nSize;
    return true;
}

void PayloadReader::ReadData(void* pBuffer, uint32_t nCount)
{
    if (nCount > m_nFileLeft) throw PayloadError("entry '" + m_strCurrent + "': read past its data");
    ReadExact(pBuffer, nCount, ("the data of '" + m_strCurrent + "'").c_str());
    m_nFileLeft -= nCount;
    m_nRemaining -= nCount;
}
