#include "RegistryScript.h"

#include "AfxRegistry.h"
#include "InstallLog.h"
#include "SetupConfig.h"
#include "SetupExtensions.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

RegistryScript::RegistryScript(const char* pszFileName, const CString& strInstallPath, const CString& strProductName)
    : m_strProductName(strProductName), m_strInstallPath(strInstallPath)
{
    CSetupIniFile file;
    file.Open(pszFileName, CFile::modeRead | CFile::shareDenyWrite);
    m_pText = ReadWholeSetupIni(file);
}

RegistryScript::RegistryScript(const char* pText, size_t nLength, const CString& strInstallPath,
                               const CString& strProductName)
    : m_strProductName(strProductName), m_strInstallPath(strInstallPath), m_pText(new char[nLength + 1])
{
    std::memcpy(m_pText, pText, nLength);
    m_pText[nLength] = '\0';
}

RegistryScript::~RegistryScript() { delete[] m_pText; }

namespace {

const char kMarker[] = "REGEDIT4";
const char kInstallPathDirective[] = "%INSTALLPATH%";
const DWORD kOne = 1;

// The roots a key line may name (kRegistryRoots), compared case-sensitively together with their
// backslash, in this order.
struct Root {
    int nRoot;
    HKEY hKey;
};
const Root kRoots[] = {
    {kRootClassesRoot, HKEY_CLASSES_ROOT},
    {kRootCurrentUser, HKEY_CURRENT_USER},
    {kRootLocalMachine, HKEY_LOCAL_MACHINE},
    {kRootUsers, HKEY_USERS},
};

// What a product installed for one user writes for a key line under HKEY_CLASSES_ROOT: the user's
// own classes.
const char kUserClasses[] = "Software\\Classes\\";

// The product's uninstall entry below HKEY_LOCAL_MACHINE (HKEY_CURRENT_USER for one user).
CString UninstallKeyPath(const CString& strProductName) { return kUninstallKeyPath + strProductName; }

// Line scanning. Lines end with CR LF; a position is the start of a line, and nullptr means that
// the text has ended (no CR LF followed the last line).
const char* NextLine(const char* p)
{
    const char* pEnd = std::strstr(p, "\r\n");
    return pEnd ? pEnd + 2 : nullptr;
}

// Empty, indented and comment lines. A tab or ";" does not make a line skippable.
bool IsSkippable(const char* p) { return *p == '\r' || *p == ' ' || *p == '#'; }

const char* SkipLines(const char* p)
{
    while (p && IsSkippable(p)) p = NextLine(p);
    return p;
}

// The first ch from p on the same line, or nullptr when the line (or the text) ends first. Key
// paths and value names end on their own line: one that ran on into later lines would put a line
// end into a key or value name and break the log's one-line-per-entry record. Only the CR LF pair
// ends a line; a CR or LF on its own is an ordinary character.
const char* FindOnLine(const char* p, char ch)
{
    for (; *p != ch; ++p) {
        if (*p == '\0' || (p[0] == '\r' && p[1] == '\n')) return nullptr;
    }
    return p;
}

// White space as the C library's isspace sees it in the "C" locale: line breaks included.
bool IsWhite(char ch) { return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r'; }

int HexDigit(char ch)
{
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    return -1;
}

// Replaces "%%" by "%"; every other percent sign stays as written.
std::string CollapsePercents(const std::string& s)
{
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        out += s[i];
        if (s[i] == '%' && i + 1 < s.size() && s[i + 1] == '%') ++i;
    }
    return out;
}

// A string value as stored. Without "%INSTALLPATH%" it is taken exactly as written. Otherwise the
// first occurrence becomes the install path (inserted unchanged) and "%%" around it becomes "%",
// the result of formatting the value with the directive turned into "%s". Any other percent sign,
// a second "%INSTALLPATH%" included, is kept literally: the value never serves as a format string.
std::string ExpandInstallPath(const std::string& strValue, const CString& strInstallPath)
{
    size_t at = strValue.find(kInstallPathDirective);
    if (at == std::string::npos) return strValue;
    return CollapsePercents(strValue.substr(0, at)) + strInstallPath.Str() +
           CollapsePercents(strValue.substr(at + sizeof kInstallPathDirective - 1));
}

// Closes the key it holds when it goes, also when writing the log throws.
class OpenKey {
public:
    OpenKey(RegistryBackend& registry, HKEY hKey) : m_registry(registry), m_hKey(hKey) {}
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    ~OpenKey() { Close(); }
    HKEY Get() const { return m_hKey; }
    void Close()
    {
        if (m_hKey) m_registry.CloseKey(m_hKey);  // its result is of no use to anyone
        m_hKey = nullptr;
    }

private:
    RegistryBackend& m_registry;
    HKEY m_hKey;
};

// One application of a script: the log, the registry and the install path it works with.
class ScriptRun {
public:
    ScriptRun(CFile& log, RegistryBackend& registry, const RegistryScript& script, RegistryScriptObserver* pObserver)
        : m_log(log), m_registry(registry), m_strInstallPath(script.m_strInstallPath), m_pObserver(pObserver),
          m_pRecord(script.m_pRecord), m_pEarlier(script.m_pEarlier), m_nPayloadBytes(script.m_nPayloadBytes),
          m_bForOneUser(script.m_bForOneUser), m_seenKeys(script.m_madeKeys)
    {
    }

