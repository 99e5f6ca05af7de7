// zrvtool ini encode | decode | check: the stored (chained) form of Setup.ini.
#include "Commands.h"

#include "CodePage1252.h"
#include "EntryName.h"

#include "SetupApp.h"

#include <iostream>

namespace zrvtool {
namespace {

std::string Chain(const std::string& text)
{
    std::string stored = text;
    for (size_t k = 1; k < stored.size(); ++k) stored[k] = char(text[k] ^ stored[k - 1]);
    return stored;
}

std::string Unchain(const std::string& stored)
{
    std::string text = stored;
    for (size_t k = text.size(); k-- > 1;) text[k] = char(stored[k] ^ stored[k - 1]);
    return text;
}

void NeedArgs(const Args& args, size_t n, const char* usage)
{
    if (args.size() != n) throw ToolError(std::string("usage: zrvtool ") + usage);
}

int Encode(const Args& args)
{
    NeedArgs(args, 2, "ini encode PLAIN OUT");
    std::string text = ReadWholeFile(args[0]);
    OutputFile out(args[1]);
    std::string stored = Chain(text);
    out.Write(stored.data(), stored.size());
    out.Commit();
    return 0;
}

int Decode(const Args& args)
{
    NeedArgs(args, 2, "ini decode IN OUT");
    std::string text = Unchain(ReadWholeFile(args[0]));
    OutputFile out(args[1]);
    out.Write(text.data(), text.size());
    out.Commit();
    return 0;
}

int Check(const Args& args)
{
    NeedArgs(args, 1, "ini check FILE");
    std::string text = Unchain(ReadWholeFile(args[0]));
    // The installer's reading stops at the first zero byte, as it does on its own buffer.
    text.push_back('\0');
    CSetupApp app;
    SetupIniProblem problem;
    if (!app.ParseSetupText(&text[0], &problem)) {
        if (problem.m_nLine > 0)
            throw ToolError(args[0] + ":" + std::to_string(problem.m_nLine) + ": " + problem.m_strReason.GetString());
        throw ToolError(args[0] + ": " + problem.m_strReason.GetString());
    }
    const SetupConfig& c = app.m_config;
    // The settings are code-page text that may hold any byte: shown in UTF-8, with nothing a
    // terminal would act on.
    auto shown = [](const CString& value) { return EscapeControls(Cp1252ToUtf8(value.Str()), true); };
    std::cout << "Product: " << shown(c.m_strProductName) << "\n"
              << "AppDescription: " << shown(c.m_strAppDescription) << "\n"
              << "DiskImage: " << shown(c.m_strDiskImage) << "\n"
              << "DefaultDir: " << shown(c.m_strInstallDir) << "\n"
              << "FreeSpace: " << c.m_nFreeSpaceMB << " MB\n"
              << "Registry script: " << (text.find("REGEDIT4") != std::string::npos ? "yes" : "no") << "\n";
    return 0;
}

}  // namespace

const std::vector<Command> kIniCommands = {
    {"ini encode", "ini encode PLAIN OUT      chain a plain Setup.ini text into its stored form", Encode},
    {"ini decode", "ini decode IN OUT         the plain text of a stored Setup.ini (OUT - for stdout)", Decode},
    {"ini check", "ini check FILE            read a stored Setup.ini as the installer does", Check},
};

}  // namespace zrvtool
