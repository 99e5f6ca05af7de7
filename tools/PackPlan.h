// What `zrvtool pack` puts into a payload stream, and in which order.
//
// Order: first every directory, then every empty file, then every non-empty file (AddRootFile puts
// a file of the tool's own right after the directories). Directories
// follow the tree's path order, comparing paths component by component and names by their bytes
// in the installer's code page (so a directory always comes right after the directories that lead
// to it); files are ordered by extension (without letter case), then in path order, which puts
// files of one kind side by side for the block sorter. Every file thus follows all directories,
// its folder among them. Directories and empty files come before the last data byte, where the
// installer still reads them.
#pragma once

#include "CodePage.h"
#include "CommandLine.h"
#include "EmbeddedPrograms.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace zrvtool {

struct PackItem {
    std::filesystem::path hostPath;   // the file or directory on the host
    std::string displayName;          // its path below the source directory, as the host spells it
    std::vector<std::string> hostComponents;  // the path's components as the host spells them
    std::vector<std::string> components;  // the path in the medium's code page
    std::string storedName;           // as stored: components joined by backslashes, a directory's
                                      // with a leading backslash
    bool bDirectory = false;
    uint64_t nSize = 0;
    std::string sortKey;              // a file's extension, folded; empty for directories
    const unsigned char* pData = nullptr;  // the content, when it comes from memory, not hostPath
};

struct PackPlan {
    std::vector<PackItem> items;  // in stream order
    uint32_t nTotal = 0;          // the sum of the file sizes
    CodePage codePage = CodePage::cp1252;  // of the stored names
    bool bNeedsUtf8 = false;      // some name needs UTF-8 (Windows-1252 cannot write it)
};

// Walks srcDir (without following symbolic links) and plans the stream. The names are stored in
// Windows-1252 when choice is cp1252, or automatic and that code page holds every name; in UTF-8
// when choice is utf8, or automatic and some name needs a character that Windows-1252 lacks.
// Throws ToolError, naming the file, for: a symbolic link or other special file, a name the code
// page cannot hold (with cp1252 forced, a name needing UTF-8; in any case a host name that is not
// UTF-8 and Windows-1252 cannot write), a stored name longer than 255 bytes, a name the installer
// refuses, two names that Windows would take for the same, a total beyond 32 bits, a tree without a
// non-empty file.
PackPlan PlanPack(const std::filesystem::path& srcDir, CodePageChoice choice = CodePageChoice::cp1252);

// The first name of srcDir (below it, as the host spells it) that needs UTF-8 because Windows-1252
// cannot write it; "" when there is none. Throws as PlanPack does for a tree it cannot walk.
std::string NameNeedingUtf8(const std::filesystem::path& srcDir);

// Puts a file held in memory (the uninstaller the tool carries) at the payload's root, as the first
// file: right after the directories, so that even an installation that stops half-way has it.
// Throws ToolError when the tree already holds a file or directory of that name, or when the
// total would exceed 32 bits.
void AddRootFile(PackPlan& plan, const std::string& name, const unsigned char* pData, size_t nSize);

struct PackWriterOptions {
    int nBlockSize = 9;                 // 1 to 255, in units of 100000 bytes
    unsigned long long nVolumeSize = 0; // data bytes per volume file; 0 for a single volume
    int nThreads = 0;                   // threads that sort blocks, 0 for one per processor; the
                                        // image is the same for any
    bool bUninstaller = true;           // the payload carries the tool's Uninstal.exe
    WindowsArch arch = WindowsArch::x86;  // of that Uninstal.exe, and of a medium's Setup.exe
    CodePageChoice codePage = CodePageChoice::automatic;  // of the names (and a medium's texts)
};

// The image options of pack and medium: --block-size 1-255, --volume-size SIZE, --threads N,
// --no-uninstaller, --arch x86|x64, --code-page 1252|utf-8|auto; and their values in a parsed
// command line.
std::vector<Option> PackOptions();
PackWriterOptions PackOptionsOf(const CommandLine& line);

// Puts the uninstaller of arch that this zrvtool carries into plan (AddRootFile). Throws ToolError
// when the tool carries none.
void AddCarriedUninstaller(PackPlan& plan, WindowsArch arch);

// Compresses the stream of plan into the image outPath (its first volume, named ...001), with
// every volume appearing under its final name only when all were written. Returns the volumes'
// paths in order. Throws ToolError, also when an InterruptGuard has seen a signal.
std::vector<std::string> WritePackedImage(const PackPlan& plan, const std::string& outPath, const PackWriterOptions& options);

// Writes the stream of plan to sink in pieces. Throws ToolError when a file cannot be read or its
// size has changed since it was planned.
void WritePayload(const PackPlan& plan, const std::function<void(const void*, size_t)>& sink);

}  // namespace zrvtool
