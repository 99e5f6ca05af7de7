// The payload step of a run: every entry of the stream made in the target, in the stream's order,
// each listed in Install.log before it is made (and taken back when it cannot be made), a folder
// that was there before recorded in Install.prior, the progress dialog told as the bytes go out
// (Win32).
#pragma once

#include "AfxString.h"
#include "InstallFlags.h"

#include <string>
#include <set>
#include <vector>

class CEntryOutput;
class CPayloadStream;
class CProgressSink;
class CRunRecord;
class CTargetFolder;
class EarlierInstallation;

class CPayloadCopy {
public:
    struct Parts {
        CPayloadStream* pStream = nullptr;
        CEntryOutput* pOutput = nullptr;
        CRunRecord* pRecord = nullptr;
        CTargetFolder* pTarget = nullptr;
        const CProgressSink* pSink = nullptr;
        const EarlierInstallation* pEarlier = nullptr;  // what the target's earlier record lists
        const InstallFlag* pCancel = nullptr;           // a stop request, read between entries and chunks
        CString strPrefix;                              // the target with its trailing backslash
        // The target held anything as the run found it: not empty, or an earlier installation's.
        bool bTargetHadAnything = false;
    };
    // Everything parts points to must outlive the object.
    explicit CPayloadCopy(const Parts& parts) : m_parts(parts) {}

    // Makes entries until nTotal bytes of file data are written or a stop is requested; pBuffer
    // holds nChunk bytes. Throws InstallStop (a directory that cannot be made: Kind::directory).
    void Run(UINT nTotal, BYTE* pBuffer, UINT nChunk);

private:
    bool Cancelled() const { return GetInstallFlag(m_parts.pCancel) != 0; }
    void MakeDirectory();
    void CopyEntryFile(UINT& nRemaining, BYTE* pBuffer, UINT nChunk);
    void ClearEarlierItem(const char* pszPath);
    void KeepEarlierFile(const char* pszPath);
    [[noreturn]] static void ThrowKeepFailed(DWORD err, const CString& strPath);

    Parts m_parts;
    std::vector<std::string> m_madeDirectories;  // folders this run created
    std::set<std::string> m_writtenFiles;        // files this run wrote (FoldedEntryPath)
};
