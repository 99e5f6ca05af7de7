#include "ScriptDryRun.h"

#include "MemoryRegistry.h"
#include "RegistryScript.h"

namespace zrvtool {
namespace {

// Install.log kept in memory.
class MemoryLog : public CFile {
public:
    void Write(const void* lpBuf, UINT nCount) override { m_strData.append(static_cast<const char*>(lpBuf), nCount); }
    std::string m_strData;
};

// Records each operation of the interpreter, at the line the observer last named.
class Recorder : public MemoryRegistry, public RegistryScriptObserver {
public:
    Recorder(const char* pText, const std::vector<TextLine>& lines, DryRun& run)
        : m_pText(pText), m_lines(lines), m_run(run)
    {
    }

    LONG CreateKey(HKEY hRoot, const char* pszSubKey, HKEY* phKey, bool* pbExisted) override
    {
        LONG result = MemoryRegistry::CreateKey(hRoot, pszSubKey, phKey, pbExisted);
        if (result == ERROR_SUCCESS) Add(DescribeKey(GetRootName(hRoot), pszSubKey));
        return result;
    }
    LONG SetValue(HKEY hKey, const char* pszName, DWORD dwType, const BYTE* pData, DWORD cbData) override
    {
        LONG result = MemoryRegistry::SetValue(hKey, pszName, dwType, pData, cbData);
        if (result == ERROR_SUCCESS) Add(DescribeValue(pszName, dwType, std::vector<unsigned char>(pData, pData + cbData)));
        return result;
    }

    void OnStart(const char* pMarker) override { m_run.nMarkerLine = LineOf(pMarker); }
    void OnLine(const char* pLine) override
    {
        m_run.bKeyLinesRan = true;
        m_nLine = LineOf(pLine);
    }
    void OnScriptEnd(const char* pLine, const char* pszFailure) override
    {
        if (pLine && *pLine == '\0') pLine = nullptr;  // the last line end was the text's end
        m_run.nEndLine = pLine ? LineOf(pLine) : 0;
        if (pLine) m_run.bKeyLinesRan = true;
        if (pszFailure) m_run.strFailure = pszFailure;
    }
    void OnUninstall() override
    {
        m_run.bUninstallTried = true;
        m_nLine = 0;
    }

private:
    int LineOf(const char* p) const { return LineNumberAt(m_lines, size_t(p - m_pText)); }
    void Add(const std::string& strText) { m_run.effects.push_back({m_nLine, strText}); }

    const char* m_pText;
    const std::vector<TextLine>& m_lines;
    DryRun& m_run;
    int m_nLine = 0;
};

}  // namespace

DryRun DryRunScript(const std::string& text, const std::vector<TextLine>& lines, const SetupConfig& config,
                    bool bForOneUser)
{
    DryRun run;
    RegistryScript script(text.data(), text.size(), config.m_strInstallDir, config.m_strProductName);
    script.m_bForOneUser = bForOneUser;
    run.bForOneUser = bForOneUser;
    run.bHasScript = text.find("REGEDIT4") != std::string::npos;
    Recorder recorder(script.GetText(), lines, run);
    MemoryLog log;
    run.bResult = script.Apply(log, recorder, &recorder) != 0;
    run.strLog = log.m_strData;
    // A refused script ran no key line: none of them did anything.
    if (bForOneUser && RegistryScript::FindMachineWideLine(script.GetText())) {
        run.bRefused = true;
        run.bKeyLinesRan = false;
    }
    return run;
}

}  // namespace zrvtool
