// CSetupApp: the application object. It reads Setup.ini and runs the whole installation from
// InitInstance on the user-interface thread, then ends the program.
#pragma once

#include "AfxExitCodes.h"
#include "AfxWinApp.h"
#include "SetupConfig.h"
#include "SetupExtensions.h"
#include "InstallFlags.h"
#include "InstalledEntry.h"
#include "SetupOptions.h"

#include <functional>
#include <vector>

class CBackdropWnd;

// Free megabytes from the counts that the drive reports: (free clusters x sectors per cluster) /
// (1,048,576 / bytes per sector), in 64 bits so that large drives do not wrap. Returns -1 when the
// counts cannot describe a drive (no bytes per sector, or a sector larger than a megabyte).
long long FreeMegabytes(DWORD sectorsPerCluster, DWORD bytesPerSector, DWORD freeClusters);

// The drive query of the free-space check: the counts of GetDiskFreeSpaceA for a drive root;
// FALSE when the drive cannot be asked.
using DiskFreeSpaceQuery =
    std::function<BOOL(const char* pszRoot, DWORD* pSectorsPerCluster, DWORD* pBytesPerSector, DWORD* pFreeClusters)>;

class CWinThread;
class CProgressDlg;
struct InstallJob;

class CSetupApp : public CWinApp {
public:
    CSetupApp() : CWinApp(nullptr) {}
    ~CSetupApp() override;

    BOOL InitInstance() override;
    // The program's exit code (AfxExitCodes.h), windowed or silent: kExitDone, kExitRestartNeeded
    // when a file in use is replaced only at the next restart, kExitFailed when the run stopped
    // after the worker wrote into the target, kExitRefused for anything that ended before that.
    int ExitInstance() override { return m_nExitCode; }

    // Reads Setup.ini from the current directory into m_config, and its extension lines (the
    // medium's version, scope, code page ...) into m_extensions. Returns TRUE when the text starts
    // with the marker and its section held four key lines with a usable FreeSpace value. Silent:
    // it shows no message for any failure.
    BOOL ReadSetupIni();

    // The reading itself, on a decoded zero-terminated text (ParseSetupText into m_config).
    BOOL ParseSetupText(char* pszText, SetupIniProblem* pProblem = nullptr);

    // One key line's value (the configuration's ReadKeyValue).
    BOOL ReadKeyValue(char* pszLine, const char* pszKey, CString& strValue);

    // The checks on the target directory that the user confirmed, in this order. Each returns TRUE
    // to go on; on FALSE it has already told the user why.
    // TRUE when the drive of m_strInstallDir has more free megabytes than m_nFreeSpaceMB.
    BOOL CheckFreeSpace();
    // TRUE unless the product is installed in another folder than m_strInstallDir and its record
    // is still there: the product lives in one folder at a time.
    BOOL CheckNotInstalledElsewhere();
    // TRUE when m_strInstallDir is an existing directory, or was missing and has been created with
    // the user's consent.
    BOOL CheckTargetDirectory();
    // Creates the directory strPath, its missing parents first. Nonzero when strPath was created;
    // zero when it already existed or a level could not be made. Each folder made is added to
    // m_madeFolders, a level made before a later one failed included.
    BOOL CreateDirectoryTree(const CString& strPath);

    // Whom this run installs for (CScopeChoice, which asks when bAsk) into m_bForOneUser, and an
    // installation for one user's target in that user's own folder for programs. Returns -1 to go
    // on; otherwise the run's exit code, having told why it ends here, or that of this program
    // started again with the rights the choice needs (beforeAgain, when given, is called first).
    int ChooseScope(const SetupOptions& options, bool bAsk, const std::function<void()>& beforeAgain = nullptr);
    // The product's entry in the list of installed programs, in the scope of this run.
    CInstalledEntry InstalledEntry() const { return CInstalledEntry(m_config.m_strProductName, m_bForOneUser); }
    // When the product is already installed in a folder that may be proposed, that folder replaces
    // DefaultDir in m_config, so that a second installation goes where the first one is.
    void ProposeEarlierLocation();
    // The welcome dialog and the checks, until both checks pass (TRUE) or the user leaves (FALSE).
    // Before the first check, once a run, the user confirms a downgrade (No leaves: FALSE).
    BOOL ChooseTargetDirectory();
    // The installation job of this run, every field by name; pWritten and pRestart as the worker's
    // flags for "Install.log exists" and "a restart finishes the run" (null when no one asks).
    InstallJob MakeInstallJob(InstallFlag* pWritten, InstallFlag* pRestart = nullptr) const;
    // Starts the worker behind the progress dialog, waits for the outcome and returns the exit code.
    int RunInstallation(InstallJob& job);

    SetupConfig m_config;
    CBackdropWnd* m_pBackdropWnd = nullptr;
    CWinThread* m_pWorkerThread = nullptr;
    CProgressDlg* m_pProgressDlg = nullptr;
    // Setup.ini's decoded text as ReadSetupIni read it, and its extension lines as read there once
    // (empty when they do not read): the worker's registry step, registration and shortcuts take
    // them from here.
    std::string m_strSetupText;
    SetupExtensions m_extensions;
    // The registry script's first key line that an installation for one user does not write (its
    // line of Setup.ini; 0: none).
    int m_nMachineWideLine = 0;
    // This run installs for the user who runs it, not for everyone (ChooseScope).
    bool m_bForOneUser = false;
    // The folders that this run made on the way to its target (CreateDirectoryTree), outermost
    // first: the record names those above the target, for the uninstaller to remove when empty.
    std::vector<CString> m_madeFolders;
    // Until a run says otherwise, nothing was done: a run that ends early is refused.
    int m_nExitCode = kExitRefused;
    // Asks the drive for its free space; empty: the system (GetDiskFreeSpaceA).
    DiskFreeSpaceQuery m_queryFreeSpace;
};
