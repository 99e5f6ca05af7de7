#include "MediumFiles.h"

#include "AfxHandle.h"

namespace {

std::string FullPath(const std::string& path)
{
    char full[MAX_PATH * 2];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return n == 0 || n >= sizeof full ? path : std::string(full, n);
}

std::string FullLongPath(const std::string& path)
{
    std::string full = FullPath(path);
    // Short (8.3) components of an existing path become the long names they stand for.
    char longPath[MAX_PATH * 2];
    DWORD m = GetLongPathNameA(full.c_str(), longPath, sizeof longPath);
    return m != 0 && m < sizeof longPath ? std::string(longPath, m) : full;
}

std::string Folded(std::string s)
{
    if (!s.empty()) CharUpperBuffA(&s[0], DWORD(s.size()));
    return s;
}

std::string LastComponent(const std::string& path)
{
    size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool IsDigit(char ch) { return ch >= '0' && ch <= '9'; }

}  // namespace

CMediumFiles::File CMediumFiles::Describe(const std::string& path)
{
    File f;
    // A path that does not exist yet can be no file of the medium but a volume still to come, which
    // only its full name can tell. The long-name and identity look-ups are left out for it: this
    // runs for every entry of the payload, and on a fresh target no entry exists yet.
    bool exists = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    std::string full = exists ? FullLongPath(path) : FullPath(path);
    f.strFolded = Folded(full);
    f.strName = LastComponent(full);
    if (!exists) return f;
    // Opened for no access at all: nothing is locked, and a file held open elsewhere still answers.
    CHandle h(CreateFileA(full.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (h) {
        BY_HANDLE_FILE_INFORMATION info;
        if (GetFileInformationByHandle(h.Get(), &info)) {
            f.bHasId = true;
            f.nVolume = info.dwVolumeSerialNumber;
            f.nIndexHigh = info.nFileIndexHigh;
            f.nIndexLow = info.nFileIndexLow;
        }
    }
    return f;
}

CMediumFiles::CMediumFiles(const CString& strDiskImage)
{
    char self[MAX_PATH * 2];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    if (n != 0 && n < sizeof self) m_files.push_back(Describe(std::string(self, n)));
    m_files.push_back(Describe("Setup.ini"));
    File image = Describe(strDiskImage.Str());
    const std::string& folded = image.strFolded;
    size_t len = folded.size();
    if (len >= 3 && IsDigit(folded[len - 1]) && IsDigit(folded[len - 2]) && IsDigit(folded[len - 3]))
        m_strVolumeStem = folded.substr(0, len - 3);
    m_files.push_back(image);
}

bool CMediumFiles::Holds(const CString& strPath, CString* pName) const
{
    File target = Describe(strPath.Str());
    for (const File& f : m_files) {
        bool same = target.strFolded == f.strFolded ||
                    (target.bHasId && f.bHasId && target.nVolume == f.nVolume && target.nIndexHigh == f.nIndexHigh &&
                     target.nIndexLow == f.nIndexLow);
        if (same) {
            if (pName) *pName = f.strName.c_str();
            return true;
        }
    }
    // Any other volume number, three digits or more, beside the first volume: the reader may yet
    // open it.
    const std::string& t = target.strFolded;
    if (m_strVolumeStem.empty() || t.size() < m_strVolumeStem.size() + 3 || t.compare(0, m_strVolumeStem.size(), m_strVolumeStem) != 0)
        return false;
    for (size_t i = m_strVolumeStem.size(); i < t.size(); ++i)
        if (!IsDigit(t[i])) return false;
    if (pName) *pName = target.strName.c_str();
    return true;
}
