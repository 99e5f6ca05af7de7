#include "HostFile.h"

#include <windows.h>

namespace zrv {

FILE* OpenHostFile(const std::string& utf8, const char* mode)
{
    std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(HostPath(utf8).c_str(), wideMode.c_str());
}

int HostProcessId() { return int(GetCurrentProcessId()); }

}  // namespace zrv
