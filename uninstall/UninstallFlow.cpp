// The uninstaller's flow (UninstallApp.h): the options, the log, the target held, the rights that
// the installation's scope asks for, the record believed, then the hand-over to a copy or the work
// here.
#include "UninstallApp.h"

#include "AfxMessageBox.h"
#include "AfxPath.h"
#include "AfxText.h"
#include "InstallRecordFormat.h"
#include "RemovalRun.h"
#include "RestartPolicy.h"
#include "SignInFinish.h"

BOOL CUninstallApp::InitInstance()
{
    // The uninstaller's windows are plain dialogs: it needs nothing of the common controls.
    m_nExitCode = Main();
    // The framework ends the program with ExitInstance's code, without a message loop.
    return FALSE;
}

int CUninstallApp::Main()
{
    bool known = ParseUninstallOptions(m_lpCmdLine, m_options);
    m_voice.SpeakLanguage();
    // Made first, so that a run that can keep no log removes nothing.
    if (!m_voice.OpenLog())
        return m_voice.Refuse(RunEnd::logUnwritable,
                              AfxTextFormat("uninstall.log_not_made", m_options.strLogFile.GetString()));
    if (!known || m_options.bHelp) {
        m_voice.Tell(UninstallUsage(), m_options.bHelp ? MB_ICONINFORMATION : MB_ICONHAND);
        return RunEndExitCode(RunEnd::commandLineRefused);
    }
    if (m_options.bHandover && !AcceptHandover()) return RunEndExitCode(RunEnd::handoverRefused);
    CString program = m_options.bHandover ? m_options.strProgram : AfxGetProgramPath();
    m_strTarget = AfxFolderOf(program);
    m_strProgramName = AfxNameOf(program);
    // Opened once and held to the end: the folder checked here is the one everything is removed
    // from, and while it is held nobody can rename it and put a link in its place.
    if (!m_target.Open(m_strTarget) && GetLastError() == kErrorLinkOnPath) {
        m_voice.SetProduct(AfxNameOf(m_strTarget));
        return m_voice.Refuse(RunEnd::targetIsLink, AfxTextFormat("uninstall.target_link", m_strTarget.GetString()));
    }
    // The finishing run at a sign-in works quietly.
    if (m_options.bFinish) m_options.bSilent = true;
    // An installation for one user is removed with that user's rights alone: what vouches for it,
    // the user's everyday programs can write. Elevated, this program starts itself again without
    // the administrators' rights where the user's own entry names this folder and none of the
    // machine's does; looking is all it does with that entry.
    AfxRights rights = AfxGetRights();
    if (!m_options.bHandover && rights == AfxRights::elevated && FolderNamedUnder(kRootCurrentUser) &&
        !FolderNamedUnder(kRootLocalMachine))
        return AgainAsUser();
    CBelievedRecord record(m_target, m_strTarget, m_voice);
    if (!record.Read()) return RunEndExitCode(RunEnd::recordNotBelieved);
    m_voice.SpeakRecordedLanguage(record.RecordedLanguage());
    // An installation for everyone is removed with the administrators' rights: an uninstaller that
    // runs as its invoker (that of a product that may be installed either way) starts itself again
    // with them.
    if (record.EntryRoot() == kRootLocalMachine && !m_options.bHandover &&
        (rights == AfxRights::limited || rights == AfxRights::noWay))
        return AgainElevated(rights);
    AllowRestartBelow(m_target, m_strTarget);
    if (m_options.bFinish)
        return FinishReplacements(record.Record(), m_target, m_strTarget, m_strProgramName, m_voice.Product(),
                                  m_voice.Log());
    if (m_options.bHandover && !record.ListsUninstaller(m_options.strProgram))
        return m_voice.Refuse(RunEnd::handoverRefused, AfxTextFormat("uninstall.not_listed", program.GetString(),
                                                                     kInstallLogName, m_strTarget.GetString()));
    return m_options.bHandover ? Work(record, &m_handover) : FirstProcess(record);
}

// The copy works only for the program that started it: the handles must be the inherited ones,
// and the program it names must be that installation's uninstaller (CBelievedRecord::ListsUninstaller).
bool CUninstallApp::AcceptHandover()
{
    m_options.strProgram = AfxNormalisedPath(m_options.strProgram);
    if (!m_options.strProgram.IsEmpty() && TakeHandoverHandles(m_options.strHandles, m_handover)) return true;
    m_voice.Tell(AfxText("uninstall.finish_not_ours"), MB_ICONHAND);
    return false;
}

int CUninstallApp::FirstProcess(CBelievedRecord& record)
{
    CString question = AfxTextFormat("uninstall.question", m_voice.Product().GetString(), m_strTarget.GetString());
    if (m_voice.Tell(question, MB_YESNO | MB_ICONQUESTION) != IDYES) return RunEndExitCode(RunEnd::userLeft);
    // A copy accepts only the uninstaller that the log lists; under another name this program
    // does the work itself, and its file goes at the next restart.
    if (!record.ListsUninstaller(AfxNormalisedPath(AfxGetProgramPath()))) return Work(record, nullptr);
    CString options = OptionsPassedOn(m_options);
    // The copy writes the log from here on.
    m_voice.CloseLog();
    int verdict = RunHandoverCopy(options, m_strTarget + "\\" + m_strProgramName);
    if (verdict >= 0) return verdict;
    // No copy could run: the work is done here, and this program's file goes at the next restart.
    if (!m_voice.OpenLog()) return RunEndExitCode(RunEnd::logUnwritable);
    return Work(record, nullptr);
}

int CUninstallApp::Work(CBelievedRecord& record, HandoverArgs* pHandover)
{
    return CRemovalRun(record, m_target, m_strTarget, m_strProgramName, m_voice).Run(pHandover);
}
