#include "Unpack.h"

#include "AfxFileException.h"
#include "AfxNameCase.h"
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

const CFolderHandle* CBundle::SubFolder(const CFolderHandle& folder, const CString& strName, LaunchFault& fault)
{
    for (const auto& made : m_folders)
        if (AfxSameName(made.first.Str(), strName.Str())) return made.second.get();
    std::unique_ptr<CFolderHandle> sub(new CFolderHandle);
    bool bExisted = true;
    DWORD err = folder.CreateChild(strName, nullptr, *sub, &bExisted);
    // Only someone else can have put a folder into the one just made: it is never used.
    if (err != NO_ERROR || bExisted) {
        fault = err == ERROR_DISK_FULL || err == ERROR_HANDLE_DISK_FULL ? LaunchFault::noRoom : LaunchFault::cannotUnpack;
        return nullptr;
    }
    m_folders.emplace_back(strName, std::move(sub));
    return m_folders.back().second.get();
}

LaunchFault CBundle::UnpackInto(const CFolderHandle& folder)
{
    for (const zrv::BundleEntry& e : m_entries) {
        // The table's names are checked: a plain name or one folder and a name.
        CString name = e.strName.c_str();
        const CFolderHandle* pIn = &folder;
        int sep = name.Find('\\');
        if (sep >= 0) {
            LaunchFault fault = LaunchFault::none;
            if (!(pIn = SubFolder(folder, name.Left(sep), fault))) return fault;
            name = name.Mid(sep + 1);
        }
        std::unique_ptr<CHeldFile> out(new CHeldFile);
        if (!out->Create(*pIn, name)) {
            DWORD err = GetLastError();
            return err == ERROR_DISK_FULL || err == ERROR_HANDLE_DISK_FULL ? LaunchFault::noRoom : LaunchFault::cannotUnpack;
        }
        try {
            auto write = [&out, &e](const char* data, UINT n) {
                if (!out->Write(data, n)) {
                    DWORD err = GetLastError();
                    AfxThrowFileException(CFileException::OsErrorToException(LONG(err)), LONG(err), e.strName.c_str());
                }
            };
            if (!ReadEntry(e, write)) return LaunchFault::damaged;
        } catch (CFileException* x) {
            bool full = x->m_cause == CFileException::diskFull;
            x->Delete();
            return full ? LaunchFault::noRoom : LaunchFault::cannotUnpack;
        }
        // Others may read it (the installer, the system starting it), nobody may write it.
        if (!out->Hold()) return LaunchFault::cannotUnpack;
        m_held.push_back(std::move(out));
    }
    return LaunchFault::none;
}
