// The one rule by which Setup.exe and Uninstal.exe believe the record of an installation that they
// read from a folder (Install.log and Install.prior). Anyone who can write the folder may have put
// the files there; what decides is the anchor kept in a product's uninstall entry (RecordAnchor.h),
// and which entries the running process may believe:
// - a file larger than kMaxRecordFileBytes is not read at all, and not believed;
// - an elevated process believes only an entry below HKEY_LOCAL_MACHINE, which only administrators
//   can write; one that is not elevated, an entry below HKEY_LOCAL_MACHINE, then below
//   HKEY_CURRENT_USER (its user's own, written with that user's own rights);
// - a record vouched for by an entry below HKEY_CURRENT_USER is believed for that user's part of
//   the registry alone: one that lists a key or value anywhere else is not;
// - Setup.exe looks only at its own product's entry below the root of its run's scope (for everyone:
//   HKEY_LOCAL_MACHINE; for one user: HKEY_CURRENT_USER); Uninstal.exe at every product's entry that
//   names the folder.
#pragma once

#include "RecordAnchor.h"

#include <string>
#include <vector>

// Far more than any installation writes (each replaced value twice, in hexadecimal): a larger
// Install.log or Install.prior is not read, so that a planted one cannot exhaust the process.
constexpr unsigned long long kMaxRecordFileBytes = 64ull << 20;

// Whether a file of the record this long may be read; asked with the file's length, before reading.
inline bool RecordFileFits(unsigned long long nLength) { return nLength <= kMaxRecordFileBytes; }

// One file of the record as the caller found it: its length (0 when it is missing), and its bytes,
// read only when RecordFileFits(nLength).
struct RecordFileRead {
    unsigned long long nLength = 0;
    std::string strData;
};

enum class RecordReader { setup, uninstaller };

// Who reads a record, and from where.
struct RecordQuestion {
    RecordReader reader = RecordReader::uninstaller;
    bool bElevated = true;                // AfxIsElevated() of the reading process
    CString strFolder;                    // the folder read, normalised as the store's folders are
    CString strProduct;                   // Setup.exe: the product it installs
    int nScopeRoot = kRootLocalMachine;   // Setup.exe: its run's root (kRootCurrentUser for one user)
};

enum class RecordVerdict {
    trusted,
    nothing,        // Setup.exe: no log, no record and nothing carried: no earlier installation at all
    noEntry,        // no believable entry keeps a record for this folder
    otherFolder,    // Setup.exe: its product's entry names another folder
    otherRecord,    // an entry for this folder keeps other digests
    usersOwnEntry,  // only an entry below HKEY_CURRENT_USER vouches for it, and the process is elevated
    tooLarge,       // a file is larger than kMaxRecordFileBytes (and was not read)
    beyondUsersPart // vouched for by a user's own entry, it lists a key or value outside that user's part
};

// The verdict and what comes with it.
struct RecordTrust {
    RecordVerdict verdict = RecordVerdict::noEntry;
    CString strProduct;           // the entry that vouches (trusted), or that the verdict is about
    int nRoot = -1;               // and its root
    std::string strLog, strPrior; // trusted: the record to use (for a run that did not end, the lines
                                  // it verifiably wrote joined with what it carried); else empty
    const char* pszFile = "";     // tooLarge: the file's name (kInstallLogName or kPriorRecordName)
    int nLine = 0;                // beyondUsersPart: the log's line that lists it
    std::string strReason;        // why it is not believed, one clause for messages; "" when it is

    bool IsTrusted() const { return verdict == RecordVerdict::trusted; }
};

// The roots whose entries a process may believe, in the order they are looked at.
std::vector<int> BelievedAnchorRoots(bool bElevated);

// The verdict on a log and record read from question.strFolder, with the anchors of store. A file
// whose length exceeds the cap gives tooLarge whatever its bytes; otherwise the entries looked at
// are those that question.reader may look at, believed as question.bElevated allows.
RecordTrust JudgeRecord(const CAnchorStore& store, const RecordQuestion& question, const RecordFileRead& log,
                        const RecordFileRead& prior);
