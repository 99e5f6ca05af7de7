// Files of the authoring side, named by paths held as UTF-8 text on every host. On Linux the text is
// the path's own bytes; on Windows it is converted to the UTF-16 of the wide calls, never through
// the ANSI code page, so that a name in any script reaches the file system as written.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace zrv {

// The path named by utf8.
inline std::filesystem::path HostPath(const std::string& utf8) { return std::filesystem::u8path(utf8); }
// The UTF-8 text of path.
inline std::string HostText(const std::filesystem::path& path) { return path.u8string(); }

// fopen of the file named by utf8 (mode as for fopen). Returns null with errno set.
FILE* OpenHostFile(const std::string& utf8, const char* mode);

// This process's id, for names of temporary files.
int HostProcessId();

}  // namespace zrv
