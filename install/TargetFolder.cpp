#include "TargetFolder.h"

#include "AfxSecurity.h"
#include "SameName.h"

namespace {

// What an elevated run needs on a folder that was there already, to give it the list.
const DWORD kProtectAccess = WRITE_DAC | WRITE_OWNER;

}  // namespace

std::string CTargetFolder::Key(const CString& strEntry) { return FoldedEntryPath(strEntry.Str()); }

DWORD CTargetFolder::Open(const CString& strPath, SECURITY_ATTRIBUTES* pSecurity)
{
    Close();
    m_pSecurity = pSecurity;
    if (!m_root.Open(strPath, m_pSecurity ? kProtectAccess : 0)) return GetLastError();
    return NO_ERROR;
}

CTargetFolder::Protection CTargetFolder::Protect()
{
    if (!m_pSecurity || !m_root.IsOpen()) return Protection::none;
    bool bWidened = !AfxOnlyTrustedCanWrite(m_root.Get());
    if (!AfxProtect(m_root.Get(), m_pSecurity)) return Protection::none;
    return bWidened ? Protection::widened : Protection::given;
}

bool CTargetFolder::ReadRecordFile(const CString& strName, RecordFileRead& file, bool* pChangeable)
{
    file = RecordFileRead();
    *pChangeable = false;
    CFile opened;
    if (!opened.OpenIn(m_root, strName, CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary, nullptr, strName))
        return false;
    // Whoever replaced the file would own it: its owner and its own list say who could write it.
    *pChangeable = !AfxOnlyTrustedCanWrite(opened.GetOsHandle());
    // The whole length: a file beyond 4 GB must not pass for a small one.
    LARGE_INTEGER length = {};
    if (!GetFileSizeEx(opened.GetOsHandle(), &length)) return false;
    file.nLength = static_cast<unsigned long long>(length.QuadPart);
    if (!RecordFileFits(file.nLength)) return true;
    try {
        file.strData = opened.ReadAll();
    } catch (CFileException* e) {
        e->Delete();
        file = RecordFileRead();
        return false;
    }
    return true;
}

DWORD CTargetFolder::MakeFolder(const CString& strEntry, bool* pExisted)
{
    CString leaf;
    DWORD err = NO_ERROR;
    const CFolderHandle* parent = FolderOf(strEntry, &leaf, &err);
    if (!parent) return err;
    CFolderHandle made;
    err = parent->CreateChild(leaf, m_pSecurity, made, pExisted, m_pSecurity ? kProtectAccess : 0);
    if (err != NO_ERROR) return err;
    // A folder that was there already becomes the installation's as much as a new one.
    if (*pExisted && m_pSecurity && !AfxProtect(made.Get(), m_pSecurity)) return GetLastError();
    m_folders[Key(strEntry)] = std::move(made);
    return NO_ERROR;
}

const CFolderHandle* CTargetFolder::FolderOf(const CString& strEntry, CString* pLeaf, DWORD* pError)
{
    int cut = strEntry.ReverseFind('\\');
    *pLeaf = strEntry.Mid(cut + 1);
    if (cut < 0) return &m_root;
    CString parent = strEntry.Left(cut);
    auto it = m_folders.find(Key(parent));
    if (it != m_folders.end()) return &it->second;
    // A folder of the payload that no entry of its own made: the one there, checked level by level.
    CFolderHandle opened;
    if (!opened.OpenChild(m_root, parent)) {
        *pError = GetLastError();
        return nullptr;
    }
    return &(m_folders[Key(parent)] = std::move(opened));
}

void CTargetFolder::Close()
{
    m_folders.clear();
    m_root.Close();
}
