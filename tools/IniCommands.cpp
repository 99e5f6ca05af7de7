// zrvtool ini encode | decode | check: the stored (chained) form of Setup.ini.
#include "Commands.h"

#include "IniCheck.h"

#include <iostream>

namespace zrvtool {
namespace {

void NeedArgs(const Args& args, size_t n, const char* usage)
{
    if (args.size() != n) throw ToolError(std::string("usage: zrvtool ") + usage);
}

int Encode(const Args& args)
{
    NeedArgs(args, 2, "ini encode PLAIN OUT");
    std::string text = ReadWholeFile(args[0]);
    OutputFile out(args[1]);
    std::string stored = ChainSetupIni(text);
    out.Write(stored.data(), stored.size());
    out.Commit();
    return 0;
}

int Decode(const Args& args)
{
    NeedArgs(args, 2, "ini decode IN OUT");
    std::string text = UnchainSetupIni(ReadWholeFile(args[0]));
    OutputFile out(args[1]);
    out.Write(text.data(), text.size());
    out.Commit();
    return 0;
}

int Check(const Args& args)
{
    const char* usage = "ini check FILE [--strict]";
    bool bStrict = args.size() == 2 && args[1] == "--strict";
    if (args.size() != 1 && !bStrict) throw ToolError(std::string("usage: zrvtool ") + usage);
    IniCheck check = CheckSetupIni(args[0], ReadWholeFile(args[0]), std::cout, std::cerr);
    if (bStrict && check.nWarnings > 0 && check.nErrors == 0)
        std::cerr << args[0] << ": " << check.nWarnings << (check.nWarnings == 1 ? " warning" : " warnings")
                  << ", an error with --strict\n";
    return check.nErrors > 0 || (bStrict && check.nWarnings > 0) ? 1 : 0;
}

}  // namespace

const std::vector<Command> kIniCommands = {
    {"ini encode", "ini encode PLAIN OUT      chain a plain Setup.ini text into its stored form", Encode},
    {"ini decode", "ini decode IN OUT         the plain text of a stored Setup.ini (OUT - for stdout)", Decode},
    {"ini check", "ini check FILE [--strict] read a Setup.ini (stored or plain) as the installer does, dry-run\n"
                  "                            its registry script and warn of its pitfalls; --strict: warnings\n"
                  "                            are errors",
     Check},
};

}  // namespace zrvtool
