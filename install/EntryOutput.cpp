// The file of one payload entry in the target (see EntryOutput.h).
#include "EntryOutput.h"

#include "AfxElevation.h"
#include "AfxInUse.h"
#include "AfxNoLinks.h"
#include "AfxRestartGate.h"
#include "AfxSecurity.h"
#include "AfxText.h"
#include "CarriedParts.h"
#include "EntryName.h"
#include "InUseBox.h"
#include "RemovalReport.h"
#include "InstallLog.h"
#include "InstallRecordFormat.h"
#include "MediumFiles.h"
#include "TargetFolder.h"

#include <cstring>
#include <string>

namespace {

// modeCreate | modeWrite | shareExclusive | typeBinary: create or empty, write only, no sharing.
// Files are opened relative to their held folder: never through a link.
const UINT kCreateMode = 36881;

}  // namespace

CEntryOutput::CEntryOutput(Setup setup)
    : m_setup(std::move(setup)), m_strPrefix(m_setup.strInstallDir + "\\"), m_bAtSignIn(!AfxIsElevated())
{
    m_file->SetCreateSecurity(m_setup.pSecurity);
}

// The target may be the medium's own folder: its files stay as they are (a volume still to come
// included), and the registry script applied at the end is the medium's.
void CEntryOutput::CheckNotMedium(const CString& strPath, const char* pszEntry, bool bNew) const
{
    CString strMediumFile;
    const CMediumFiles& medium = *m_setup.pMedium;
    if (!(bNew ? medium.HoldsNew(strPath, &strMediumFile) : medium.Holds(strPath, &strMediumFile))) return;
    // Both names quoted as the bad-name message quotes one: the entry's may hold any byte but the
    // control characters, and the medium's is whatever the file system holds.
    std::string entry = EscapeControls(pszEntry, false);
    std::string file = EscapeControls(strMediumFile.GetString(), false);
    throw InstallStop::Failure(AfxTextFormat("install.replaces_medium", entry.c_str(), file.c_str()));
}

// Nothing goes through a link.
void CEntryOutput::ThrowLink(const char* pszEntry) const
{
    std::string entry = EscapeControls(pszEntry, false);
    throw InstallStop::Failure(AfxTextFormat("install.entry_link", entry.c_str(), m_setup.strInstallDir.GetString()));
}

void CEntryOutput::ThrowOutputError(DWORD err, const CString& strPath)
{
    m_error.m_cause = CFileException::OsErrorToException(LONG(err));
    m_error.m_lOsError = LONG(err);
    m_error.m_strFileName = strPath;
    throw FileErrorStop(m_error, RunFile::output);
}

void CEntryOutput::Open(const char* pszEntry, CListedLog& log)
{
    m_strEntry = pszEntry;
    const CString strPath = m_strPrefix + pszEntry;
    CheckNotMedium(strPath, pszEntry, true);
    CString leaf;
    DWORD err = NO_ERROR;
    const CFolderHandle* folder = m_setup.pTarget->FolderOf(pszEntry, &leaf, &err);
    if (!folder) {
        if (err == kErrorLinkOnPath) ThrowLink(pszEntry);
        ThrowOutputError(err, strPath);
    }
    m_bReplaceLater = false;
    bool bOpened = m_file->OpenIn(*folder, leaf, kCreateMode | CFile::osNewOnly, &m_error, strPath);
    if (!bOpened && m_error.m_lOsError == LONG(ERROR_FILE_EXISTS)) {
        CheckNotMedium(strPath, pszEntry, false);
        bOpened = m_file->OpenIn(*folder, leaf, kCreateMode, &m_error, strPath);
        if (!bOpened && AfxIsInUseError(DWORD(m_error.m_lOsError))) bOpened = OpenInUse(*folder, leaf, strPath, log);
    }
    if (bOpened) return;
    if (m_error.m_lOsError == LONG(kErrorLinkOnPath)) ThrowLink(pszEntry);
    // A file of another name elsewhere too is replaced by a new one under this name; only one that
    // cannot be ends the run here.
    if (m_error.m_lOsError == LONG(kErrorHardLinked)) {
        std::string entry = EscapeControls(pszEntry, false);
        throw InstallStop::Failure(
            AfxTextFormat("install.entry_hard_link", entry.c_str(), m_setup.strInstallDir.GetString()));
    }
    throw FileErrorStop(m_error, RunFile::output);
}

