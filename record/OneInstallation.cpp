// One installation of a product at a time: in one folder and in one scope.
#include "OneInstallation.h"

#include "InstallRecordFormat.h"

CString InstallationElsewhere(const CAnchorStore& store, const CString& strProduct, bool bForOneUser,
                              const CString& strFolder, const RecordThereQuery& recordThere)
{
    CString there = store.Read(strProduct, EntryRoot(bForOneUser)).strLocation;
    if (there.IsEmpty() || SameFolder(there, strFolder) || !recordThere(there)) return CString();
    return there;
}

CString ElsewhereRefusal(const CString& strProduct, const CString& strThere)
{
    return strProduct + " is installed in '" + strThere +
           "'. Remove it first (its uninstaller is in that folder), or install it into that folder again.";
}

CString InstallationInOtherScope(const CAnchorStore& store, const CString& strProduct, bool bForOneUser,
                                 const RecordThereQuery& recordThere)
{
    if (strProduct.IsEmpty()) return CString();
    RecordAnchor other = store.Read(strProduct, OtherEntryRoot(bForOneUser));
    if (!other.bFound || other.strLocation.IsEmpty() || !recordThere(other.strLocation)) return CString();
    return other.strLocation;
}

CString OtherScopeRefusal(const CString& strProduct, bool bForOneUser, const CString& strFolder)
{
    CString text;
    text.Format("FATAL: %s is installed %s, in '%s': it is not installed %s beside that installation. Remove it "
                "first with '%s\\%s' (or Add/Remove programs), then install it again: nothing was installed",
                strProduct.GetString(), bForOneUser ? "for everyone who uses this computer" : "for you alone",
                strFolder.GetString(), bForOneUser ? "for one user" : "for everyone", strFolder.GetString(),
                kUninstallerName);
    return text;
}
