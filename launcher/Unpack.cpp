#include "Unpack.h"

#include "AfxFileException.h"
#include "Crc32.h"

namespace {

const UINT kChunk = 1 << 16;

}  // namespace

LaunchFault CBundle::Open(const CString& strPath)
{
    // Others may read the program while it runs, but nobody may change it under us.
    if (!m_file.Open(strPath, CFile::modeRead | CFile::shareDenyWrite)) return LaunchFault::cannotRead;
    zrv::BundleRead read = [this](uint32_t offset, void* buffer, uint32_t size) {
        try {
            m_file.SeekTo(offset);
            for (uint32_t done = 0; done < size;) {
                UINT got = m_file.Read(static_cast<char*>(buffer) + done, size - done);
                if (got == 0) return false;
                done += got;
            }
            return true;
        } catch (CFileException* e) {
            e->Delete();
            return false;
        }
    };
    DWORD nSize = 0;
    try {
        nSize = m_file.GetLength();
    } catch (CFileException* e) {
        e->Delete();
        return LaunchFault::cannotRead;
    }
    switch (zrv::ReadBundleTable(read, nSize, m_entries)) {
    case zrv::BundleFault::none: return LaunchFault::none;
    case zrv::BundleFault::incomplete: return LaunchFault::incomplete;
    default: return LaunchFault::damaged;
    }
}

template <class Sink>
bool CBundle::ReadEntry(const zrv::BundleEntry& e, Sink sink)
{
    m_buffer.resize(kChunk);
    char* buffer = m_buffer.data();
    m_file.SeekTo(e.nOffset);
    uint32_t crc = zrv::kCrcInit;
    for (uint32_t left = e.nSize; left > 0;) {
        UINT want = left < kChunk ? UINT(left) : kChunk;
        UINT got = m_file.Read(buffer, want);
        if (got == 0) AfxThrowFileException(CFileException::endOfFile, -1, m_file.GetFilePath());
        crc = zrv::CrcUpdate(crc, buffer, got);
        sink(buffer, got);
        left -= got;
    }
    return ~crc == e.nCrc;
}

LaunchFault CBundle::CheckFiles()
{
    try {
        for (const zrv::BundleEntry& e : m_entries)
            if (!ReadEntry(e, [](const char*, UINT) {})) return LaunchFault::damaged;
    } catch (CFileException* e) {
        e->Delete();
        return LaunchFault::incomplete;
    }
    return LaunchFault::none;
}

unsigned long long CBundle::TotalSize() const
{
    unsigned long long n = 0;
    for (const zrv::BundleEntry& e : m_entries) n += e.nSize;
    return n;
}

LaunchFault CBundle::UnpackInto(const CString& strFolder)
{
    for (const zrv::BundleEntry& e : m_entries) {
        CString path = strFolder + "\\" + e.strName.c_str();
        // The table's names are checked: a plain name or one folder and a name.
        int sep = path.ReverseFind('\\');
        if (sep > strFolder.GetLength()) CreateDirectoryA(path.Left(sep), nullptr);
        CFile out;
        CFileException error;
        if (!out.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive | CFile::osNoLinks, &error))
            return error.m_cause == CFileException::diskFull ? LaunchFault::noRoom : LaunchFault::cannotUnpack;
        try {
            if (!ReadEntry(e, [&out](const char* data, UINT n) { out.Write(data, n); })) return LaunchFault::damaged;
            out.Close();
        } catch (CFileException* x) {
            bool full = x->m_cause == CFileException::diskFull;
            x->Delete();
            return full ? LaunchFault::noRoom : LaunchFault::cannotUnpack;
        }
        // Others may read it (the installer, the system starting it), nobody may write it.
        std::unique_ptr<CFile> held(new CFile);
        if (!held->Open(path, CFile::modeRead | CFile::shareDenyWrite | CFile::osNoLinks))
            return LaunchFault::cannotUnpack;
        m_held.push_back(std::move(held));
    }
    return LaunchFault::none;
}