// A file that a running program holds. Asked about (Try Again once the program has ended, have it
// replaced later, Cancel); with nobody to ask it is replaced later. Returns true with the file
// open, false with m_error telling why not.
bool CEntryOutput::OpenInUse(const CFolderHandle& folder, const CString& strLeaf, const CString& strPath,
                             CListedLog& log)
{
    for (;;) {
        InUseAnswer answer = InUseAnswer::later;
        if (m_setup.pQuestion)
            answer = m_setup.pQuestion->Ask(strPath, m_bAtSignIn ? InUseLater::atSignIn : InUseLater::atRestart);
        if (answer == InUseAnswer::later) break;
        // The user stops here, having been told about the file: nothing more to say.
        if (answer != InUseAnswer::tryAgain) throw InstallStop();
        if (m_file->OpenIn(folder, strLeaf, kCreateMode, &m_error, strPath)) return true;
        if (!AfxIsInUseError(DWORD(m_error.m_lOsError))) return false;
    }
    // Written beside it under a name of its own; the system puts it in place later. A name that
    // would not fit the log's rules is not offered that way, nor, elevated, a file whose folders
    // users could change: the restart renames by name (m_error still says the file is in use).
    if (size_t(m_strEntry.GetLength()) + sizeof kReplacementSuffix > kEntryNameBufferSize) return false;
    if (!m_bAtSignIn && !AfxMayLeaveToRestart(strPath)) return false;
    m_strReplacement = m_strEntry + kReplacementSuffix;
    CString leaf = strLeaf + kReplacementSuffix;
    CString path = strPath + kReplacementSuffix;
    InstallLogWriter(log).File(m_strReplacement.Str());
    if (!m_file->OpenIn(folder, leaf, kCreateMode, &m_error, path)) return false;
    m_bReplaceLater = true;
    return true;
}

void CEntryOutput::Close()
{
    m_file->Close();
    if (m_bReplaceLater) ReplaceLater();
}

// After the replacement of a file in use is written (listed, so that an uninstallation before the
// restart removes it too): handed to the system.
void CEntryOutput::ReplaceLater()
{
    m_bReplaceLater = false;
    CString from = m_strPrefix + m_strReplacement, to = m_strPrefix + m_strEntry;
    if (!(m_bAtSignIn ? ArrangeFinish() : AfxArrangeAtRestart(from, to))) ThrowOutputError(GetLastError(), to);
    if (m_setup.pRestart) SetInstallFlag(m_setup.pRestart, 1);
    CString text;
    text.Format("'%s' is %s: it is replaced when %s.", to.GetString(), InUseByText(CString()).GetString(),
                InUseLaterText(m_bAtSignIn ? InUseLater::atSignIn : InUseLater::atRestart));
    if (m_setup.note) m_setup.note(text);
}

// Without the administrators' rights the restart can be told nothing: the installed uninstaller
// puts the replacements in place when the user next signs in, once for the run.
bool CEntryOutput::ArrangeFinish()
{
    if (m_bFinishArranged) return true;
    m_bFinishArranged =
        AfxArrangeAtSignIn(m_setup.strProduct + kFinishCommandSuffix, m_strPrefix + kUninstallerName, kFinishSwitch);
    return m_bFinishArranged;
}

void CEntryOutput::CloseAbandoned()
{
    if (!m_file || !m_file->IsOpen()) return;
    try {
        m_file->Close();
    } catch (CFileException* e) {
        e->Delete();  // the handle is closed all the same; the run's own error is the one told
    }
}
