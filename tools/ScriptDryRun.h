// The dry run of a Setup.ini's registry script: the installer's own interpreter, applied to an
// in-memory registry, with each key and value it sets tied to the line that set it.
#pragma once

#include "ScriptText.h"
#include "SetupConfig.h"

namespace zrvtool {

// One key created or opened, or one value set, in the words of DescribeKey and DescribeValue.
struct ScriptEffect {
    int nLine;            // the key or value line; 0 for the uninstall entry
    std::string strText;
};

struct DryRun {
    bool bHasScript = false;  // the text holds the marker REGEDIT4
    int nMarkerLine = 0;      // the line that holds the first REGEDIT4
    std::vector<ScriptEffect> effects;  // in the order they happened
    bool bKeyLinesRan = false;  // the key lines were reached (some line followed the marker's)
    int nEndLine = 0;           // where the key lines ended; 0 when the text ended first
    std::string strFailure;     // why the line nEndLine failed; empty when nothing failed
    bool bUninstallTried = false;
    bool bResult = false;       // what the interpreter returned
    std::string strLog;         // what Install.log would get from it
    bool bForOneUser = false;   // run as for an installation for one user
    bool bRefused = false;      // for one user: refused whole at nEndLine, nothing written
};

// Runs the script of text (the decoded Setup.ini, up to its first NUL) with the install path and
// product of config, as the installer would after installing into config's DefaultDir. lines are
// SplitLines(text). With bForOneUser, as for an installation for the user who runs the installer:
// keys under HKEY_CLASSES_ROOT go to the user's own classes, the uninstall entry below
// HKEY_CURRENT_USER, and a script with a key under HKEY_LOCAL_MACHINE or HKEY_USERS is refused
// whole. Never touches a real registry.
DryRun DryRunScript(const std::string& text, const std::vector<TextLine>& lines, const SetupConfig& config,
                    bool bForOneUser = false);

}  // namespace zrvtool
