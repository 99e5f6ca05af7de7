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

CString InstallationForUser(const CAnchorStore& store, const CString& strProduct, const RecordReadQuery& readRecord)
{
    if (strProduct.IsEmpty()) return CString();
    RecordAnchor anchor = store.Read(strProduct, kRootCurrentUser);
    if (!anchor.bFound || anchor.strLocation.IsEmpty()) return CString();
    RecordFileRead log, prior;
    if (!readRecord(anchor.strLocation, log, prior)) return CString();
    RecordQuestion question;
    question.reader = RecordReader::setup;
    question.bElevated = false;  // the user's own entry, judged as that user's programs judge it
    question.strFolder = anchor.strLocation;
    question.strProduct = strProduct;
    question.nScopeRoot = kRootCurrentUser;
    return JudgeRecord(store, question, log, prior).IsTrusted() ? anchor.strLocation : CString();
}

CString InstallationInOtherScope(const CAnchorStore& store, const CString& strProduct, bool bForOneUser,
                                 const RecordThereQuery& recordThere, const RecordReadQuery& readRecord)
{
    if (strProduct.IsEmpty()) return CString();
    if (!bForOneUser) return InstallationForUser(store, strProduct, readRecord);
    RecordAnchor other = store.Read(strProduct, kRootLocalMachine);
    if (!other.bFound || other.strLocation.IsEmpty() || !recordThere(other.strLocation)) return CString();
    return other.strLocation;
}

CString OtherScopeRefusal(const CString& strProduct, bool bForOneUser, const CString& strFolder)
{
    CString text;
    if (bForOneUser) {
        text.Format("FATAL: %s is installed for everyone who uses this computer, in '%s': it is not installed for one "
                    "user beside that installation. Remove it first with '%s\\%s' (or Add/Remove programs), then "
                    "install it again: nothing was installed",
                    strProduct.GetString(), strFolder.GetString(), strFolder.GetString(), kUninstallerName);
    } else {
        text.Format("FATAL: %s is installed for you alone, in '%s': it is not installed for everyone beside that "
                    "installation. Remove it first in Add/Remove programs, without administrator rights, then install "
                    "it again: nothing was installed",
                    strProduct.GetString(), strFolder.GetString());
    }
    return text;
}
