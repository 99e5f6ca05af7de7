// Files of the authoring side, named by paths held as UTF-8 text on every host. On Linux the text is
// the path's own bytes; on Windows it is converted to the UTF-16 of the wide calls, never through
// the ANSI code page, so that a name in any script reaches the file system as written.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace zrv {

// The path named by utf8, its separators the system's own: on Windows every / becomes \, which a
// long path (\\?\C:\...) needs, as Windows takes its parts literally.
inline std::filesystem::path HostPath(const std::string& utf8)
{
    std::filesystem::path path = std::filesystem::u8path(utf8);
    path.make_preferred();
    return path;
}
// path.lexically_normal(), except that a long Windows path keeps its \\?\ prefix, which the lexical
// rules would take for the start of a network name and cut.
inline std::filesystem::path NormalPath(const std::filesystem::path& path)
{
    using String = std::filesystem::path::string_type;
    if constexpr (std::filesystem::path::preferred_separator == '\\') {
        const String prefix = std::filesystem::path("\\\\?\\").native();
        const String& text = path.native();
        if (text.compare(0, prefix.size(), prefix) == 0)
            return std::filesystem::path(prefix + std::filesystem::path(text.substr(prefix.size())).lexically_normal().native());
    }
    return path.lexically_normal();
}

// The UTF-8 text of path.
inline std::string HostText(const std::filesystem::path& path) { return path.u8string(); }

// fopen of the file named by utf8 (mode as for fopen). Returns null with errno set.
FILE* OpenHostFile(const std::string& utf8, const char* mode);

// This process's id, for names of temporary files.
int HostProcessId();

}  // namespace zrv
