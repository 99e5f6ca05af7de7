// The target folder of an installation, held from the first look to the last write (Win32).
//
// Every folder and file of the payload is made relative to the handle of its parent, which was
// made by this run or opened and checked not to be a link, and which stays held (no one can rename
// it) until the run ends: a folder swapped for a link between a check and a write changes nothing
// outside the target. A new item gets the installation's access list with its creation, so that
// nothing is read back or set afterwards; only an item that was already there costs a check.
#pragma once

#include "AfxFile.h"
#include "AfxNoLinks.h"
#include "RecordTrust.h"

#include <map>
#include <string>

class CTargetFolder {
public:
    // Opens and holds the folder strPath (no trailing backslash). pSecurity: the list of
    // everything made (null: inherited), which must outlive the object. Returns NO_ERROR,
    // kErrorLinkOnPath, or the system's error.
    DWORD Open(const CString& strPath, SECURITY_ATTRIBUTES* pSecurity);
    const CFolderHandle& Root() const { return m_root; }

    enum class Protection { none, given, widened };
    // With a list to give: the folder, which existed before the run, gets it in place of its own
    // and the administrators as its owner. Returns widened when users other than the
    // administrators could change it before, given otherwise, none without a list or on failure.
    Protection Protect();

    // Reads the file strName of the record directly in the folder into file, never through a link:
    // its length, and its bytes only when the record's cap allows (RecordFileFits); a larger file
    // is not read, and the rule for believing a record does not believe it. Returns false when it
    // is missing or cannot be read; *pChangeable is set when others than SYSTEM, the
    // administrators and the user could have written it.
    bool ReadRecordFile(const CString& strName, RecordFileRead& file, bool* pChangeable);

    // Makes the folder strEntry ("a\b": its parent made before or there already), or opens and
    // checks the one there (*pExisted; given this run's list when there is one). NO_ERROR,
    // kErrorLinkOnPath, ERROR_DIRECTORY for a file of that name, or the system's error.
    DWORD MakeFolder(const CString& strEntry, bool* pExisted);

    // The held folder that holds the entry strEntry ("a\b\c.txt"), and *pLeaf its last component;
    // null with the error in *pError when a folder on the way is missing, a link, or a file.
    const CFolderHandle* FolderOf(const CString& strEntry, CString* pLeaf, DWORD* pError);

    // Lets go of every folder.
    void Close();

private:
    static std::string Key(const CString& strEntry);

    SECURITY_ATTRIBUTES* m_pSecurity = nullptr;
    CFolderHandle m_root;
    std::map<std::string, CFolderHandle> m_folders;  // by folded entry path
};
