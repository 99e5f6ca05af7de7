// The uninstaller's command line: reading it, its usage text, and what is handed on (UninstallOptions.h).
#include "UninstallOptions.h"

#include "AfxCommandLine.h"
#include "AfxElevation.h"
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
        char full[MAX_PATH] = {};
        DWORD n = GetFullPathNameA(options.strLogFile, MAX_PATH, full, nullptr);
        options.strLogFile = n > 0 && n < MAX_PATH ? CString(full) : CString();
        if (options.strLogFile.IsEmpty()) known = false;
    }
    return known;
}

CString UninstallUsage()
{
    return CString(kUninstallerName) +
           " [/S] [/LOG=FILE]\n\n"
           "Removes the product installed in this program's folder: exactly the files, folders and "
           "registry entries that its " +
           kInstallLogName +
           " lists. Files of your own, and folders that still hold them, are kept.\n\n"
           "/S\tremove without asking and without any window\n"
           "/LOG=FILE\twrite what was removed, what was left and why, and what goes when Windows restarts "
           "into FILE, one item a line\n"
           "/?\tshow this text (nothing is removed)\n\n"
           "Files in use go when Windows restarts.\n\n"
           "Exit codes: 0 removed; 3010 removed once Windows has restarted; 2 removed, but some items were "
           "left in place; 1 nothing was removed.";
}

// The program started again works in the target, the copy in its own folder: the log goes on as a
// full path.
CString OptionsPassedOn(const UninstallOptions& options)
{
    CString passed = options.bSilent && !options.bFinish ? "/S" : "";
    if (options.bFinish) passed = kFinishSwitch;
    if (!options.strLogFile.IsEmpty())
        passed += (passed.IsEmpty() ? "\"/LOG=" : " \"/LOG=") + options.strLogFile + "\"";
    return passed;
}
