// The installation without any window (see SilentSetup.h).
#include "SilentSetup.h"

#include "AfxText.h"
#include "InstalledEntry.h"
#include "InstallWorker.h"
#include "MediumFiles.h"
#include "RunOutcome.h"
#include "SetupApp.h"

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

int CSilentSetup::Run()
{
    // No box from the system either: a program fault or a file that cannot be opened ends the run
    // without asking anybody (critical errors are already off).
    SetErrorMode(SetErrorMode(0) | SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    const bool bConfigRead = m_app.ReadSetupIni() != FALSE;
    if (!OpenLog(bConfigRead)) return RunEndExitCode(RunEnd::logUnwritable);
    CMessageBoxRoute route(m_log.Handler());
    const int nEnd = Prepare(bConfigRead);
    if (nEnd >= 0) return nEnd;

    // No dialog to resume it or to notify: the worker runs on this thread, to its end.
    InstallFlag written{0}, restart{0};
    InstallJob job = m_app.MakeInstallJob(&written, &restart);
    job.note = [this](const CString& strText) { m_log.WriteLine(strText); };
    job.bSilent = true;
    RunInstallJob(job);
    return TellRunEnd(FinishedRunEnd(job));
}

bool CSilentSetup::OpenLog(bool bConfigRead)
{
    if (m_options.strLogFile.IsEmpty()) return true;
    // Created before anything else is told, but never over a file of the medium: /LOG=Setup.ini
    // would otherwise destroy the very file the installation reads.
    CMediumFiles medium(bConfigRead ? m_app.m_config.m_strDiskImage : CString());
    CFileException error;
    return !medium.Holds(m_options.strLogFile, nullptr) && m_log.Open(m_options.strLogFile, &error);
}

int CSilentSetup::Prepare(bool bConfigRead)
{
    if (!m_options.strError.IsEmpty()) return Refuse(RunEnd::commandLineRefused, m_options.strError);
    if (!bConfigRead) {
        // The windowed installer ends silently here; a script needs to know why nothing happened.
        bool present = GetFileAttributesA(kSetupIniName) != INVALID_FILE_ATTRIBUTES;
        return Refuse(RunEnd::setupIniUnusable, present ? "FATAL: the file 'Setup.ini' is damaged or incomplete"
                                                        : "FATAL: unable to open 'Setup.ini'");
    }
    // For whom; an installation for everyone started without administrator rights is this program
    // started again with them, which writes the log from then on.
    const int nScopeEnd = m_app.ChooseScope(m_options, false, [this] { m_log.Close(); });
    if (nScopeEnd >= 0) return nScopeEnd;
    SetupConfig& config = m_app.m_config;
    if (m_options.bHasTarget)
        config.m_strInstallDir = m_options.strTarget;
    else
        m_app.ProposeEarlierLocation();
    // Nobody to ask: only the administrator's /DOWNGRADE lets an older version replace a newer
    // one. Decided before the checks, which may create the target.
    const CString& medium = m_app.m_extensions.strDisplayVersion;
    CString installed;
    if (m_app.InstalledEntry().IsNewerThan(medium, installed)) {
        if (!m_options.bAllowDowngrade) {
            CString text;
            text.Format("Version %s of %s is installed; this installation holds the older version %s. Nothing was "
                        "installed (/DOWNGRADE allows it).",
                        installed.GetString(), config.m_strProductName.GetString(), medium.GetString());
            return Refuse(RunEnd::newerInstalled, text);
        }
        // Nobody is asked: the log says what the switch does, and the run goes on.
        AfxMessageBox(AfxTextFormat("downgrade.silent", installed.GetString(), config.m_strProductName.GetString(),
                                    medium.GetString()),
                      MB_ICONINFORMATION);
    }
    // The checks of a chosen directory; the log answers their question with OK, so a missing
    // target is created with its parents.
    if (!m_app.CheckFreeSpace() || !m_app.CheckNotInstalledElsewhere() || !m_app.CheckTargetDirectory())
        return Refuse(RunEnd::targetRefused);
    return -1;
}
