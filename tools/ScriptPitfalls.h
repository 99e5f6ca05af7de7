// Warnings for the places where a Setup.ini's script does something other than what its author,
// used to registry files, will expect. One table: each row a test on one line and its message.
#pragma once

#include "RegFileReading.h"
#include "ScriptDryRun.h"

namespace zrvtool {

struct ScriptWarning {
    int nLine;
    std::string strMessage;
};

// Every warning for text (the decoded Setup.ini, up to its first NUL), in line order and, within a
// line, in the table's order. run is the installer's dry run of the text (a default DryRun when
// the settings could not be read); regFile is the text after the marker's line read as a registry
// file.
std::vector<ScriptWarning> FindScriptPitfalls(const std::vector<TextLine>& lines, const DryRun& run,
                                              const std::vector<RegFileEffect>& regFile);

}  // namespace zrvtool
