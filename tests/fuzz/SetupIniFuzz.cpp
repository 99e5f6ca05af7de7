// libFuzzer target: arbitrary bytes as the text of Setup.ini. Each input is read twice: stored
// chained in a real Setup.ini file through ReadSetupIni (the installer's path: open, un-chain,
// parse), and as plain text through ParseSetupText with the reason of a refusal.
//
// Checked here beyond what the sanitizers catch: both ways give the same verdict and the same
// settings once the plain text is converted from its code page as the file's is (so the chained
// decoding restores every byte), the parser leaves its text unchanged,
// a refusal always says why, and an accepted text begins with its marker. The extension lines are
// read from the same text: found exactly when the settings are, every shortcut with both parts.
#include "SetupApp.h"
#include "SetupExtensions.h"

#include <cstring>
#include <string>
#include <vector>

#include "FuzzTempDir.h"

namespace {

bool SameConfig(const SetupConfig& a, const SetupConfig& b)
{
    return a.m_strAppDescription == b.m_strAppDescription && a.m_nFreeSpaceMB == b.m_nFreeSpaceMB &&
           a.m_strDiskImage == b.m_strDiskImage && a.m_strProductName == b.m_strProductName &&
           a.m_strInstallDir == b.m_strInstallDir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    WriteFuzzFile("Setup.ini", ChainText(text));
    CSetupApp fromFile;
    const BOOL okFile = fromFile.ReadSetupIni();

    // The parser sees the text up to its first zero byte, as it does the file's.
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    const std::vector<char> before = buffer;
    CSetupApp fromText;
    SetupIniProblem problem;
    const BOOL okText = fromText.ParseSetupText(buffer.data(), &problem);

    if (buffer != before) __builtin_trap();
    // The file's way turns the text into UTF-8 from the code page its CodePage line names (a
    // medium naming another, or with malformed UTF-8, is refused): parsed so, the plain text gives
    // the file's verdict and settings.
    std::string converted(buffer.data());
    SetupExtensions declared;
    const bool bRefusedCodePage =
        ReadSetupExtensions(converted.c_str(), declared) && !SetupTextToUtf8(converted, declared.nCodePage);
    CSetupApp fromConverted;
    const BOOL okConverted = !bRefusedCodePage && fromConverted.ParseSetupText(&converted[0]);
    if (okFile != okConverted) __builtin_trap();
    if (okConverted && !SameConfig(fromFile.m_config, fromConverted.m_config)) __builtin_trap();
    if (!okText && problem.m_strReason.IsEmpty()) __builtin_trap();
    if (okText && std::strncmp(buffer.data(), "INSTALL4", 8) != 0) __builtin_trap();
    SetupExtensions ext;
    if ((ReadSetupExtensions(buffer.data(), ext) != FALSE) != (okText != FALSE)) __builtin_trap();
    for (const SetupShortcut& s : ext.shortcuts)
        if (s.strName.IsEmpty() || s.strTarget.IsEmpty() || s.nLine < 2) __builtin_trap();
    return 0;
}
