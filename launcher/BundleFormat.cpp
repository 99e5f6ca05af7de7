#include "BundleFormat.h"

#include "AfxNameCase.h"
#include "AfxString.h"
#include "Crc32.h"

#include <cstring>

namespace zrv {
namespace {

uint32_t Get32(const unsigned char* p) { return p[0] | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t Get16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }

void Put32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out += char((v >> (8 * i)) & 0xFF);
}

const char* CheckPart(const std::string& part)
{
    if (part.empty() || part == "." || part == "..") return "a part of it is empty, . or ..";
    if (part.back() == '.' || part.back() == ' ') return "a part of it ends in a dot or a blank";
    for (unsigned char ch : part)
        if (ch < 0x20 || ch == 0x7F || std::strchr("<>:\"/|?*", ch)) return "it holds a character Windows refuses";
    // The devices' names, with or without an extension.
    std::string stem = AfxLowerAscii(part.substr(0, part.find('.')));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    static const char* const kDevices[] = {"con", "prn", "aux", "nul"};
    for (const char* device : kDevices)
        if (stem == device) return "it names a device";
    if (stem.size() == 4 && (stem.compare(0, 3, "com") == 0 || stem.compare(0, 3, "lpt") == 0) && stem[3] >= '1' &&
        stem[3] <= '9')
        return "it names a device";
    return nullptr;
}

}  // namespace

const char* CheckBundleName(const std::string& name)
{
    if (name.empty()) return "the name is empty";
    if (name.size() > 200) return "the name is longer than 200 bytes";
    size_t sep = name.find('\\');
    if (sep != std::string::npos && name.find('\\', sep + 1) != std::string::npos)
        return "more than one folder level";
    if (sep == std::string::npos) return CheckPart(name);
    if (const char* why = CheckPart(name.substr(0, sep))) return why;
    return CheckPart(name.substr(sep + 1));
}

std::string BundleTail(const std::vector<BundleEntry>& entries)
{
    std::string table;
    uint64_t nData = 0;
    for (const BundleEntry& e : entries) {
        Put32(table, e.nSize);
        Put32(table, e.nCrc);
        table += char(e.strName.size() & 0xFF);
        table += char(e.strName.size() >> 8);
        table += e.strName;
        nData += e.nSize;
    }
    std::string tail = table;
    Put32(tail, uint32_t(entries.size()));
    Put32(tail, uint32_t(table.size()));
    Put32(tail, Crc32(table.data(), table.size()));
    Put32(tail, uint32_t(nData + table.size() + kBundleTrailerSize));
    tail.append(kBundleMagic, sizeof kBundleMagic);
    return tail;
}

size_t PeHeaderOffset(const unsigned char* head, size_t nHead)
{
    if (!head || nHead < 0x40 || head[0] != 'M' || head[1] != 'Z') return 0;
    uint32_t pe = Get32(head + 0x3C);
    if (pe > nHead || nHead - pe < 24 || std::memcmp(head + pe, "PE\0\0", 4) != 0) return 0;
    return pe;
}

bool PeSecurityDirectory(const unsigned char* head, size_t nHead, uint32_t* pOffset, uint32_t* pSize)
{
    size_t pe = PeHeaderOffset(head, nHead);
    if (pe == 0 || nHead - pe < 24 + 2) return false;
    const unsigned char* optional = head + pe + 24;
    size_t nOptional = nHead - pe - 24;
    uint16_t magic = Get16(optional);
    // The data directories follow the optional header's fixed part, whose size differs between
    // 32- and 64-bit programs; the security directory is the fifth.
    size_t countAt = magic == 0x10B ? 92 : magic == 0x20B ? 108 : 0;
    if (countAt == 0 || nOptional < countAt + 4 + 5 * 8) return false;
    if (Get32(optional + countAt) < 5) {
        *pOffset = *pSize = 0;
        return true;
    }
    const unsigned char* security = optional + countAt + 4 + 4 * 8;
    *pOffset = Get32(security);
    *pSize = Get32(security + 4);
    return true;
}

namespace {

BundleFault ReadTable(const BundleRead& read, uint32_t nFileSize, std::vector<BundleEntry>& entries)
{
    // Where the contents end: before the certificate table of a signed bundle.
    unsigned char head[1024];
    uint32_t nHead = nFileSize < sizeof head ? nFileSize : uint32_t(sizeof head);
    if (!read(0, head, nHead)) return BundleFault::incomplete;
    uint32_t end = nFileSize, certOffset = 0, certSize = 0;
    if (PeSecurityDirectory(head, nHead, &certOffset, &certSize) && certOffset != 0) {
        if (certOffset > nFileSize || certSize > nFileSize - certOffset) return BundleFault::incomplete;
        end = certOffset;
    }
    // The trailer, with the zero bytes that align the certificate table after it.
    unsigned char tail[kBundleTrailerSize + 7];
    uint32_t nTail = end < sizeof tail ? end : uint32_t(sizeof tail);
    if (!read(end - nTail, tail, nTail)) return BundleFault::incomplete;
    uint32_t last = nTail;
    while (last > 0 && nTail - last < 7 && tail[last - 1] == 0) --last;
    if (last < kBundleTrailerSize || std::memcmp(tail + last - 8, kBundleMagic, 8) != 0) return BundleFault::incomplete;
    const unsigned char* trailer = tail + last - kBundleTrailerSize;
    uint32_t trailerEnd = end - (nTail - last);
    uint32_t nCount = Get32(trailer), nTable = Get32(trailer + 4), nTableCrc = Get32(trailer + 8);
    uint32_t nContents = Get32(trailer + 12);
    if (nTable > kBundleMaxTableSize || nContents > trailerEnd || nContents < kBundleTrailerSize + nTable)
        return BundleFault::damaged;
    uint32_t tableStart = trailerEnd - kBundleTrailerSize - nTable;
    std::string table(nTable, '\0');
    if (!read(tableStart, &table[0], nTable)) return BundleFault::incomplete;
    if (Crc32(table.data(), table.size()) != nTableCrc) return BundleFault::damaged;

    const unsigned char* p = reinterpret_cast<const unsigned char*>(table.data());
    uint32_t pos = 0, offset = trailerEnd - nContents;
    bool bSetup = false;
    for (uint32_t i = 0; i < nCount; ++i) {
        if (nTable - pos < 10) return BundleFault::damaged;
        BundleEntry e;
        e.nSize = Get32(p + pos);
        e.nCrc = Get32(p + pos + 4);
        uint16_t nName = Get16(p + pos + 8);
        pos += 10;
        if (nTable - pos < nName) return BundleFault::damaged;
        e.strName.assign(table, pos, nName);
        pos += nName;
        e.nOffset = offset;
        if (e.nSize > tableStart - offset || CheckBundleName(e.strName)) return BundleFault::damaged;
        offset += e.nSize;
        for (const BundleEntry& seen : entries)
            if (AfxSameName(seen.strName, e.strName)) return BundleFault::damaged;
        bSetup = bSetup || AfxSameName(e.strName, "Setup.exe");
        entries.push_back(e);
    }
    return pos != nTable || offset != tableStart || !bSetup ? BundleFault::damaged : BundleFault::none;
}

}  // namespace

BundleFault ReadBundleTable(const BundleRead& read, uint32_t nFileSize, std::vector<BundleEntry>& entries)
{
    entries.clear();
    BundleFault fault = ReadTable(read, nFileSize, entries);
    if (fault != BundleFault::none) entries.clear();
    return fault;
}

}  // namespace zrv
