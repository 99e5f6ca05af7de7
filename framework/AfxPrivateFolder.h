// A private temporary folder: the place where a program copies or unpacks something that it is
// about to run with its own rights.
//
// The folder did not exist before (it is created exclusively, under a name from the system's random
// source), and its access list, which inherits nothing from the parent, gives SYSTEM and
// Administrators full control and nobody else any right; unelevated, the current user too. What
// is created inside inherits that list. So no other user's program, nor the user's own
// unelevated ones while an elevated program runs from it, can plant a DLL beside what runs from
// it, or swap a file between its writing and its start.
#pragma once

#include "AfxNoLinks.h"
#include "AfxString.h"

#ifdef _WIN32

// The temporary folder in which the private folders of this program's rights are made, with a
// trailing backslash: the user's own; elevated, never one that the environment names, but the
// system's, in the Windows folder (SystemTemp where this program may use it, else Temp), and only
// when users cannot rename, remove or re-permission anything in it or above it (AfxClosedToUsers;
// they may add things of their own). Empty, with the error in GetLastError (kErrorOpenToUsers
// when the folder is open to users), when there is none to use.
CString AfxPrivateFolderBase();

// Creates the folder in AfxPrivateFolderBase, returns its path, without a trailing backslash, and
// holds it in folder: created through a handle of the temporary folder as a new folder (never one
// that was there) and kept open without delete sharing, so that nobody can rename it aside and put
// another in its place while folder holds it. What is put inside goes through that handle. The
// folder is listed where only this program's rights write (elevated, HKEY_LOCAL_MACHINE) until it
// is removed. False, with the error in GetLastError, when none could be created.
bool AfxCreatePrivateFolder(CString& strFolder, CFolderHandle& folder);

// True when strFolder (no trailing backslash) has the form of a folder that AfxCreatePrivateFolder
// makes: a name of its kind directly in the temporary folder. Says nothing of who made it.
bool AfxIsPrivateFolder(const CString& strFolder);

// Deletes the folder and everything in it, through handles relative to the folder's, never
// following a link. What cannot be deleted now (a running program, a file held open) is marked
// for deletion at the next restart, with the folder itself, where this program may arrange that
// (AfxArrangeAtRestart); otherwise it stays listed, for the clean-up of a later run.
void AfxRemovePrivateFolder(const CString& strFolder);
// The same for the folder held as folder: emptied through that handle, which is then let go.
void AfxRemovePrivateFolder(const CString& strFolder, CFolderHandle& folder);

// Removes the private folders that a run of this program's rights made and listed (never one that
// merely has the name form), that hold nothing but files named strOnlyFile, that nobody holds and
// that still have the private access list: what a program of that name left when it was ended
// before it could remove its own folder, or could not leave its removal to the restart.
void AfxRemoveLeftPrivateFolders(const CString& strOnlyFile);

// A file written into a held folder and then held: from its creation until Release nobody else
// can write, rename or delete it, and what is held is what was written. Others may read it (the
// system starting a program from it, the program reading it).
//
// A file cannot be started while a handle with write access is open on it, so the writing handle
// is swapped for a reading one that shares reading alone. Between the two, whoever may open the
// file could change it: the file held is checked to be the one created (the same file of the same
// volume) and to hold exactly the bytes written (their SHA-256), or Hold fails.
class CHeldFile {
public:
    CHeldFile() = default;
    CHeldFile(const CHeldFile&) = delete;
    CHeldFile& operator=(const CHeldFile&) = delete;
    ~CHeldFile();

    // Creates strName (one component) in folder, which must not hold that name yet; what is created
    // inherits the folder's access list. False with GetLastError.
    bool Create(const CFolderHandle& folder, const CString& strName);
    // Appends nCount bytes. False with GetLastError (ERROR_DISK_FULL for a short write).
    bool Write(const void* pData, DWORD nCount);
    // Ends the writing and holds the file as described above. False with GetLastError
    // (ERROR_FILE_INVALID when the file held is not the one written, or has changed).
    bool Hold();
    // Lets the file go.
    void Release();

    bool IsHeld() const { return m_bHeld; }
    HANDLE Get() const { return m_h.Get(); }

private:
    const CFolderHandle* m_pFolder = nullptr;
    CString m_strName;
    CHandle m_h;
    ULONG_PTR m_hash = 0;  // the running SHA-256 of what was written
    ULONG_PTR m_provider = 0;
    bool m_bHeld = false;
};

#endif
