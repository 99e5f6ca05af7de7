// One scope at a time: a product installed for one user is not installed for everyone beside it,
// nor the reverse. Two installations would make two entries in Add/Remove programs, an upgrade
// would reach only one of them, and removing one would take away what both wrote.
#include "SetupApp.h"

#include "InstallRecordFormat.h"

CString InstallationInOtherScope(const CAnchorStore& store, const CString& strProduct, bool bForOneUser,
                                 const std::function<bool(const CString& strFolder)>& recordThere)
{
    if (strProduct.IsEmpty()) return CString();
    RecordAnchor other = store.Read(strProduct, bForOneUser ? kRootLocalMachine : kRootCurrentUser);
    // An entry whose folder no longer holds the record names an installation that is gone (its
    // folder deleted by hand): nothing stands beside this one.
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
