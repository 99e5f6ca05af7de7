// The product's entry in Add/Remove programs as the installation registers it (ProductRegistration.h).
#include "ProductRegistration.h"

#include "AfxText.h"

#include "InstallRecordFormat.h"
#include "ScriptRun.h"

namespace {

const DWORD kOne = 1;

// One value of the entry, logged like a value line's: a string gets its NUL.
bool SetEntryValue(regscript::ScriptRun& run, HKEY hKey, const char* pszName, DWORD dwType, const std::string& strData)
{
    DWORD cbData = DWORD(strData.size() + (dwType == REG_SZ ? 1 : 0));
    if (run.SetValue(hKey, pszName, dwType, reinterpret_cast<const BYTE*>(strData.c_str()), cbData) != ERROR_SUCCESS)
        return false;
    run.Log().Value(pszName);
    return true;
}

std::string DwordData(DWORD dwValue) { return std::string(reinterpret_cast<const char*>(&dwValue), sizeof dwValue); }

}  // namespace

bool RegisterProduct(regscript::ScriptRun& run, const CString& strProductName, const SetupExtensions& ext)
{
    if (!IsUsableProductName(strProductName)) return false;
    const CString strPath = EntryKeyPath(strProductName);
    const int nRoot = EntryRoot(run.ForOneUser());
    HKEY hKey = nullptr;
    if (run.OpenListedKey(nRoot, strPath.Str(), &hKey) != ERROR_SUCCESS) return false;
    regscript::OpenKey key(run.Registry(), hKey);
    run.Log().Key(nRoot, strPath.Str());

    // The display name goes through the value-line rules: a double quote in the product name cuts
    // it there, and "%INSTALLPATH%" in it is replaced.
    CString strDisplayName;
    strDisplayName.Format("\"%s\"=\"%s\"", kEntryDisplayName, strProductName.GetString());
    if (!run.ApplyValueLine(key.Get(), strDisplayName)) return false;
    // The program's path is quoted: a client that runs the command line must not read a path
    // with blanks ("C:\Program Files\...") as a shorter program followed by arguments.
    const std::string strInstallPath = run.InstallPath().Str();
    std::string strProgram = strInstallPath + "\\" + kUninstallerName;
    DWORD nKilobytes = DWORD((static_cast<unsigned long long>(run.PayloadBytes()) + 1023) / 1024);
    if (!(SetEntryValue(run, key.Get(), kEntryUninstallString, REG_SZ, "\"" + strProgram + "\"") &&
          SetEntryValue(run, key.Get(), kEntryQuietUninstallString, REG_SZ, "\"" + strProgram + "\" /S") &&
          SetEntryValue(run, key.Get(), kEntryInstallLocation, REG_SZ, strInstallPath) &&
          SetEntryValue(run, key.Get(), kEntryEstimatedSize, REG_DWORD, DwordData(nKilobytes)) &&
          SetEntryValue(run, key.Get(), kEntryDisplayIcon, REG_SZ, strProgram + ",0") &&
          SetEntryValue(run, key.Get(), kEntryNoModify, REG_DWORD, DwordData(kOne)) &&
          SetEntryValue(run, key.Get(), kEntryNoRepair, REG_DWORD, DwordData(kOne))))
        return false;
    // The version and publisher of the extension lines, taken as written, only when given.
    if (!ext.strDisplayVersion.IsEmpty() &&
        !SetEntryValue(run, key.Get(), kEntryDisplayVersion, REG_SZ, ext.strDisplayVersion.Str()))
        return false;
    if (!ext.strPublisher.IsEmpty() && !SetEntryValue(run, key.Get(), kEntryPublisher, REG_SZ, ext.strPublisher.Str()))
        return false;
    // The language the installation spoke, for its uninstaller; none for English, the default.
    const std::string strLanguage = AfxGetLanguage();
    return strLanguage == "en" || SetEntryValue(run, key.Get(), kEntryLanguage, REG_SZ, strLanguage);
}
