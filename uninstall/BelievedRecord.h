// The believed record: the uninstaller's trust decision and what comes with it. Install.log and
// Install.prior are read from the held target, never through a link, and believed only as the
// product's entry vouches for them (RecordTrust.h: the digests kept where only administrators, or
// for one user that user, can write). Once believed, the record names the entry that vouches for
// it, and the entry's own items (its key, the digest and what a stopped run carried) have joined
// its items, to go last (RemovalRun.h).
#pragma once

#include "AfxNoLinks.h"
#include "InstallLog.h"
#include "RecordTrust.h"
#include "RegistryRoots.h"
#include "UninstallVoice.h"

#include <string>

class CBelievedRecord {
public:
    // target: the held target directory, named strTarget (without a trailing backslash); voice:
    // where a record that is not believed is told about. All three outlive this object.
    CBelievedRecord(const CFolderHandle& target, const CString& strTarget, CUninstallVoice& voice)
        : m_target(target), m_strTarget(strTarget), m_voice(voice)
    {
    }
    CBelievedRecord(const CBelievedRecord&) = delete;
    CBelievedRecord& operator=(const CBelievedRecord&) = delete;

    // Reads and judges the record. False, having told why, when it is missing, damaged, too large,
    // writable by others or not vouched for: nothing may then be removed. Either way the voice
    // names the product: the log's name when it has a sound one, else the entry's or the folder's.
    bool Read();

    // What follows holds once Read has returned true.
    InstallRecord& Record() { return m_record; }
    const InstallRecord& Record() const { return m_record; }
    // The entry that vouches for the record: its root (the user's own for an installation for one
    // user) and its key below that root.
    int EntryRoot() const { return m_nEntryRoot; }
    const CString& EntryKey() const { return m_strEntryKey; }
    // The language the installation spoke, as its entry keeps it; empty when it keeps none.
    CString RecordedLanguage() const;
    // Whether strProgram (a normalised full path) is this installation's uninstaller: the one in the
    // target that the record lists.
    bool ListsUninstaller(const CString& strProgram) const;

private:
    bool ReadPriorBytes(RecordFileRead& prior);
    bool ReadPriorRecord();
    bool TooLarge(const char* pszName);
    bool Untrusted(const char* pszName);
    bool MatchesKeptDigest();

    const CFolderHandle& m_target;
    const CString m_strTarget;
    CUninstallVoice& m_voice;
    InstallRecord m_record;
    std::string m_strLogData, m_strPriorData;  // the log's and the record's bytes, as the entry vouches for them
    RecordVerdict m_verdict = RecordVerdict::noEntry;  // the rule's (RecordTrust.h), and why it is not believed
    std::string m_strVerdictReason;
    CString m_strEntry;                    // the name of the entry that vouches for them
    int m_nEntryRoot = kRootLocalMachine;  // and its root
    CString m_strEntryKey;                 // its key below that root
};
