// The table from a file error to the run's message (see InstallStop.h).
#include "InstallStop.h"

#include "AfxPath.h"
#include "AfxText.h"

namespace {

// The key of the text of each cause that has one (each text names the file with %s or not at all); null for the cause the reader raises after its own message.
const char* CauseText(int cause)
{
    switch (cause) {
    case CFileException::fileNotFound: return "file.not_found";
    case CFileException::tooManyOpenFiles: return "file.too_many_open";
    case CFileException::accessDenied: return "file.access_denied";
    case CFileException::directoryFull: return "file.directory_full";
    case CFileException::badSeek: return "file.bad_seek";
    case CFileException::hardIO: return "file.hard_io";
    case CFileException::sharingViolation: return "file.sharing_violation";
    case CFileException::lockViolation: return "file.lock_violation";
    case CFileException::diskFull: return "file.disk_full";
    case CFileException::endOfFile: return "file.end_of_file";
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
    if (strFileName.IsEmpty()) return AfxText("file.unknown_name");
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
    return AfxText("file.unknown_name");
}

// Where the cause has no text: a refused open of the log, the record or an output file (a path
// whose folder is missing, say) has told the user nothing yet, and gets the open message, so that
// no run ends without a word. So does a first volume refused for a cause without text, unless the
// user has just cancelled the retry prompt for a path not found.
const char* UntoldFormat(const CFileException& e, RunFile file)
{
    const char* kOpen = "file.not_found";
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
    if (!format) return file == RunFile::registryStep ? CString(AfxText("file.registry_step")) : CString();
    return AfxTextFormat(format, NameOf(e, file, strImageName).GetString());
}
