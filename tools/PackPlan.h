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
    std::vector<std::string> components;  // the path in the installer's code page
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
};

// Walks srcDir (without following symbolic links) and plans the stream. Throws ToolError, naming
// the file, for: a symbolic link or other special file, a name the installer's code page cannot
// hold, a stored name longer than 255 bytes, a name the installer refuses, two names that Windows
// would take for the same, a total beyond 32 bits, a tree without a non-empty file.
PackPlan PlanPack(const std::filesystem::path& srcDir);

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
};

// The image options of pack and medium: --block-size 1-255, --volume-size SIZE, --threads N,
// --no-uninstaller, --arch x86|x64; and their values in a parsed command line.
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
