#include "Signing.h"

#include "ToolCommon.h"

#include "HostFile.h"
#include "ToolSystem.h"

#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>

namespace fs = std::filesystem;

namespace zrvtool {
namespace {

size_t Count(const std::string& text, const char* what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

bool NonEmptyFile(const std::string& path)
{
    std::error_code ec;
    fs::path p = zrv::HostPath(path);
    return fs::is_regular_file(p, ec) && fs::file_size(p, ec) > 0 && !ec;
}

}  // namespace

SignCommand::SignCommand(const std::string& command) : m_command(command)
{
    bool bInSingleQuotes = false;
    SignLine(command, "", "", &bInSingleQuotes);
    if (bInSingleQuotes)
        throw ToolError("--sign: {}, {in} and {out} cannot stand inside single quotes, where the shell would not fill "
                        "them in; write them bare or inside double quotes");
    size_t nPlace = Count(command, "{}"), nIn = Count(command, "{in}"), nOut = Count(command, "{out}");
    m_bInPlace = nPlace > 0;
    if (nPlace > 0 ? nIn + nOut > 0 : nIn == 0 || nOut == 0)
        throw ToolError("--sign: the command must name the file with {} (signed in place) or with {in} and {out}");
}

std::string SignCommand::For(const std::string& in, const std::string& out) const
{
    bool bInSingleQuotes = false;
    return SignLine(m_command, in, out, &bInSingleQuotes);
}

void SignCommand::Sign(const std::string& path, const std::string& what) const
{
    // The signed file is written into a hidden folder of its own beside the unsigned one, under the
    // same name (signing tools may expect .exe and refuse to overwrite), and then takes its place.
    std::optional<BesidePath> folder;
    std::string out = path;
    if (!m_bInPlace) {
        folder.emplace(path, BesidePath::kFolder, "-signed");
        out = (folder->Path() / zrv::HostPath(path).filename()).u8string();
    }
    std::string output;
    std::cout.flush();
    CommandOutcome outcome = RunSignLine(For(path, out), path, out, output);
    std::string why = !outcome.bStarted          ? "could not be started"
                      : outcome.bSignalled       ? "was ended by a signal"
                      : outcome.nExitCode != 0   ? "failed (exit code " + std::to_string(outcome.nExitCode) + ")"
                      : !NonEmptyFile(out)       ? "left no signed file (or an empty one)"
                                                 : "";
    std::error_code ec;
    if (why.empty() && !m_bInPlace) fs::rename(zrv::HostPath(out), zrv::HostPath(path), ec);
    if (ec) why = "left a file that cannot take the unsigned one's place: " + ec.message();
    if (why.empty()) return;
    std::cerr << output;
    if (!output.empty() && output.back() != '\n') std::cerr << "\n";
    throw ToolError("--sign: the command " + why + " signing " + what + "; nothing is written");
}

Option SignOption()
{
    return {"--sign", "COMMAND", [](const std::string& v) { SignCommand check(v); }};
}

}  // namespace zrvtool
