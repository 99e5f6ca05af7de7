// The launcher's work on its own file: find the medium in it, check it, unpack it.
#pragma once

#include "AfxFile.h"
#include "AfxPrivateFolder.h"
#include "AfxString.h"
#include "BundleFormat.h"

#include <memory>
#include <vector>

// What stopped the launcher; each has its own message.
enum class LaunchFault { none, cannotRead, incomplete, damaged, noRoom, cannotUnpack, cannotStart };

// The bundle in the program's own file, opened so that nobody can write to it while it is used.
class CBundle {
public:
    // Opens strPath and reads its table. Returns none, cannotRead, incomplete or damaged.
    LaunchFault Open(const CString& strPath);
    // Reads every file and compares its CRC-32. Returns none, incomplete (a read fails) or damaged.
    LaunchFault CheckFiles();
    // The bytes all files take unpacked.
    unsigned long long TotalSize() const;
    // Writes every file into the private folder held as folder, each created new through the
    // handle of the folder it goes in (a sub-folder is made new the same way, and held too),
    // checking each CRC again, and keeps each open for reading without write or delete sharing,
    // from its writing until Release, so that nobody can change or replace it before the installer
    // that reads it has ended. folder must stay held until Release. Returns none, noRoom (the disk
    // is full), cannotUnpack (also when a name is already taken in the folder) or damaged.
    LaunchFault UnpackInto(const CFolderHandle& folder);
    void Close() { m_file.Close(); }
    // Lets go of the unpacked files and sub-folders.
    void Release()
    {
        m_held.clear();
        m_folders.clear();
    }

private:
    // Reads the data of e piece by piece into sink; false when its CRC differs. Throws the file's
    // CFileException*.
    template <class Sink>
    bool ReadEntry(const zrv::BundleEntry& e, Sink sink);
    // The sub-folder strName of folder, made new by this unpacking and held; null, with the fault
    // in fault, when it cannot be made or was there before.
    const CFolderHandle* SubFolder(const CFolderHandle& folder, const CString& strName, LaunchFault& fault);

    CFile m_file;
    std::vector<zrv::BundleEntry> m_entries;
    std::vector<char> m_buffer;
    // Each sub-folder made, by name; the files written in it point at its handle.
    std::vector<std::pair<CString, std::unique_ptr<CFolderHandle>>> m_folders;
    std::vector<std::unique_ptr<CHeldFile>> m_held;
};