    InstallLogWriter& Log() { return m_log; }
    bool RunKeys(const char* pLine);
    bool ClassesRootWritten() const { return m_bClassesRoot; }
    bool RegisterUninstaller(const CString& strProductName, const SetupExtensions& ext);

private:
    LONG OpenListedKey(const Root& root, const std::string& strPath, HKEY* phKey);
    void NoteFoundKey(int nRoot, const std::string& strPath);
    LONG SetValue(HKEY hKey, const std::string& strName, DWORD dwType, const BYTE* pData, DWORD cbData);
    void NoteReplacedValue(HKEY hKey, const std::string& strName, DWORD dwType, const BYTE* pData, DWORD cbData);
    bool SetEntryValue(HKEY hKey, const char* pszName, DWORD dwType, const std::string& strData);
    bool ApplyKeyLine(const char* pLine, const char** ppNext);
    bool ApplyValueLine(HKEY hKey, const char* pLine);
    bool SetString(HKEY hKey, const std::string& strName, const char* p);
    bool SetBinary(HKEY hKey, const std::string& strName, const char* p);
    bool SetDword(HKEY hKey, const std::string& strName, const char* p);
    // The line at pLine is about to be applied.
    void At(const char* pLine)
    {
        m_pLine = pLine;
        if (m_pObserver) m_pObserver->OnLine(pLine);
    }
    // Records why the current line failed; returns false.
    bool Fail(const std::string& strWhy)
    {
        m_strFailure = strWhy;
        return false;
    }

