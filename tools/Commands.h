// The command tables of zrvtool, one per family of commands; zrvtool.cpp lists the families.
#pragma once

#include "ToolCommon.h"

#include <functional>

namespace zrvtool {
extern const std::vector<Command> kIniCommands;
extern const std::vector<Command> kCodecCommands;
extern const std::vector<Command> kPackCommands;
extern const std::vector<Command> kMediumCommands;
extern const std::vector<Command> kBundleCommands;

// Decodes the whole image whose first volume is path, handing the bytes to sink, then closes it so
// that the last volume's CRC is compared too; label names the progress line. Returns false after
// one line on stderr when the image is not sound. The sink may throw ToolError.
bool DecodeImage(const std::string& path, const char* label, const std::function<void(const char*, size_t)>& sink,
                 uint64_t* total, std::string* lastVolume, bool secondThread);
}
