#include "MediumFiles.h"

#include "AfxHandle.h"
#include "AfxNameCase.h"
#include "AfxPath.h"
#include "ArchiveFormat.h"

namespace {

std::string FullPath(const std::string& path)
{
    CString full = AfxCallForText([&](char* p, DWORD n) { return GetFullPathNameA(path.c_str(), n, p, nullptr); });
    return full.IsEmpty() ? path : std::string(full);
}

std::string FullLongPath(const std::string& path)
{
    std::string full = FullPath(path);
    // Short (8.3) components of an existing path become the long names they stand for.
    CString longer = AfxCallForText([&](char* p, DWORD n) { return GetLongPathNameA(full.c_str(), p, n); });
    return longer.IsEmpty() ? full : std::string(longer);
}

std::string Folded(const std::string& s) { return AfxFoldedPath(s); }

std::string LastComponent(const std::string& path)
{
    size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace

CMediumFiles::File CMediumFiles::Describe(const std::string& path, bool bMayExist)
{
    File f;
    // A path that does not exist yet can be no file of the medium but a volume still to come, which
    // only its full name can tell. The long-name and identity look-ups are left out for it: this
    // runs for every entry of the payload, and on a fresh target no entry exists yet.
    bool exists = bMayExist && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
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
    CString self = AfxGetProgramPath();
    if (!self.IsEmpty()) m_files.push_back(Describe(self.Str()));
    m_files.push_back(Describe("Setup.ini"));
    File image = Describe(strDiskImage.Str());
    m_strFirstVolume = image.strFolded;
    m_files.push_back(image);
}

bool CMediumFiles::Holds(const CString& strPath, CString* pName) const { return Matches(Describe(strPath.Str()), pName); }

bool CMediumFiles::HoldsNew(const CString& strPath, CString* pName) const
{
    return Matches(Describe(strPath.Str(), false), pName);
}

bool CMediumFiles::Matches(const File& target, CString* pName) const
{
    for (const File& f : m_files) {
        bool same = target.strFolded == f.strFolded ||
                    (target.bHasId && f.bHasId && target.nVolume == f.nVolume && target.nIndexHigh == f.nIndexHigh &&
                     target.nIndexLow == f.nIndexLow);
        if (same) {
            if (pName) *pName = f.strName.c_str();
            return true;
        }
    }
    // A volume still to come: a name the reader forms on its way from the first volume.
    if (!zrv::IsLaterVolumeName(m_strFirstVolume, target.strFolded)) return false;
    if (pName) *pName = target.strName.c_str();
    return true;
}
