// Runs a registry script the way the installer does: Setup.ini stored chained in a fresh current
// directory, the script loaded from it, applied with Install.log open for writing.
#pragma once

#include "RegistryScript.h"

#include <gtest/gtest.h>

#include <string>

#include "TempDir.h"

// The settings that precede every script in these tests; they hold no "REGEDIT4".
inline const char* SetupIniHeader()
{
    return "INSTALL4\r\n"
           "[Demo]\r\n"
           "AppDescription=A small demo product\r\n"
           "DiskImage=demo.001\r\n"
           "DefaultDir=C:\\Demo\r\n"
           "FreeSpace=20\r\n";
}

// The stored form of a Setup.ini text: each byte after the first XOR the stored byte before it.
inline std::string ChainSetupIni(const std::string& text)
{
    std::string stored = text;
    for (size_t k = 1; k < stored.size(); ++k) stored[k] = char(text[k] ^ stored[k - 1]);
    return stored;
}

struct ScriptOutcome {
    int nResult;
    std::string strLog;  // Install.log, every byte
};

// Applies SetupIniHeader() + script to pRegistry, or with Apply(log) to the system registry when
// pRegistry is null. Checks on the way that the text is unchanged.
inline ScriptOutcome RunRegistryScript(const std::string& script, RegistryBackend* pRegistry,
                                       const char* pszInstallPath = "C:\\Demo", const char* pszProduct = "Demo")
{
    ScopedTempDir dir;
    const std::string text = SetupIniHeader() + script;
    WriteBytes("Setup.ini", ChainSetupIni(text));
    RegistryScript rs("Setup.ini", pszInstallPath, pszProduct);
    CFile log;
    EXPECT_TRUE(log.Open("Install.log", CFile::modeCreate | CFile::modeWrite));
    int nResult = pRegistry ? rs.Apply(log, *pRegistry) : rs.Apply(log);
    log.Close();
    EXPECT_EQ(std::string(rs.GetText()), text) << "the script's text was changed";
    return {nResult, ReadBytes(dir.path() / "Install.log")};
}
