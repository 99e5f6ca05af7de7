// The uninstaller's command line: reading it, its usage text, and what is handed on (UninstallOptions.h).
#include "UninstallOptions.h"

#include "AfxCommandLine.h"
#include "AfxElevation.h"
#include "AfxPath.h"
#include "AfxText.h"
#include "InstallRecordFormat.h"

bool ParseUninstallOptions(const char* pszArguments, UninstallOptions& options)
{
    CCommandSwitches switches(pszArguments);
    options.bSilent = switches.Has("/S");
    bool known = true;
    for (int i = 0; i < switches.GetCount(); ++i) {
        CString value;
        if (switches.Is(i, "/S")) continue;
        if (switches.Is(i, kAfxStartedAgainSwitch)) options.bStartedAgain = true;
        else if (switches.Is(i, kFinishSwitch)) options.bFinish = true;
        else if (switches.Is(i, "/?")) options.bHelp = true;
        else if (switches.IsValued(i, "/LOG=", value) && !value.IsEmpty()) options.strLogFile = value;
        else if (switches.IsValued(i, "/LANG=", value)) {
            if (options.strLanguage.IsEmpty()) options.strLanguage = value;  // the first, as Setup.exe reads it
        }
        else if (switches.Is(i, "/HANDOVER") && i + 2 < switches.GetCount() && !options.bHandover) {
            options.bHandover = true;
            options.strHandles = switches.GetAt(i + 1);
            options.strProgram = switches.GetAt(i + 2);
            i += 2;
        } else {
            known = false;
        }
    }
    // A relative log is the caller's: taken against this process's current directory, which the
    // copy that does the work does not share.
    if (!options.strLogFile.IsEmpty()) {
        const CString log = options.strLogFile;
        options.strLogFile = AfxCallForText([&](char* p, DWORD n) { return GetFullPathNameA(log, n, p, nullptr); });
        if (options.strLogFile.IsEmpty()) known = false;
    }
    return known;
}

CString UninstallUsage()
{
    return AfxTextFormat("uninstall.usage", kUninstallerName, kInstallLogName);
}

// The program started again works in the target, the copy in its own folder: the log goes on as a
// full path.
CString OptionsPassedOn(const UninstallOptions& options)
{
    CString passed = options.bSilent && !options.bFinish ? "/S" : "";
    if (options.bFinish) passed = kFinishSwitch;
    if (!options.strLogFile.IsEmpty())
        passed += (passed.IsEmpty() ? "\"/LOG=" : " \"/LOG=") + options.strLogFile + "\"";
    if (!options.strLanguage.IsEmpty()) passed += (passed.IsEmpty() ? "\"/LANG=" : " \"/LANG=") + options.strLanguage + "\"";
    return passed;
}
