// Whether an item of an earlier installation's log is still there, looked up on the machine as it
// is now: files and folders below the target, keys and values (never through a registry link),
// the folders and shortcuts of the Start menu (Win32).
#pragma once

#include "CarriedRecord.h"

class CInstalledItems : public CarriedItemProbe {
public:
    // strTargetDir: the target, without a trailing backslash. bForOneUser: the Start menu is the
    // running user's own.
    CInstalledItems(const CString& strTargetDir, bool bForOneUser);

    bool Exists(const LogItem& item) const override;

private:
    CString m_strTarget;
    CString m_strPrograms;
};
