// The installation without any window (Setup.exe /S): the same steps as the interactive flow, with
// the target taken from the command line or Setup.ini, every message box answered by the log, and
// the outcome told by the exit code.
#include "SetupApp.h"

#include "AfxText.h"
#include "InstallWorker.h"
#include "MediumFiles.h"
#include "SilentLog.h"

namespace {

// Whatever the text is routed through while it lives, and the previous handler back afterwards.
class CMessageBoxRoute {
public:
    explicit CMessageBoxRoute(AfxMessageBoxHandler handler) : m_old(AfxSetMessageBoxHandler(std::move(handler))) {}
    ~CMessageBoxRoute() { AfxSetMessageBoxHandler(std::move(m_old)); }
    CMessageBoxRoute(const CMessageBoxRoute&) = delete;
    CMessageBoxRoute& operator=(const CMessageBoxRoute&) = delete;

private:
    AfxMessageBoxHandler m_old;
};

}  // namespace

int CSetupApp::RunSilent(const SetupOptions& options)
{
    // No box from the system either: a program fault or a file that cannot be opened ends the run
    // without asking anybody (critical errors are already off).
    SetErrorMode(SetErrorMode(0) | SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    const BOOL bConfigRead = ReadSetupIni();
    CSilentLog log;
    if (!options.strLogFile.IsEmpty()) {
        // Created before anything else is told, but never over a file of the medium: /LOG=Setup.ini
        // would otherwise destroy the very file the installation reads.
        CMediumFiles medium(bConfigRead ? m_config.m_strDiskImage : CString());
        CFileException error;
        if (medium.Holds(options.strLogFile, nullptr) || !log.Open(options.strLogFile, &error))
            return kExitRefused;
    }
    CMessageBoxRoute route(log.Handler());

    if (!options.strError.IsEmpty()) {
        AfxMessageBox(options.strError, MB_ICONHAND);
        return kExitRefused;
    }
    if (!bConfigRead) {
        // The interactive installer ends silently here; a script needs to know why nothing happened.
        bool present = GetFileAttributesA(kSetupIniName) != INVALID_FILE_ATTRIBUTES;
        AfxMessageBox(present ? "FATAL: the file 'Setup.ini' is damaged or incomplete" : "FATAL: unable to open 'Setup.ini'",
                      MB_ICONHAND);
        return kExitRefused;
    }
    // For whom; an installation for everyone started without administrator rights is this program
    // started again with them, which writes the log from then on.
    int nScopeEnd = ChooseScope(options, false, [&log] { log.Close(); });
    if (nScopeEnd >= 0) return nScopeEnd;
    if (options.bHasTarget)
        m_config.m_strInstallDir = options.strTarget;
    else
        ProposeEarlierLocation();
    // Nobody to ask: only the administrator's /DOWNGRADE lets an older version replace a newer
    // one. Decided before the checks, which may create the target.
    CString installed;
    if (FindNewerInstalled(installed)) {
        if (!options.bAllowDowngrade) {
            CString text;
            text.Format("Version %s of %s is installed; this installation holds the older version %s. Nothing was "
                        "installed (/DOWNGRADE allows it).",
                        installed.GetString(), m_config.m_strProductName.GetString(), m_strMediumVersion.GetString());
            AfxMessageBox(text, MB_ICONHAND);
            return kExitRefused;
        }
        // Nobody is asked: the log says what the switch does, and the run goes on.
        AfxMessageBox(AfxTextFormat("downgrade.silent", installed.GetString(), m_config.m_strProductName.GetString(),
                                    m_strMediumVersion.GetString()),
                      MB_ICONINFORMATION);
    }
    // The checks of a chosen directory; the log answers their question with OK, so a missing
    // target is created with its parents.
    if (!CheckFreeSpace() || !CheckNotInstalledElsewhere() || !CheckTargetDirectory()) return kExitRefused;

    // No dialog to resume it or to notify: the worker runs on this thread, to its end.
    InstallFlag written{0}, restart{0};
    InstallJob job = MakeInstallJob(&written, &restart);
    job.note = [&log](const CString& strText) { log.WriteLine(strText); };
    job.bSilent = true;
    RunInstallJob(job);
    return FinishedRun(job);
}
