// The installation medium's own files, which an installation must never replace: Setup.ini in the
// current directory (the registry script is read from it again at the end of the run), the running
// installer, and every volume of the disk image, present or still to come (disk.001, disk.002 ...
// beside the first volume). A payload entry that would replace one of them is refused.
#pragma once

#include "AfxString.h"

#include <string>
#include <vector>

class CMediumFiles {
public:
    // Notes the medium's files as they are now; strDiskImage is the first volume's path as the
    // installer opens it (relative to the current directory, or full).
    explicit CMediumFiles(const CString& strDiskImage);

    // True when strPath names one of the medium's files, by any spelling the file system takes
    // (case, short names, relative parts) or as another name of the same file (a hard link); then
    // *pName is that file's name as the medium has it.
    bool Holds(const CString& strPath, CString* pName) const;
    // The same for a path that is known not to exist (yet): only a volume still to come, or a
    // spelling of a file of the medium that the name alone gives away, can match. No look-up of the
    // file system.
    bool HoldsNew(const CString& strPath, CString* pName) const;

private:
    struct File {
        std::string strFolded;  // full long path, folded as the system compares paths
        std::string strName;    // the last component as found
        bool bHasId = false;
        unsigned long nVolume = 0, nIndexHigh = 0, nIndexLow = 0;
    };
    static File Describe(const std::string& path, bool bMayExist = true);
    bool Matches(const File& target, CString* pName) const;

    std::vector<File> m_files;
    std::string m_strFirstVolume;  // the first volume's folded full path
};
