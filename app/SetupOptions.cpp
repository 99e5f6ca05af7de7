#include "SetupOptions.h"

#include "AfxCallerDir.h"
#include "AfxCommandLine.h"
#include "AfxElevation.h"
#include "AfxText.h"

namespace {

// "C:\Games\" is the folder C:\Games; "C:\" stays the root it names.
CString DirectoryValue(const CString& strValue)
{
    bool root = strValue.GetLength() == 3 && strValue[1] == ':';
    if (strValue.GetLength() > 1 && strValue[strValue.GetLength() - 1] == '\\' && !root)
        return strValue.Left(strValue.GetLength() - 1);
    return strValue;
}

void Refuse(SetupOptions& options, const CString& strText)
{
    if (options.strError.IsEmpty()) options.strError = strText;
}

}  // namespace

SetupOptions ParseSetupOptions(const char* pszCommandLine)
{
    SetupOptions options;
    CCommandSwitches switches(pszCommandLine);
    options.bSilent = switches.Has("/S") ? TRUE : FALSE;
    options.bAllUsers = switches.Has("/ALLUSERS") ? TRUE : FALSE;
    options.bCurrentUser = switches.Has("/CURRENTUSER") ? TRUE : FALSE;
    options.bStartedAgain = switches.Has(kAfxStartedAgainSwitch) ? TRUE : FALSE;
    for (int i = 0; i < switches.GetCount(); ++i) {
        CString value;
        if (options.strLanguage.IsEmpty() && switches.IsValued(i, "/LANG=", value)) options.strLanguage = value;
    }
    if (!options.bSilent) return options;

    for (int i = 0; i < switches.GetCount(); ++i) {
        CString value;
        if (switches.Is(i, "/S") || switches.Is(i, "/ALLUSERS") || switches.Is(i, "/CURRENTUSER") ||
            switches.Is(i, kAfxStartedAgainSwitch))
            continue;
        if (switches.IsValued(i, "/LANG=", value)) continue;
        if (switches.Is(i, "/DOWNGRADE")) {
            options.bAllowDowngrade = TRUE;
            continue;
        }
        if (switches.IsValued(i, CCommandSwitches::kRestOfLine, value)) {
            options.bHasTarget = TRUE;
            options.strTarget = DirectoryValue(value);
            if (options.strTarget.IsEmpty()) Refuse(options, AfxText("option.no_directory"));
        } else if (switches.IsValued(i, kAfxCallerDirOption, value)) {
            options.strCallerDir = value;
        } else if (switches.IsValued(i, "/LOG=", value)) {
            options.strLogFile = value;
            if (options.strLogFile.IsEmpty()) Refuse(options, AfxText("option.no_log"));
        } else {
            Refuse(options, AfxTextFormat("option.unknown", switches.GetAt(i).GetString()));
        }
    }
    return options;
}
