// The table from a file error to the run's message (see InstallStop.h).
#include "InstallStop.h"

#include "AfxPath.h"

namespace {

// The text of each cause that has one; null for the cause the reader raises after its own message.
const char* CauseText(int cause)
{
    switch (cause) {
    case CFileException::fileNotFound: return "unable to open '%s'";
    case CFileException::tooManyOpenFiles: return "too many open files";
    case CFileException::accessDenied: return "access denied on '%s'";
    case CFileException::directoryFull: return "directory full";
    case CFileException::badSeek: return "bad seek operation on '%s'";
    case CFileException::hardIO: return "hard I/O error on '%s'";
    case CFileException::sharingViolation: return "sharing violation on '%s'";
    case CFileException::lockViolation: return "lock violation on '%s'";
    case CFileException::diskFull: return "disk full";
    case CFileException::endOfFile: return "unexpected end of file";
    default: return nullptr;  // generic: the reader has shown its own message
    }
}

// An error code of the system that has no cause of its own arrives as generic, the cause the
// reader gives after its own message. The reader sets that cause without touching the error code,
// which then still holds none or the code of a retried missing volume: only a record whose code
// itself maps to generic comes from the file layer, untold.
bool IsUntoldSystemError(const CFileException& e)
{
    return e.m_cause == CFileException::generic && e.m_lOsError != -1 &&
           CFileException::OsErrorToException(e.m_lOsError) == CFileException::generic;
}

// After the payload the name is cut at the last separator of any kind the file name may hold.
CString RegistryStepName(const CString& strFileName)
{
    if (strFileName.IsEmpty()) return "<UNKNOWN FILE>";
    int cut = -1;
    for (int i = 0; i < strFileName.GetLength(); ++i)
        if (strFileName[i] == '\\' || strFileName[i] == '/' || strFileName[i] == ':') cut = i;
    return strFileName.Mid(cut + 1);
}

CString NameOf(const CFileException& e, RunFile file, const CString& strImageName)
{
    switch (file) {
    case RunFile::image:
    case RunFile::refusedImage: return strImageName;
    case RunFile::log:
    case RunFile::record:
    case RunFile::output: return AfxNameOf(e.m_strFileName);
    case RunFile::registryStep: return RegistryStepName(e.m_strFileName);
    case RunFile::unknown: break;
    }
    return "<UNKNOWN FILE>";
}

// Where the cause has no text: a refused open of the log, the record or an output file (a path
// whose folder is missing, say) has told the user nothing yet, and gets the open message, so that
// no run ends without a word. So does a first volume refused for a cause without text, unless the
// user has just cancelled the retry prompt for a path not found.
const char* UntoldFormat(const CFileException& e, RunFile file)
{
    const char* kOpen = "unable to open '%s'";
    switch (file) {
    case RunFile::log:
    case RunFile::record:
    case RunFile::output: return kOpen;
    case RunFile::image:
    case RunFile::refusedImage:
        if (e.m_cause != CFileException::generic && e.m_cause != CFileException::badPath) return kOpen;
        if (file == RunFile::refusedImage && IsUntoldSystemError(e)) return kOpen;
        return nullptr;
    case RunFile::unknown:
    case RunFile::registryStep: break;
    }
    return nullptr;
}

}  // namespace

CString FileErrorMessage(const CFileException& e, RunFile file, const CString& strImageName)
{
    const char* format = CauseText(e.m_cause);
    if (!format) format = UntoldFormat(e, file);
    if (!format) return file == RunFile::registryStep ? CString("FATAL: unable to complete the registry step") : CString();
    CString text;
    text.Format(format, NameOf(e, file, strImageName).GetString());
    return "FATAL: " + text;
}
