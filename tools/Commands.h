// The command tables of zrvtool, one per family of commands; zrvtool.cpp lists the families.
#pragma once

#include "ToolCommon.h"

namespace zrvtool {
extern const std::vector<Command> kIniCommands;
extern const std::vector<Command> kCodecCommands;
extern const std::vector<Command> kPackCommands;
extern const std::vector<Command> kMediumCommands;
}
