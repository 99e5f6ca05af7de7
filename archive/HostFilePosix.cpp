#include "HostFile.h"

#include <unistd.h>

namespace zrv {

FILE* OpenHostFile(const std::string& utf8, const char* mode) { return std::fopen(utf8.c_str(), mode); }

int HostProcessId() { return int(getpid()); }

}  // namespace zrv
