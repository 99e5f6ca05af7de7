// The registry script's interpreter: the REGEDIT4 part of Setup.ini applied to a registry, key
// line by key line, each key and value logged; the product's entry in Add/Remove programs
// registered after the script (ProductRegistration.h). The text rules are in ScriptText.h; the
// run's state, and what it records of what it found there, in ScriptRun.h.
#include "RegistryScript.h"

#include "AfxRegistry.h"
#include "ProductRegistration.h"
#include "ScriptRun.h"
#include "ScriptText.h"
#include "SetupConfig.h"
#include "SetupExtensions.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

using namespace regscript;

RegistryScript::RegistryScript(const char* pszFileName, const CString& strInstallPath, const CString& strProductName)
    : m_strProductName(strProductName), m_strInstallPath(strInstallPath)
{
    CSetupIniFile file;
    file.Open(pszFileName, CFile::modeRead | CFile::shareDenyWrite);
    m_pText = ReadWholeSetupIni(file);
    // In the program's UTF-8, as the text the installation read at start-up; a text whose code
    // page is not one the installer reads has no script.
    SetupExtensions ext;
    std::string text = m_pText;
    if (ReadSetupExtensions(m_pText, ext) && !SetupTextToUtf8(text, ext.nCodePage)) text.clear();
    delete[] m_pText;
    m_pText = new char[text.size() + 1];
    std::memcpy(m_pText, text.c_str(), text.size() + 1);
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

// What a product installed for one user writes for a key line under HKEY_CLASSES_ROOT: the user's
// own classes.
const char kUserClasses[] = "Software\\Classes\\";

// The root (kRegistryRoots) that the text at pRootName names, together with its backslash, compared
// case-sensitively; -1 for none.
int RootAt(const char* pRootName)
{
    for (int nRoot = 0; nRoot < kRegistryRootCount; ++nRoot) {
        const char* pszName = RegistryRootName(nRoot);
        size_t nNameLength = std::strlen(pszName);
        if (std::strncmp(pRootName, pszName, nNameLength) == 0 && pRootName[nNameLength] == kRootSeparator) return nRoot;
    }
    return -1;
}

}  // namespace

namespace regscript {

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
            m_pObserver->OnScriptEnd(m_pLine, Failure().c_str());
    }
    return bOk;
}

// Applies one key line and the value lines after it. On success *ppNext is the first line after
// them that is not skipped, or nullptr when the text has ended.
bool ScriptRun::ApplyKeyLine(const char* pLine, const char** ppNext)
{
    const char* pRootName = pLine + 1;
    int nRoot = RootAt(pRootName);
    if (nRoot < 0) return Fail("the key line does not begin with a root the installer knows");
    size_t nNameLength = std::strlen(RegistryRootName(nRoot));
    const char* pPath = pRootName + nNameLength + 1;
    const char* pClose = FindOnLine(pPath, ']');
    if (!pClose) return Fail("the key line has no closing ]");

    HKEY hKey = nullptr;
    std::string strPath(pPath, pClose);
    if (m_bForOneUser && nRoot == kRootClassesRoot) {
        nRoot = kRootCurrentUser;
        strPath = kUserClasses + strPath;
        m_bClassesRoot = true;
    }
    if (m_bForOneUser && !OneUserWritesBelow(nRoot)) return Fail(RegistryScript::kMachineWideReason);
    LONG rc = OpenListedKey(nRoot, strPath, &hKey);
    // A key below a registry link: nothing is written through it.
    if (rc == kErrorRegistryLink)
        return Fail(std::string(RegistryRootName(nRoot)) + "\\" + strPath + ": " + kRegistryLinkReason);
    if (rc != ERROR_SUCCESS) return Fail("the registry refused the key");
    OpenKey key(m_registry, hKey);
    m_log.Key(nRoot, strPath);

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

}  // namespace regscript

int RegistryScript::Apply(CFile& log) { return Apply(log, GetSystemRegistry()); }

int RegistryScript::Apply(CFile& log, RegistryBackend& registry, RegistryScriptObserver* pObserver)
{
    const char* pText = m_pText ? m_pText : "";
    const char* pMarker = std::strstr(pText, kScriptMarker);
    if (!pMarker) return TRUE;

    if (pObserver) pObserver->OnStart(pMarker);
    const char* pRefused = m_bForOneUser ? FindMachineWideLine(pText) : nullptr;
    if (pRefused) {
        NoteStop(pRefused, kMachineWideReason);
        if (pObserver) pObserver->OnScriptEnd(pRefused, kMachineWideReason);
        if (!m_bRegisterAfterStop) return FALSE;
    }
    ScriptRun run(log, registry, *this, pObserver);
    run.Log().RegistryMarker();
    m_bMarkerWritten = true;
    // Nothing but skipped lines after the marker's line, or not even a line end: no script, and
    // no product to register either.
    const char* pLine = SkipLines(NextLine(pMarker));
    if (!pLine && !pRefused) {
        if (pObserver) pObserver->OnScriptEnd(nullptr, nullptr);
        return TRUE;
    }
    bool bKeysRan = false;
    try {
        bKeysRan = !pRefused && run.RunKeys(pLine);
        m_bClassesRootWritten = run.ClassesRootWritten();
        if (!bKeysRan && !pRefused) NoteStop(run.FailedLine(), run.Failure());
    } catch (const std::bad_alloc&) {
        // A value too large for memory fails like any other; its key is closed.
        NoteStop(run.FailedLine(), "not enough memory for the value");
    }
    if (!bKeysRan && !m_bRegisterAfterStop) return FALSE;
    try {
        if (pObserver) pObserver->OnUninstall();
        SetupExtensions ext;
        if (m_pExtensions) ext = *m_pExtensions;
        else ReadSetupExtensions(pText, ext);  // a text the installer refuses has none
        m_bRegistered = RegisterProduct(run, m_strProductName, ext);
    } catch (const std::bad_alloc&) {
        m_bRegistered = false;
    }
    return bKeysRan && m_bRegistered ? TRUE : FALSE;
}

void RegistryScript::NoteStop(const char* pLine, const std::string& strWhy)
{
    m_nStoppedLine = pLine ? 1 : 0;
    for (const char* p = m_pText; p && pLine && p < pLine && *p; ++p)
        if (p[0] == '\r' && p[1] == '\n') ++m_nStoppedLine;
    m_strStopped = strWhy;
}

const char* const RegistryScript::kMachineWideReason =
    "a key under HKEY_LOCAL_MACHINE or HKEY_USERS, which a product installed for one user does not write";

const char* RegistryScript::FindMachineWideLine(const char* pszText)
{
    const char* pMarker = std::strstr(pszText, kScriptMarker);
    if (!pMarker) return nullptr;
    for (const char* p = NextLine(pMarker); p; p = NextLine(p)) {
        if (*p != '[') continue;
        for (int nRoot = 0; nRoot < kRegistryRootCount; ++nRoot) {
            if (OneUserWritesBelow(nRoot)) continue;
            const char* pszName = RegistryRootName(nRoot);
            size_t n = std::strlen(pszName);
            if (std::strncmp(p + 1, pszName, n) == 0 && p[1 + n] == kRootSeparator) return p;
        }
    }
    return nullptr;
}
