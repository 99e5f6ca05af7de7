// What zrvtool asks of the operating system, in one place: its arguments and console, the
// processors, exclusive creation of its temporary files and folders, the interrupts that end a
// command, and the running of the author's signing command. ToolSystemPosix.cpp implements it for
// Linux, ToolSystemWin32.cpp for Windows; every other file of the tool is the same on both.
// Paths are UTF-8 text (HostFile.h).
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace zrvtool {

// Readies the process for the commands: on Windows the console takes UTF-8 output, stdin and
// stdout carry bytes unchanged, and the arguments are read from the wide command line; elsewhere
// nothing changes. Returns the arguments after the program's name, as UTF-8.
std::vector<std::string> StartTool(int argc, char** argv);

// The path utf8 as the framework's file calls take it, for the installer's own reader: the same
// text on Linux and on a Windows that honours the program's manifest (its ANSI code page UTF-8);
// on an older Windows the same name in the ANSI code page when it holds every letter, else the
// folders' and file's short names (an image of several volumes named outside that code page is
// then not found past its first volume).
std::string ReaderPath(const std::string& utf8);

// Whether stderr is a terminal that shows a progress line redrawn in place ("\r\033[K").
bool StderrIsTerminal();

// The number of processors this process may use (at least 1).
int ProcessorCount();

// Creates an empty file or folder at path, never through a link and never over anything already
// there. Returns "" when made, "exists" when the name is taken, else why it failed.
std::string CreateExclusive(const std::filesystem::path& path, bool bFolder);

// Opens, for writing from its start, a file this process has just made with CreateExclusive,
// not following a link put in its place. Returns null with errno set.
FILE* OpenCreatedFile(const std::filesystem::path& path);

// Makes a new folder of this user's own, with an unpredictable name starting with prefix, in the
// system's temporary folder. Returns it, or an empty path with the message that says why not.
std::filesystem::path MakeTemporaryFolder(const std::string& prefix, std::string& why);

// Whether this user may create entries in folder; why not, when not.
bool MayCreateIn(const std::filesystem::path& folder, std::string& why);

// From CatchInterrupts until ReleaseInterrupts, an interrupt (Ctrl-C, a hang-up, a request to end,
// on Windows Ctrl+Break and the closing of the console) no longer ends the process: it is held
// for InterruptSignal, which gives its number (SIGINT's 2 for Ctrl+C) or 0.
void CatchInterrupts();
void ReleaseInterrupts();
int InterruptSignal();

// How a signing command ended.
struct CommandOutcome {
    bool bStarted = false;   // false: it could not be started at all
    bool bSignalled = false; // ended by a signal (not on Windows)
    int nExitCode = 0;
};

// The line that runs the author's signing command with each placeholder ({} and {in} for in, {out}
// for out) standing for its file, such that no name can change what runs. On Linux a /bin/sh
// line with the names as its positional parameters ("${1}", "${2}"); on Windows a command line
// for CreateProcess with the names quoted in it as the program's own arguments. *pbBadQuotes is set
// when a placeholder stands where it would not be filled in (inside single quotes, for the shell).
std::string SignLine(const std::string& command, const std::string& in, const std::string& out, bool* pbBadQuotes);

// Runs line (from SignLine) in the current directory with the tool's stdin; its stdout and stderr
// are collected into output.
CommandOutcome RunSignLine(const std::string& line, const std::string& in, const std::string& out, std::string& output);

}  // namespace zrvtool
