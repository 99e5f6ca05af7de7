// The file of one payload entry, written in its held folder of the target (TargetFolder.h): never
// a file of the installation medium (MediumFiles.h), never through a link. A file that a running
// program holds is asked about through an IInUseQuestion; one left in use is written beside it
// and handed to the system, to be put in place when Windows restarts or, without the
// administrators' rights, when the user next signs in (Win32).
#pragma once

#include "AfxFile.h"
#include "InUseQuestion.h"
#include "InstallFlags.h"
#include "InstallStop.h"

#include <functional>
#include <memory>

class CListedLog;
class CMediumFiles;
class CTargetFolder;

class CEntryOutput {
public:
    struct Setup {
        CTargetFolder* pTarget = nullptr;
        const CMediumFiles* pMedium = nullptr;
        CString strInstallDir;                // the target, without a trailing backslash
        CString strProduct;                   // names the command for the next sign-in
        IInUseQuestion* pQuestion = nullptr;  // null: nobody to ask, a file in use is replaced later
        InstallFlag* pRestart = nullptr;      // set to 1 once a replacement waits (null: none)
        std::function<void(const CString&)> note;  // what is worth knowing, said without asking
        void* pSecurity = nullptr;            // the access list of every file made (null: inherited)
    };
    // Everything setup points to must outlive the object.
    explicit CEntryOutput(Setup setup);
    CEntryOutput(const CEntryOutput&) = delete;
    CEntryOutput& operator=(const CEntryOutput&) = delete;

    // Stops the run when strPath (an entry's full path; bNew: known not to exist yet) is a file of
    // the medium; pszEntry names the entry in the message.
    void CheckNotMedium(const CString& strPath, const char* pszEntry, bool bNew) const;
    // Stops the run for a link met on the way from the target to pszEntry.
    [[noreturn]] void ThrowLink(const char* pszEntry) const;

    // Opens the entry pszEntry ("a\b.txt") for writing: a new file at once, with its list; one that
    // is there already only once it is seen to be no file of the medium. A replacement of a file
    // in use is listed in log before it is made. Throws InstallStop.
    void Open(const char* pszEntry, CListedLog& log);
    // Throws as CFile::Write does.
    void Write(const void* pBuffer, UINT nCount) { m_file->Write(pBuffer, nCount); }
    // Closes the file written; a replacement goes to the system now. Throws InstallStop, or as
    // CFile::Close does.
    void Close();
    // A file that a failure left half-written stays on disk, listed like every other one, so that
    // the log names everything the run made and the uninstaller can remove it: its handle is closed.
    void CloseAbandoned();
    // Lets go of the file object (CloseAbandoned first).
    void Release() { m_file.reset(); }

private:
    bool OpenInUse(const CFolderHandle& folder, const CString& strLeaf, const CString& strPath, CListedLog& log);
    void ReplaceLater();
    bool ArrangeFinish();
    [[noreturn]] void ThrowOutputError(DWORD err, const CString& strPath);

    Setup m_setup;
    CString m_strPrefix;  // the target with its trailing backslash
    std::unique_ptr<CFile> m_file = std::make_unique<CFile>();
    CFileException m_error;
    CString m_strEntry;  // the entry in hand
    // The entry in hand is written beside a file in use (as m_strReplacement, an entry name) to
    // replace it later.
    bool m_bReplaceLater = false;
    CString m_strReplacement;
    // Without the administrators' rights a replacement waits for the user's next sign-in instead.
    const bool m_bAtSignIn;
    bool m_bFinishArranged = false;
};
