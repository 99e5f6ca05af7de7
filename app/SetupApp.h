// CSetupApp: the application object. It reads Setup.ini and runs the whole installation from
// InitInstance on the user-interface thread, then ends the program.
#pragma once

#include "AfxWinApp.h"
#include "SetupConfig.h"
#include "InstallFlags.h"
#include "SetupOptions.h"

#include <functional>

class CBackdropWnd;

// Free megabytes from the counts that the drive reports: (free clusters x sectors per cluster) /
// (1,048,576 / bytes per sector), in 64 bits so that large drives do not wrap. Returns -1 when the
// counts cannot describe a drive (no bytes per sector, or a sector larger than a megabyte).
long long FreeMegabytes(DWORD sectorsPerCluster, DWORD bytesPerSector, DWORD freeClusters);

// The drive query of the free-space check: the counts of GetDiskFreeSpaceA for a drive root;
// FALSE when the drive cannot be asked.
using DiskFreeSpaceQuery =
    std::function<BOOL(const char* pszRoot, DWORD* pSectorsPerCluster, DWORD* pBytesPerSector, DWORD* pFreeClusters)>;

// The exit codes of a silent installation. The interactive installer always ends with 0.
enum SetupExitCode {
    kExitInstalled = 0,
    kExitNothingInstalled = 1,  // the target is as it was (bar folders made for it)
    kExitPartlyInstalled = 2,   // failed after writing: Install.log lists what is there
};

// True when strPath, read from an earlier installation's entry in the list of installed programs,
// may be proposed as the target: a full path on a drive ("C:\..."), shorter than MAX_PATH, with no
// character that no Windows path may hold, no empty component and no "." or ".." component.
bool IsProposableLocation(const CString& strPath);

class CWinThread;
class CProgressDlg;
struct InstallJob;

class CSetupApp : public CWinApp {
public:
    CSetupApp() : CWinApp(nullptr) {}
    ~CSetupApp() override;

    BOOL InitInstance() override;
    // The program's exit code: that of a silent installation, else 0.
    int ExitInstance() override { return m_nExitCode; }

    // Reads Setup.ini from the current directory into m_config. Returns TRUE when the text starts
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
    // TRUE when m_strInstallDir is an existing directory, or was missing and has been created with
    // the user's consent.
    BOOL CheckTargetDirectory();
    // Creates the directory strPath, its missing parents first. Nonzero when strPath was created;
    // zero when it already existed or a level could not be made.
    BOOL CreateDirectoryTree(const CString& strPath);

    // When the product is already installed (its entry in the list of installed programs names an
    // InstallLocation that IsProposableLocation accepts), that folder replaces DefaultDir in
    // m_config, so that a second installation goes where the first one is.
    void ProposeEarlierLocation();
    // The welcome dialog and the checks, until both checks pass (TRUE) or the user leaves (FALSE).
    BOOL ChooseTargetDirectory();
    // The installation job of this run, every field by name; pWritten as the worker's flag for
    // "Install.log exists" (null when no one asks).
    InstallJob MakeInstallJob(InstallFlag* pWritten) const;
    // Starts the worker behind the progress dialog and waits for the outcome.
    void RunInstallation(InstallJob& job);
    // The whole installation without a window, as the command line asks; returns the exit code.
    int RunSilent(const SetupOptions& options);

    SetupConfig m_config;
    CBackdropWnd* m_pBackdropWnd = nullptr;
    CWinThread* m_pWorkerThread = nullptr;
    CProgressDlg* m_pProgressDlg = nullptr;
    int m_nExitCode = kExitInstalled;
    // Asks the drive for its free space; empty: the system (GetDiskFreeSpaceA).
    DiskFreeSpaceQuery m_queryFreeSpace;
};