    InstallLogWriter m_log;
    RegistryBackend& m_registry;
    const CString& m_strInstallPath;
    RegistryScriptObserver* m_pObserver;
    PriorRecordWriter* m_pRecord;
    const EarlierInstallation* m_pEarlier;
    UINT m_nPayloadBytes;
    bool m_bForOneUser;
    const char* m_pLine = nullptr;
    std::string m_strFailure;
    bool m_bClassesRoot = false;
    // The key in hand, and what this run has made or already looked at: a key it made may be
    // opened again by a later key line, and a value it set may be set again, without either
    // counting as found there.
    PriorKey m_key;
    std::vector<PriorKey> m_seenKeys;
    struct SeenValue {
        PriorValue value;   // with the type and data found, when bReplaced
        bool bReplaced;
    };
    std::vector<SeenValue> m_seenValues;
};

bool Seen(const std::vector<PriorKey>& keys, int nRoot, const std::string& strPath)
{
    for (const PriorKey& k : keys)
        if (k.nRoot == nRoot && SameKeyPath(k.strPath, strPath)) return true;
    return false;
}

// Creates or opens a key that the log will list. With a record, the keys on its path that do not
// exist yet are noted first (the registry makes them along with the key), so that a later key line
// naming one of them does not take it for a key that was there before. Returns the registry's result.
LONG ScriptRun::OpenListedKey(const Root& root, const std::string& strPath, HKEY* phKey)
{
    const int nRoot = root.nRoot;
    std::vector<PriorKey> made;
    if (m_pRecord) {
        for (size_t sep = strPath.find('\\'); sep != std::string::npos; sep = strPath.find('\\', sep + 1)) {
            std::string parent = strPath.substr(0, sep);
            if (!parent.empty() && !Seen(m_seenKeys, nRoot, parent) && !m_registry.KeyExists(root.hKey, parent.c_str()))
                made.push_back({nRoot, parent});
        }
    }
    // Recorded before the registry makes them: gone again with the key, when nothing else is left.
    for (const PriorKey& key : made) m_pRecord->MadeKey(key.nRoot, key.strPath);
    bool bExisted = false;
    LONG rc = m_registry.CreateKey(root.hKey, strPath.c_str(), phKey, &bExisted);
    if (rc != ERROR_SUCCESS) return rc;
    if (root.hKey == HKEY_CLASSES_ROOT) m_bClassesRoot = true;
    m_key = {nRoot, strPath};
    if (!m_pRecord) return ERROR_SUCCESS;
    if (bExisted) NoteFoundKey(nRoot, strPath);
    m_seenKeys.insert(m_seenKeys.end(), made.begin(), made.end());
    if (!Seen(m_seenKeys, nRoot, strPath)) m_seenKeys.push_back(m_key);
    return ERROR_SUCCESS;
}

// A key that existed when this run opened it. One that an earlier installation into this folder
// listed counts as found only if that installation had found it too.
void ScriptRun::NoteFoundKey(int nRoot, const std::string& strPath)
{
    if (Seen(m_seenKeys, nRoot, strPath)) return;
    if (m_pEarlier && m_pEarlier->ListsKey(nRoot, strPath) && !m_pEarlier->Found().HasKey(nRoot, strPath)) return;
    m_pRecord->Key(nRoot, strPath);
}

// Before this run sets a value: the first time, when the value exists, its type and data are
// recorded beside what is about to be written; each later time, the same earlier data beside the
// new data (the last line for a value holds what the run left). One that an earlier installation
// into this folder set counts as replaced only if that installation had replaced it, with the
// data that one had found.
void ScriptRun::NoteReplacedValue(HKEY hKey, const std::string& strName, DWORD dwType, const BYTE* pData, DWORD cbData)
{
    SeenValue* pSeen = nullptr;
    for (SeenValue& s : m_seenValues)
        if (s.value.nRoot == m_key.nRoot && SameKeyPath(s.value.strKey, m_key.strPath) &&
            SameValueName(s.value.strName, strName))
            pSeen = &s;
    if (!pSeen) {
        PriorValue value;
        value.nRoot = m_key.nRoot;
        value.strKey = m_key.strPath;
        value.strName = strName;
        bool bReplaced = m_registry.QueryValue(hKey, strName.c_str(), &value.dwOldType, &value.oldData) == ERROR_SUCCESS;
        if (bReplaced && m_pEarlier && m_pEarlier->ListsValue(value.nRoot, value.strKey, strName)) {
            const PriorValue* found = m_pEarlier->Found().FindValue(value.nRoot, value.strKey, strName);
            bReplaced = found != nullptr;
            if (found) {
                value.dwOldType = found->dwOldType;
                value.oldData = found->oldData;
            }
        }
        m_seenValues.push_back({value, bReplaced});
        pSeen = &m_seenValues.back();
    }
    if (!pSeen->bReplaced) return;
    pSeen->value.dwNewType = dwType;
    pSeen->value.newData.assign(pData, pData + cbData);
    m_pRecord->Value(pSeen->value);
}

LONG ScriptRun::SetValue(HKEY hKey, const std::string& strName, DWORD dwType, const BYTE* pData, DWORD cbData)
{
    if (m_pRecord) NoteReplacedValue(hKey, strName, dwType, pData, cbData);
    return m_registry.SetValue(hKey, strName.c_str(), dwType, pData, cbData);
}

// Runs the key lines from pLine, the first line that is not skipped. Returns false when a key
// line, a key or a value line failed. Ends without failure at the end of the text or at a line
// where a key line may stand but that does not begin with "[".
bool ScriptRun::RunKeys(const char* pLine)
{
    bool bOk = true;
    while (bOk && pLine && *pLine == '[') {
        At(pLine);
        bOk = ApplyKeyLine(pLine, &pLine);
    }
    if (m_pObserver) {
        if (bOk)
            m_pObserver->OnScriptEnd(pLine, nullptr);
        else
            m_pObserver->OnScriptEnd(m_pLine, m_strFailure.empty() ? "the line failed" : m_strFailure.c_str());
    }
    return bOk;
}

// Applies one key line and the value lines after it. On success *ppNext is the first line after
// them that is not skipped, or nullptr when the text has ended.
bool ScriptRun::ApplyKeyLine(const char* pLine, const char** ppNext)
{
    const char* pRootName = pLine + 1;
    const Root* pRoot = nullptr;
    size_t nNameLength = 0;
    for (const Root& root : kRoots) {
        const char* pszName = RegistryRootName(root.nRoot);
        nNameLength = std::strlen(pszName);
        if (std::strncmp(pRootName, pszName, nNameLength) == 0 && pRootName[nNameLength] == kRootSeparator) {
            pRoot = &root;
            break;
        }
    }
    if (!pRoot) return Fail("the key line does not begin with a root the installer knows");
    const char* pPath = pRootName + nNameLength + 1;
    const char* pClose = FindOnLine(pPath, ']');
    if (!pClose) return Fail("the key line has no closing ]");

    HKEY hKey = nullptr;
    std::string strPath(pPath, pClose);
    if (m_bForOneUser && pRoot->nRoot == kRootClassesRoot) {
        pRoot = &kRoots[kRootCurrentUser];
        strPath = kUserClasses + strPath;
        m_bClassesRoot = true;
    }
    if (m_bForOneUser && pRoot->nRoot != kRootCurrentUser) return Fail(RegistryScript::kMachineWideReason);
    LONG rc = OpenListedKey(*pRoot, strPath, &hKey);
    // A key below a registry link: nothing is written through it.
    if (rc == kErrorRegistryLink)
        return Fail(std::string(RegistryRootName(pRoot->nRoot)) + "\\" + strPath + ": " + kRegistryLinkReason);
    if (rc != ERROR_SUCCESS) return Fail("the registry refused the key");
    OpenKey key(m_registry, hKey);
    m_log.Key(pRoot->nRoot, strPath);

    // Each value line is counted from the start of the line before it, so a string value that
    // runs on over a line break is followed by its own continuation.
    const char* pNext = pLine;
    for (;;) {
        pNext = SkipLines(NextLine(pNext));
        if (!pNext || *pNext != '"') break;
        At(pNext);
        if (!ApplyValueLine(key.Get(), pNext)) return false;
    }
    key.Close();
    *ppNext = pNext;
    return true;
}

// "name"=value, without blanks around "=". The name is logged once its value has been set.
bool ScriptRun::ApplyValueLine(HKEY hKey, const char* pLine)
{
    const char* pName = pLine + 1;
    const char* pNameEnd = FindOnLine(pName, '"');
    if (!pNameEnd) return Fail("the value's name has no closing quote on its line");
    if (pNameEnd[1] != '=') return Fail("the value's name is not followed directly by =");
    std::string strName(pName, pNameEnd);
    const char* pValue = pNameEnd + 2;

    bool bSet;
    if (*pValue == '"')
        bSet = SetString(hKey, strName, pValue + 1);
    else if (std::strncmp(pValue, "hex:", 4) == 0)
        bSet = SetBinary(hKey, strName, pValue + 4);
    else if (std::strncmp(pValue, "dword:", 6) == 0)
        bSet = SetDword(hKey, strName, pValue + 6);
    else
        return Fail("the value is neither a quoted string nor hex: nor dword:");
    if (!bSet) return false;
    m_log.Value(strName);
    return true;
}

// p follows the opening quote; the value runs to the next double quote, on this line or a later one.
bool ScriptRun::SetString(HKEY hKey, const std::string& strName, const char* p)
{
    const char* pEnd = std::strchr(p, '"');
    if (!pEnd) return Fail("the string value has no closing quote");
    std::string strValue = ExpandInstallPath(std::string(p, pEnd), m_strInstallPath);
    if (strValue.size() >= 0xFFFFFFFFu) return Fail("the string value is too long");  // its size with the NUL must fit a DWORD
    if (SetValue(hKey, strName, REG_SZ, reinterpret_cast<const BYTE*>(strValue.c_str()),
                            DWORD(strValue.size() + 1)) != ERROR_SUCCESS)
        return Fail("the registry refused the value");
    return true;
}

// Comma-separated bytes of two hexadecimal digits each. A byte is read at p after optional white
// space (one or two digits); the next one is sought three characters after p, behind a comma right
// after two digits, so a one-digit byte or a blank after a comma ends the list. The text lies
// between p and its NUL, so the list takes less than a third of its length.
bool ScriptRun::SetBinary(HKEY hKey, const std::string& strName, const char* p)
{
    std::vector<BYTE> bytes;
    bytes.reserve(256);
    for (;;) {
        const char* pDigit = p;
        while (IsWhite(*pDigit)) ++pDigit;
        int nHigh = HexDigit(pDigit[0]);
        if (nHigh < 0) return Fail("a hexadecimal byte is expected here in the hex: list");
        int nLow = HexDigit(pDigit[1]);
        bytes.push_back(BYTE(nLow < 0 ? nHigh : nHigh * 16 + nLow));
        // p[0] is not NUL here (a digit was found at or after it); p[1] may be.
        if (p[1] == '\0' || p[2] != ',') break;
        p += 3;
    }
    if (SetValue(hKey, strName, REG_BINARY, bytes.data(), DWORD(bytes.size())) != ERROR_SUCCESS)
        return Fail("the registry refused the value");
    return true;
}

// Up to eight hexadecimal digits after optional white space; what follows them is ignored.
bool ScriptRun::SetDword(HKEY hKey, const std::string& strName, const char* p)
{
    while (IsWhite(*p)) ++p;
    if (HexDigit(*p) < 0) return Fail("the dword: value has no hexadecimal digit");
    DWORD dwValue = 0;
    for (int i = 0; i < 8 && HexDigit(p[i]) >= 0; ++i) dwValue = dwValue * 16 + DWORD(HexDigit(p[i]));
    BYTE data[sizeof dwValue];
    std::memcpy(data, &dwValue, sizeof data);  // the platform's byte order
    if (SetValue(hKey, strName, REG_DWORD, data, sizeof data) != ERROR_SUCCESS)
        return Fail("the registry refused the value");
    return true;
}

// The product's entry in the list of installed programs. A backslash in the product name makes a
// nested key, registered and logged like any other. An empty name would put the values on the
// shared Uninstall key itself, a line break would split the key's line in the log, and a NUL would
// cut the key's name short of what the log lists: such names are refused like any other failed
// registration.
bool ScriptRun::RegisterUninstaller(const CString& strProductName, const SetupExtensions& ext)
{
    if (strProductName.IsEmpty() || strProductName.Str().find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        return false;
    const CString strPath = UninstallKeyPath(strProductName);
    const int nRoot = m_bForOneUser ? kRootCurrentUser : kRootLocalMachine;
    HKEY hKey = nullptr;
    if (OpenListedKey(kRoots[nRoot], strPath.Str(), &hKey) != ERROR_SUCCESS) return false;
    OpenKey key(m_registry, hKey);
    m_log.Key(nRoot, strPath.Str());

    // The display name goes through the value-line rules: a double quote in the product name cuts
    // it there, and "%INSTALLPATH%" in it is replaced.
    CString strDisplayName;
    strDisplayName.Format("\"DisplayName\"=\"%s\"", strProductName.GetString());
    if (!ApplyValueLine(key.Get(), strDisplayName)) return false;
    // The program's path is quoted: a client that runs the command line must not read a path
    // with blanks ("C:\Program Files\...") as a shorter program followed by arguments.
    std::string strProgram = m_strInstallPath.Str() + "\\" + kUninstallerName;
    DWORD nKilobytes = DWORD((static_cast<unsigned long long>(m_nPayloadBytes) + 1023) / 1024);
    const std::string one(reinterpret_cast<const char*>(&kOne), sizeof kOne);
    if (!(SetEntryValue(key.Get(), "UninstallString", REG_SZ, "\"" + strProgram + "\"") &&
          SetEntryValue(key.Get(), "QuietUninstallString", REG_SZ, "\"" + strProgram + "\" /S") &&
          SetEntryValue(key.Get(), "InstallLocation", REG_SZ, m_strInstallPath.Str()) &&
          SetEntryValue(key.Get(), "EstimatedSize", REG_DWORD,
                        std::string(reinterpret_cast<const char*>(&nKilobytes), sizeof nKilobytes)) &&
          SetEntryValue(key.Get(), "DisplayIcon", REG_SZ, strProgram + ",0") &&
          SetEntryValue(key.Get(), "NoModify", REG_DWORD, one) && SetEntryValue(key.Get(), "NoRepair", REG_DWORD, one)))
        return false;
    // The version and publisher of the extension lines, taken as written, only when given.
    if (!ext.strDisplayVersion.IsEmpty() && !SetEntryValue(key.Get(), "DisplayVersion", REG_SZ, ext.strDisplayVersion.Str()))
        return false;
    return ext.strPublisher.IsEmpty() || SetEntryValue(key.Get(), "Publisher", REG_SZ, ext.strPublisher.Str());
}

// One value of the uninstall entry, logged like a value line's: a string gets its NUL.
bool ScriptRun::SetEntryValue(HKEY hKey, const char* pszName, DWORD dwType, const std::string& strData)
{
    DWORD cbData = DWORD(strData.size() + (dwType == REG_SZ ? 1 : 0));
    if (SetValue(hKey, pszName, dwType, reinterpret_cast<const BYTE*>(strData.c_str()), cbData) != ERROR_SUCCESS)
        return false;
    m_log.Value(pszName);
    return true;
}

}  // namespace

int RegistryScript::Apply(CFile& log) { return Apply(log, GetSystemRegistry()); }

int RegistryScript::Apply(CFile& log, RegistryBackend& registry, RegistryScriptObserver* pObserver)
{
    const char* pText = m_pText ? m_pText : "";
    const char* pMarker = std::strstr(pText, kMarker);
    if (!pMarker) return TRUE;

    if (pObserver) pObserver->OnStart(pMarker);
    if (m_bForOneUser) {
        if (const char* pLine = FindMachineWideLine(pText)) {
            if (pObserver) pObserver->OnScriptEnd(pLine, kMachineWideReason);
            return FALSE;
        }
    }
    ScriptRun run(log, registry, *this, pObserver);
    run.Log().RegistryMarker();
    m_bMarkerWritten = true;
    // Nothing but skipped lines after the marker's line, or not even a line end: no script, and
    // no product to register either.
    const char* pLine = SkipLines(NextLine(pMarker));
    if (!pLine) {
        if (pObserver) pObserver->OnScriptEnd(nullptr, nullptr);
        return TRUE;
    }
    try {
        bool bKeysRan = run.RunKeys(pLine);
        m_bClassesRootWritten = run.ClassesRootWritten();
        if (!bKeysRan) return FALSE;
        if (pObserver) pObserver->OnUninstall();
        SetupExtensions ext;
        ReadSetupExtensions(pText, ext);  // a text the installer refuses has none
        m_bRegistered = run.RegisterUninstaller(m_strProductName, ext);
        return m_bRegistered ? TRUE : FALSE;
    } catch (const std::bad_alloc&) {
        return FALSE;  // a value too large for memory fails like any other; its key is closed
    }
}

bool RegistryScript::SetInstallDigest(const std::string& strDigest) { return SetInstallDigest(strDigest, GetSystemRegistry()); }

bool RegistryScript::SetInstallDigest(const std::string& strDigest, RegistryBackend& registry)
{
    if (!m_bRegistered) return false;
    const CString strPath = UninstallKeyPath(m_strProductName);
    HKEY hKey = nullptr;
    if (registry.CreateKey(m_bForOneUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, strPath, &hKey, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG rc = registry.SetValue(hKey, kInstallDigestValue, REG_SZ, reinterpret_cast<const BYTE*>(strDigest.c_str()),
                                DWORD(strDigest.size() + 1));
    registry.CloseKey(hKey);
    return rc == ERROR_SUCCESS;
}

const char* const RegistryScript::kMachineWideReason =
    "a key under HKEY_LOCAL_MACHINE or HKEY_USERS, which a product installed for one user does not write";

const char* RegistryScript::FindMachineWideLine(const char* pszText)
{
    const char* pMarker = std::strstr(pszText, kMarker);
    if (!pMarker) return nullptr;
    for (const char* p = NextLine(pMarker); p; p = NextLine(p)) {
        if (*p != '[') continue;
        for (int nRoot : {kRootLocalMachine, kRootUsers}) {
            const char* pszName = RegistryRootName(nRoot);
            size_t n = std::strlen(pszName);
            if (std::strncmp(p + 1, pszName, n) == 0 && p[1 + n] == kRootSeparator) return p;
        }
    }
    return nullptr;
}
