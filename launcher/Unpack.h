// The launcher's work on its own file: find the medium in it, check it, unpack it.
#pragma once

#include "AfxFile.h"
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
    // Writes every file into strFolder (its sub-folders made as needed), checking each CRC again,
    // and keeps each open for reading without write or delete sharing, so that nobody can change
    // or replace it before the installer that reads it has ended (Release). Returns none, noRoom
    // (the disk is full), cannotUnpack or damaged.
    LaunchFault UnpackInto(const CString& strFolder);
    void Close() { m_file.Close(); }
    // Lets go of the unpacked files.
    void Release() { m_held.clear(); }

private:
    // Reads the data of e piece by piece into sink; false when its CRC differs. Throws the file's
    // CFileException*.
    template <class Sink>
    bool ReadEntry(const zrv::BundleEntry& e, Sink sink);

    CFile m_file;
    std::vector<zrv::BundleEntry> m_entries;
    std::vector<char> m_buffer;
    std::vector<std::unique_ptr<CFile>> m_held;
};
