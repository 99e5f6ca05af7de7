// zrvtool: the author's tool. Makes ZRV-Zip images and chained Setup.ini files, and reads them.
#include "Commands.h"
#include "EntryName.h"

#include "Crc32.h"
#include "EmbeddedPrograms.h"
#include "ProgramVersion.h"
#include "ToolSystem.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>

using namespace zrvtool;

namespace {

std::vector<const Command*> AllCommands()
{
    std::vector<const Command*> all;
    for (const std::vector<Command>* family : {&kMediumCommands, &kBundleCommands, &kIniCommands, &kPackCommands, &kCodecCommands})
        for (const Command& c : *family) all.push_back(&c);
    return all;
}

void PrintUsage(std::ostream& out)
{
    out << "usage:\n";
    for (const Command* c : AllCommands()) out << "  zrvtool " << UsageText(*c) << "\n";
}

// The tool's version, and for each program it carries, per architecture, the machine its own
// header names, its version, size and CRC, which tell the build it came from.
void PrintVersion()
{
    std::cout << "zrvtool " << ZRV_VERSION << "\n";
    for (WindowsArch arch : {WindowsArch::x86, WindowsArch::x64})
    for (const EmbeddedProgram* program : {&EmbeddedSetup(arch), &EmbeddedUninstaller(arch), &EmbeddedLauncher(arch)}) {
        std::optional<WindowsArch> machine = MachineOf(program->pData, program->nSize);
        std::cout << program->pszName << " (" << (machine ? ArchName(*machine) : ArchName(arch)) << "): ";
        if (!program->pData) {
            std::cout << "not carried by this build\n";
            continue;
        }
        std::string version = ProductVersionOf(program->pData, program->nSize);
        char crc[16];
        std::snprintf(crc, sizeof crc, "%08x", unsigned(~zrv::CrcUpdate(zrv::kCrcInit, program->pData, program->nSize)));
        if (!machine) std::cout << "unknown machine, ";
        std::cout << (version.empty() ? "no version resource" : version) << ", " << program->nSize << " bytes, CRC "
                  << crc << "\n";
    }
}

// A first word that only begins command names ("ini"): the commands it begins, on stdout with
// --help; anything else is an unknown command. Returns the exit code.
int UnknownCommand(const Args& args)
{
    std::string family = args[0] + " ";
    std::vector<const Command*> members;
    for (const Command* c : AllCommands())
        if (std::strncmp(c->name, family.c_str(), family.size()) == 0) members.push_back(c);
    if (members.empty()) {
        std::cerr << "zrvtool: unknown command '" << EscapeControls(args[0], true) << "'\n";
        PrintUsage(std::cerr);
        return 2;
    }
    bool bHelp = args.size() == 2 && (args[1] == "--help" || args[1] == "-h");
    std::ostream& out = bHelp ? std::cout : std::cerr;
    if (!bHelp)
        out << "zrvtool: '" << EscapeControls(args.size() > 1 ? args[0] + " " + args[1] : args[0], true)
            << "' is not a command; these are:\n";
    else
        out << "usage:\n";
    for (const Command* c : members) out << "  zrvtool " << UsageText(*c) << "\n";
    return bHelp ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv)
{
    Args args = StartTool(argc, argv);
    if (args.size() == 1 && args[0] == "--version") {
        PrintVersion();
        return 0;
    }
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        PrintUsage(args.empty() ? std::cerr : std::cout);
        return args.empty() ? 2 : 0;
    }
    // The longest command name that the arguments start with ("ini check" before "ini").
    const Command* best = nullptr;
    size_t bestWords = 0;
    for (const Command* c : AllCommands()) {
        Args words;
        for (const char* p = c->name; *p;) {
            const char* space = std::strchr(p, ' ');
            size_t len = space ? size_t(space - p) : std::strlen(p);
            words.emplace_back(p, len);
            p += len + (space ? 1 : 0);
        }
        if (words.size() > args.size() || words.size() <= bestWords) continue;
        if (std::equal(words.begin(), words.end(), args.begin())) {
            best = c;
            bestWords = words.size();
        }
    }
    if (!best) return UnknownCommand(args);
    Args rest(args.begin() + long(bestWords), args.end());
    for (const std::string& a : rest) {
        if (a == "--help" || a == "-h") {
            std::cout << "usage: zrvtool " << UsageText(*best) << "\n";
            return 0;
        }
    }
    try {
        return best->run(ParseCommandLine(*best, rest));
    } catch (const UsageError& e) {
        std::cerr << "zrvtool: " << e.what() << "\n";  // the tool's own text, over several lines
        return 1;
    } catch (const InterruptError& e) {
        std::cerr << "zrvtool: " << e.what() << "\n";
        return 128 + e.m_nSignal;
    } catch (const ToolError& e) {
        // Messages quote names from images and file systems: nothing in them may act on the terminal.
        std::cerr << "zrvtool: " << EscapeControls(e.what(), true) << "\n";
        return 1;
    } catch (const std::bad_alloc&) {
        std::cerr << "zrvtool: out of memory\n";
        return 1;
    }
}
